// The settings dialog together with the real main window: the menu shows it, minimising the
// main window minimises it too, the schedule starts the indexer through it.
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/gui/tform1.h"
#include "settings/settings_forms.h"
#include "tests/settings/settings_fixture.h"

namespace {

class RecordingProcesses : public Processes {
  public:
    std::vector<std::vector<std::string>> spawned;
    bool Spawn(const std::vector<std::string>& argv) override {
        spawned.push_back(argv);
        return true;
    }
    std::vector<int> FindByName(const std::string&) override { return {}; }
    bool Kill(int) override { return false; }
};

struct MainWindowLink : ::testing::Test {
    QApplication& app = TestApplication();
    ProgramFolder folder;
    RecordingProcesses processes;
    FixedClock clock;
};

TEST_F(MainWindowLink, MenuShowsTheDialogAndMinimisingTheMainWindowMinimisesBoth) {
    TForm1 form1(folder.AppDir());
    SettingsForms forms = CreateSettingsForms(form1, processes, clock);
    form1.show();
    EXPECT_FALSE(forms.form2->isVisible());
    form1.SettingS1->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(forms.form2->isVisible());
    EXPECT_EQ(forms.form2->StatusText().toStdString(), "Index is not created.");

    form1.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form1.isMinimized());
    EXPECT_TRUE(forms.form2->isMinimized());
}

TEST_F(MainWindowLink, ScheduledTickStartsTheIndexerThroughTheDialog) {
    folder.Write("ruvudar.ini", "[COMMON]\r\nSCTYP=1\r\nTIME1=1\r\n");
    TForm1 form1(folder.AppDir());
    SettingsForms forms = CreateSettingsForms(form1, processes, clock);
    form1.Timer1Timer();  // the first counted minute: TIME1 1 is due
    ASSERT_EQ(processes.spawned.size(), 1u);
    EXPECT_EQ(processes.spawned[0], (std::vector<std::string>{folder.AppDir() + "daradiv", "-j"}));
    EXPECT_EQ(forms.form2->Button3->text().toStdString(), "インデックスの更新中止");
    EXPECT_TRUE(forms.form2->Timer1->isActive());
}

}  // namespace
