// Program entry of the viewer: the application, the main window and the dialogs, then the
// message loop until the main window closes.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/app_dir.h"
#include "app/gui/qt_dialogs.h"
#include "app/gui/tform1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ruvudar");
    try {
        TForm1 form1(AppDirOf(ExecutablePath()));

        // --- The dialogs are created here, after the main window, in the order TForm2,
        // TForm3, TForm4; TForm2 is then shown by form1.ShowSettingsForm.

        form1.show();
        app.exec();
    } catch (const std::exception& e) {
        ShowErrorBox(nullptr, e.what());
    } catch (...) {
        ShowErrorBox(nullptr, "");
    }
    return 0;
}
