#include "app/gui/qt_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

namespace {

std::optional<std::string> Chosen(const QFileDialog& dialog, int result) {
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title) {
    QFileDialog dialog(parent_, QString::fromStdString(title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return Chosen(dialog, dialog.exec());
}

std::optional<std::string> QtDialogs::ChooseOpenFile() {
    // No filter and no title; a typed name that does not exist is accepted as it is.
    QFileDialog dialog(parent_);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return Chosen(dialog, dialog.exec());
}

std::optional<std::string> QtDialogs::ChooseSaveFile(const std::string& proposed_name) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QFile::decodeName(proposed_name.c_str()));
    return Chosen(dialog, dialog.exec());
}

void QtDialogs::ShowError(const std::string& text) { ShowErrorBox(parent_, text); }

void QtDialogs::ShowErrorLater(const std::string& text) { LaterErrorReporter()(text); }

Dialogs::ErrorReporter QtDialogs::LaterErrorReporter() {
    // Queued to the user-interface thread, so it is safe from any thread and never opens a
    // modal loop inside the caller (a web view callback, say). It holds no pointer to this
    // object, and the parent only through a guard, so a report after the window has closed
    // shows without a parent or, once the application is gone, not at all.
    QPointer<QWidget> parent(parent_);
    return [parent](const std::string& text) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(
            app, [parent, text] { ShowErrorBox(parent.data(), text); }, Qt::QueuedConnection);
    };
}

bool QtDialogs::ConfirmOkCancel(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Ok;
}

void ShowErrorBox(QWidget* parent, const std::string& text) {
    // Messages carry file names, which may hold "<": shown as plain text, never as mark-up.
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
