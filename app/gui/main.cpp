// Program entry of the viewer: the application, the main window and the dialogs, then the
// message loop until the main window closes.
#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "app/app_dir.h"
#include "app/gui/qt_dialogs.h"
#include "app/gui/qt_translations.h"
#include "app/gui/tform1.h"
#include "platform/clock.h"
#include "platform/processes.h"
#include "platform/program_folder.h"
#include "settings/settings_forms.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Ruvudar");
    InstallQtTranslations(app);
    try {
        // The executable's folder, or the user's own folder of an installed copy.
        TForm1 form1(program_folder::ProgramFolderFor(AppDirOf(program_folder::ExecutablePath())));

        // The dialogs, after the main window, in the order TForm2, TForm3, TForm4.
        SettingsForms settings = CreateSettingsForms(form1, SystemProcesses(), SystemClock());

        form1.show();
        app.exec();
    } catch (const std::exception& e) {
        ShowErrorBox(nullptr, e.what());
    } catch (...) {
        ShowErrorBox(nullptr, "");
    }
    return 0;
}
