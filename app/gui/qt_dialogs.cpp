#include "app/gui/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Where the next chooser opens: the folder last chosen in any of them, at first the user's
// home, never the current directory (which may be the program folder).
QString& LastFolder() {
    static QString folder;
    return folder;
}

QString StartFolder() {
    return QFileInfo(LastFolder()).isDir() ? LastFolder() : QDir::homePath();
}

std::optional<std::string> Chosen(const QFileDialog& dialog, int result, bool is_folder) {
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    QString chosen = dialog.selectedFiles().first();
    QString folder = is_folder ? chosen : QFileInfo(chosen).absolutePath();
    if (QFileInfo(folder).isDir()) LastFolder() = folder;
    return QFile::encodeName(chosen).toStdString();
}

}  // namespace

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title) {
    QFileDialog dialog(parent_, QString::fromStdString(title), StartFolder());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return Chosen(dialog, dialog.exec(), true);
}

std::optional<std::string> QtDialogs::ChooseOpenFile() {
    // No filter and no title; a typed name that does not exist is accepted as it is.
    QFileDialog dialog(parent_, QString(), StartFolder());
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return Chosen(dialog, dialog.exec(), false);
}

std::optional<std::string> QtDialogs::ChooseSaveFile(const std::string& proposed_name) {
    QFileDialog dialog(parent_, QString(), StartFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QFile::decodeName(proposed_name.c_str()));
    return Chosen(dialog, dialog.exec(), false);
}

void QtDialogs::ShowError(const std::string& text) { ShowErrorBox(parent_, text); }

bool QtDialogs::ConfirmOkCancel(const std::string& text, const std::string& caption) {
    return QMessageBox::question(parent_, QString::fromStdString(caption),
                                 QString::fromStdString(text),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

void ShowErrorBox(QWidget* parent, const std::string& text) {
    QMessageBox::critical(parent, QApplication::applicationName(), QString::fromStdString(text));
}
