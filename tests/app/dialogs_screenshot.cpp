// Renders the viewer's folder chooser and its stop confirmation, with Qt's translations for
// the system locale as the viewer loads them, into PNG files. Run by
// scripts/screenshot_dialogs.sh under Xvfb with LANG=ja_JP.UTF-8.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/gui/qt_dialogs.h"
#include "app/gui/qt_translations.h"
#include "index_control/indexer_control.h"

namespace {

// Saves the next modal window to path, then closes it.
void GrabNextModal(const QString& path) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        // One more turn of the loop so that the chooser has listed its folder.
        QTimer::singleShot(500, modal, [modal, path] {
            if (!modal->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
    });
    timer->start(50);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ruvudar");
    if (!InstallQtTranslations(app)) std::fprintf(stderr, "no Qt translations for this locale\n");
    QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    QtDialogs dialogs;
    GrabNextModal(out + "/dialog_folder_chooser.png");
    dialogs.ChooseFolder("フォルダの選択");
    GrabNextModal(out + "/dialog_stop_confirmation.png");
    dialogs.ConfirmOkCancel(kStopQuestion, kStopQuestionCaption);
    return 0;
}
