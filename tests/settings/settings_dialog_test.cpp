// The settings dialog and its two small dialogs, driven through their real widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

#include "pages/search_page.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "settings/tform4.h"
#include "tests/settings/settings_fixture.h"

namespace {

class NoProcesses : public Processes {
  public:
    std::vector<int> indexer;  // what FindFolderIndexer reports
    bool Spawn(const std::vector<std::string>&) override { return true; }
    std::vector<int> FindByName(const std::string&) override { return {}; }
    std::vector<int> FindFolderIndexer(const std::string&) override { return indexer; }
    bool Kill(int) override { return false; }
};

std::vector<std::vector<std::string>> Rows(QTreeWidget* list) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        std::vector<std::string> row;
        for (int c = 0; c < list->columnCount(); ++c) {
            row.push_back(list->topLevelItem(i)->text(c).toStdString());
        }
        rows.push_back(row);
    }
    return rows;
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct SettingsDialog : ::testing::Test {
    QApplication& app = TestApplication();
    ProgramFolder folder;
    FakeDialogs dialogs;
    NoProcesses processes;
    FixedClock clock;
    ViewerState state;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;

    void SetUp() override {
        state.AppDir = folder.AppDir();
        form2 = std::make_unique<TForm2>(state, dialogs, processes, clock);
        form3 = std::make_unique<TForm3>(dialogs, state.PathSeparator);
        form4 = std::make_unique<TForm4>(dialogs);
        form2->UseDialogs(form3.get(), form4.get());
    }

    void Show() {
        form2->ShowSettings();
        QCoreApplication::processEvents();
    }
    // Answers the next TForm3 with these fields and OK (or Cancel).
    void AnswerFolder(const char* path, const char* category, bool ok = true) {
        WhenModal([this, path, category, ok] {
            form3->Edit1->setText(U(path));
            form3->Edit2->setText(U(category));
            (ok ? form3->Button1 : form3->Button2)->click();
        });
    }
    void AddFolder(const char* path, const char* category) {
        AnswerFolder(path, category);
        form2->Button4->click();
    }
    void AddApplication(const char* extension, const char* path) {
        WhenModal([this, extension, path] {
            form4->ComboBox1->setEditText(U(extension));
            form4->Edit1->setText(U(path));
            form4->Button1->click();
        });
        form2->Button9->click();
    }
    // Moves the focus out of edit the way a click elsewhere does.
    static void Leave(QLineEdit* edit) {
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QApplication::sendEvent(edit, &out);
    }
};

TEST_F(SettingsDialog, ShowLoadsTheThreeFilesIntoTheTabs) {
    folder.Write("daradiv.ini",
                 "[Common]\r\nReindex=full\r\n\r\n[FileType]\r\n.doc\r\n.pdf\r\n.Doc\r\n.h\r\n"
                 "\r\n[SearchDir]\r\n/srv/b/;;仕事\r\n/srv/a/;;文書\r\n/srv/c\r\n"
                 "\r\n[ExtraDir]\r\n/srv/a/Private/\r\n/srv/a/Big.PDF\r\n");
    folder.Write("ruvudar.ini",
                 "[COMMON]\r\nSCTYP=2\r\nTIME1=15\r\nTIME2=7\r\nTIME3=5\r\nRHIGHT= 150\r\n");
    folder.Write("appset.ini", ".pdf;;/usr/bin/evince\r\n   \r\n.docx;;/usr/bin/lowriter\r\n");
    folder.Write("srep.txt", "3 / 9 files\r\n");
    processes.indexer = {4242};  // the update is under way
    form2->PageControl1->setCurrentWidget(form2->TabSheet3);
    Show();

    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(form2->PageControl1->currentWidget(), form2->TabSheet1);
    std::vector<bool> boxes;
    for (QCheckBox* box :
         {form2->CheckBox1, form2->CheckBox2, form2->CheckBox3, form2->CheckBox4, form2->CheckBox5,
          form2->CheckBox6, form2->CheckBox7, form2->CheckBox8}) {
        boxes.push_back(box->isChecked());
    }
    EXPECT_EQ(boxes, (std::vector<bool>{true, false, false, true, false, false, false, false}));
    EXPECT_EQ(form2->Edit1->text(), ".Doc : .h");
    EXPECT_FALSE(form2->CheckBox9->isChecked());  // the rebuild line is not read back
    EXPECT_EQ(Rows(form2->ListView1),
              (std::vector<std::vector<std::string>>{
                  {"/srv/a/", "文書"}, {"/srv/b/", "仕事"}, {"/srv/c", ""}}));
    // Exclusions keep their case.
    EXPECT_EQ(Rows(form2->ListView2),
              (std::vector<std::vector<std::string>>{{"/srv/a/Big.PDF"}, {"/srv/a/Private/"}}));
    EXPECT_TRUE(form2->RadioButton2->isChecked());
    EXPECT_EQ(form2->Edit2->text(), "15");
    EXPECT_EQ(form2->Edit3->text(), "7");
    EXPECT_EQ(form2->Edit4->text(), "5");
    EXPECT_EQ(form2->Edit5->text(), "150");
    EXPECT_EQ(Rows(form2->ListView3),
              (std::vector<std::vector<std::string>>{{".docx", "/usr/bin/lowriter"},
                                                     {".pdf", "/usr/bin/evince"}}));
    EXPECT_EQ(form2->StatusText(), "3 / 9 files");
    EXPECT_TRUE(dialogs.errors.empty());

    // Leaving Edit5 normalises Edit1, not Edit5.
    form2->Edit5->setText("abc");
    Leave(form2->Edit5);
    EXPECT_EQ(form2->Edit1->text(), ".doc : .h");
    EXPECT_EQ(form2->Edit5->text(), "abc");
}

TEST_F(SettingsDialog, EditsAndOkWriteTheFilesByteForByte) {
    Show();
    EXPECT_TRUE(form2->RadioButton3->isChecked());  // no ruvudar.ini: type 3
    form2->CheckBox1->setChecked(true);
    form2->CheckBox6->setChecked(true);
    form2->Edit1->setText(".h : .CPP : cpp");
    Leave(form2->Edit1);
    EXPECT_EQ(form2->Edit1->text(), ".h : .cpp");
    AddFolder("/home/u/仕様書", "");
    AddFolder("/home/u/code/", "ソース");
    dialogs.open_files.push_back("/home/u/code/Secret.txt");
    form2->Button6->click();
    AddApplication(".pdf", "/usr/bin/evince");
    form2->RadioButton2->setChecked(true);
    form2->Edit3->setText("7");
    form2->Edit4->setText("5");
    form2->Edit5->setText("abc");
    form2->Button1->click();

    EXPECT_FALSE(form2->isVisible());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(folder.Read("daradiv.ini"),
              "[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.doc\r\n.docx\r\n.docm\r\n.txt\r\n"
              ".h\r\n.cpp\r\n\r\n[SearchDir]\r\n/home/u/code/;;ソース\r\n"
              "/home/u/仕様書/;;\xE6\x96\x87\xE6\x9B\xB8\r\n"
              "\r\n[ExtraDir]\r\n/home/u/code/Secret.txt\r\n");
    EXPECT_EQ(folder.Read("appset.ini"), ".pdf;;/usr/bin/evince\r\n");
    EXPECT_EQ(folder.Read("ruvudar.ini"),
              "[COMMON]\r\nSCTYP=2\r\nTIME1=0\r\nTIME2=7\r\nTIME3=5\r\nRHIGHT=120\r\n");
    // The main window's state has the new settings at once.
    EXPECT_EQ(state.Categories, (std::vector<std::string>{"ソース", "文書"}));
    EXPECT_EQ(state.ScheduleType, 2);
    EXPECT_EQ(state.ScheduleHour, 7);
    std::string page;
    for (const std::string& line : SearchPageLines(state)) page += line + "\n";
    EXPECT_NE(page.find("ソース"), std::string::npos);

    // The next showing displays what was stored.
    Show();
    EXPECT_EQ(form2->Edit5->text(), "120");
    EXPECT_EQ(form2->Edit2->text(), "0");
}

// The boxes under the eight load and save through the same rules: their extensions in
// [FileType], the OCR of scanned PDFs as a [Common] line that an older file lacks.
TEST_F(SettingsDialog, DocumentTypeBoxesBelowTheEightLoadAndSaveByteForByte) {
    const std::string with_new =
        "[Common]\r\nReindex=update\r\nPdfOcr=on\r\n\r\n[FileType]\r\n.odt\r\n.ods\r\n.odp\r\n"
        ".odg\r\n.fodt\r\n.fods\r\n.fodp\r\n.png\r\n.jpg\r\n.jpeg\r\n.tif\r\n.tiff\r\n.h\r\n"
        "\r\n[SearchDir]\r\n/srv/a/;;文書\r\n\r\n[ExtraDir]\r\n";
    const std::string old =
        "[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.pdf\r\n.txt\r\n.h\r\n"
        "\r\n[SearchDir]\r\n/srv/a/;;文書\r\n\r\n[ExtraDir]\r\n";
    struct Case { const std::string* file; std::vector<bool> boxes; };
    const Case cases[] = {
        {&with_new, {true, false, true, true}},
        {&old, {false, false, false, false}},
    };
    for (const Case& c : cases) {
        folder.Write("daradiv.ini", *c.file);
        Show();
        std::vector<bool> boxes;
        for (QCheckBox* box : {form2->CheckBox10, form2->CheckBox11, form2->CheckBox12,
                               form2->CheckBox13})
            boxes.push_back(box->isChecked());
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(form2->Edit1->text(), ".h");
        form2->Button1->click();
        EXPECT_EQ(folder.Read("daradiv.ini"), *c.file);
    }
    // Ticking them on the old file adds their extensions and the line.
    Show();
    form2->CheckBox11->setChecked(true);
    form2->CheckBox13->setChecked(true);
    form2->Button1->click();
    EXPECT_EQ(folder.Read("daradiv.ini"),
              "[Common]\r\nReindex=update\r\nPdfOcr=on\r\n\r\n[FileType]\r\n.pdf\r\n.txt\r\n"
              ".epub\r\n.h\r\n\r\n[SearchDir]\r\n/srv/a/;;文書\r\n\r\n[ExtraDir]\r\n");
}

TEST_F(SettingsDialog, CancelDropsEditsButKeepsTheRebuildBox) {
    folder.Write("daradiv.ini", "[SearchDir]\r\n/data/;;文書\r\n[ExtraDir]\r\n");
    folder.Write("ruvudar.ini", "[COMMON]\r\nSCTYP=7\r\n");
    Show();
    EXPECT_TRUE(form2->RadioButton3->isChecked());  // 7 leaves the buttons as they were
    form2->RadioButton1->setChecked(true);
    form2->CheckBox9->setChecked(true);
    form2->ListView1->topLevelItem(0)->setSelected(true);
    form2->Button5->click();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 0);
    form2->Button2->click();
    EXPECT_FALSE(form2->isVisible());
    EXPECT_EQ(folder.Read("daradiv.ini"), "[SearchDir]\r\n/data/;;文書\r\n[ExtraDir]\r\n");

    Show();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 1);
    EXPECT_TRUE(form2->CheckBox9->isChecked());
    EXPECT_TRUE(form2->RadioButton1->isChecked());  // SCTYP 7 again leaves them alone
    // Showing an open dialog again only brings it to the front: no reload.
    form2->ListView1->clear();
    Show();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 0);
    form2->close();  // the close box hides like Cancel
    EXPECT_FALSE(form2->isVisible());
    Show();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 1);
    form2->Button1->click();
    EXPECT_EQ(folder.Read("daradiv.ini").substr(0, 24), "[Common]\r\nReindex=full\r\n");
    EXPECT_NE(folder.Read("ruvudar.ini").find("SCTYP=1\r\n"), std::string::npos);
}

TEST_F(SettingsDialog, NumberFieldsBecomeIntegersWhenLeft) {
    Show();
    struct Case {
        const char* typed;
        const char* shown;
    } cases[] = {{"abc", "0"}, {" 12", "12"}, {"$1F", "31"}, {"-7", "-7"}, {"0x10", "16"}};
    for (QLineEdit* edit : {form2->Edit2, form2->Edit3, form2->Edit4}) {
        for (const Case& c : cases) {
            edit->setText(c.typed);
            Leave(edit);
            EXPECT_EQ(edit->text().toStdString(), c.shown) << edit->objectName().toStdString();
        }
    }
}

TEST_F(SettingsDialog, FolderListAddMatchesByPrefixAndEditsInPlace) {
    Show();
    EXPECT_FALSE(form2->Button11->isEnabled());
    EXPECT_FALSE(form2->Button5->isEnabled());
    AddFolder("  /data/docs ", "");
    EXPECT_EQ(Rows(form2->ListView1),
              (std::vector<std::vector<std::string>>{{"/data/docs/", "文書"}}));
    EXPECT_EQ(form3->Edit2->text(), U("文書"));  // the default stays in the dialog
    AddFolder("/home/u/docs/", "個人");
    // Not a prefix of any listed folder: a row of its own, even though "/docs/" occurs
    // inside "/home/u/docs/".
    AddFolder("/docs/", "共有");
    // A parent of a listed folder replaces that row (only the first such).
    AddFolder("/data/", "データ");
    // Case counts: /Data/ is another folder.
    AddFolder("/Data/", "大文字");
    auto rows = Rows(form2->ListView1);
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LE(QString::localeAwareCompare(QString::fromStdString(rows[i - 1][0]),
                                              QString::fromStdString(rows[i][0])),
                  0);
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"/Data/", "大文字"},
                                                           {"/data/", "データ"},
                                                           {"/docs/", "共有"},
                                                           {"/home/u/docs/", "個人"}}));
    // Cancel and an empty folder add nothing.
    AnswerFolder("/zzz/", "x", false);
    form2->Button4->click();
    AddFolder("   ", "x");
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 4);

    // Edit: TForm3 shows the row; the confirmed folder keeps its case and gets no separator;
    // a category of blanks stays blanks.
    QTreeWidgetItem* docs = form2->ListView1->findItems("/docs/", Qt::MatchExactly)[0];
    docs->setSelected(true);
    EXPECT_TRUE(form2->Button11->isEnabled());
    EXPECT_TRUE(form2->Button5->isEnabled());
    QString shown_folder, shown_category;
    WhenModal([&] {
        shown_folder = form3->Edit1->text();
        shown_category = form3->Edit2->text();
        form3->Edit1->setText(" /Archive/Old ");
        form3->Edit2->setText("  ");
        form3->Button1->click();
    });
    form2->Button11->click();
    EXPECT_EQ(shown_folder, "/docs/");
    EXPECT_EQ(shown_category, U("共有"));
    EXPECT_EQ(Rows(form2->ListView1)[0], (std::vector<std::string>{"/Archive/Old", "  "}));
    ASSERT_EQ(form2->ListView1->selectedItems().size(), 1);
    EXPECT_EQ(form2->ListView1->selectedItems()[0]->text(0), "/Archive/Old");

    // Delete the selected row; the buttons follow the selection.
    form2->Button5->click();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 3);
    EXPECT_FALSE(form2->Button11->isEnabled());
    form2->Button11->click();  // no selection: nothing happens
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 3);
}

TEST_F(SettingsDialog, ExclusionsAreAddedAsChosen) {
    Show();
    dialogs.open_files = {"/home/u/Notes.txt", "/home/u/Notes.txt", std::nullopt, "/"};
    for (int i = 0; i < 4; ++i) form2->Button6->click();
    dialogs.folders = {"/home/u/Tmp", std::nullopt, "/home/u/A/"};
    for (int i = 0; i < 3; ++i) form2->Button8->click();
    EXPECT_EQ(dialogs.folder_titles, (std::vector<std::string>(3, "Select Foler")));
    EXPECT_EQ(Rows(form2->ListView2),
              (std::vector<std::vector<std::string>>{
                  {"/home/u/A/"}, {"/home/u/Notes.txt"}, {"/home/u/Notes.txt"}, {"/home/u/Tmp/"}}));
    form2->Button1->click();
    std::string ini = folder.Read("daradiv.ini");
    EXPECT_NE(ini.find("[ExtraDir]\r\n/home/u/A/\r\n/home/u/Notes.txt\r\n/home/u/Notes.txt\r\n"
                       "/home/u/Tmp/\r\n"),
              std::string::npos)
        << ini;
}

TEST_F(SettingsDialog, ApplicationWhoseExtensionDiffersInCaseReplacesTheRow) {
    Show();
    AddApplication(".pdf", "/usr/bin/evince");
    AddApplication(".xlsx", " /usr/bin/localc ");
    AddApplication(".PDF", "/usr/bin/okular");
    EXPECT_EQ(Rows(form2->ListView3),
              (std::vector<std::vector<std::string>>{{".PDF", "/usr/bin/okular"},
                                                     {".xlsx", "/usr/bin/localc"}}));
    // An empty extension or path adds nothing.
    AddApplication("", "/usr/bin/x");
    AddApplication(".txt", "  ");
    EXPECT_EQ(form2->ListView3->topLevelItemCount(), 2);
    form2->ListView3->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(form2->Button10->isEnabled());
    form2->Button10->click();
    form2->Button1->click();
    EXPECT_EQ(folder.Read("appset.ini"), ".PDF;;/usr/bin/okular\r\n");
}

TEST_F(SettingsDialog, BrowsingFillsThePathFields) {
    dialogs.folders = {"/Home/User/Docs", std::nullopt, "/"};
    form3->Edit1->setText("before");
    form3->Button3->click();
    EXPECT_EQ(form3->Edit1->text(), "/Home/User/Docs/");
    form3->Button3->click();  // cancelled: unchanged
    EXPECT_EQ(form3->Edit1->text(), "/Home/User/Docs/");
    form3->Button3->click();  // the root stays the root
    EXPECT_EQ(form3->Edit1->text(), "/");

    dialogs.open_files = {"/opt/App Name/run", std::nullopt};
    form4->Edit1->setText("old");
    form4->Button3->click();
    EXPECT_EQ(form4->Edit1->text(), "/opt/App Name/run");
    form4->Button3->click();
    EXPECT_EQ(form4->Edit1->text(), "/opt/App Name/run");
    EXPECT_EQ(form4->ComboBox1->count(), 15);
    EXPECT_EQ(form4->ComboBox1->currentText(), "");
}

TEST_F(SettingsDialog, EnterAndEscapeCloseNoDialog) {
    Show();
    QTest::keyClick(form2->Edit1, Qt::Key_Return);
    QTest::keyClick(form2->Edit1, Qt::Key_Enter);
    QTest::keyClick(form2->Edit1, Qt::Key_Escape);
    QTest::keyClick(form2.get(), Qt::Key_Escape);
    EXPECT_TRUE(form2->isVisible());

    // In the modal dialogs: keys first, then Cancel ends the loop.
    bool form3_open = false, form4_open = false;
    WhenModal([&] {
        QTest::keyClick(form3->Edit1, Qt::Key_Return);
        QTest::keyClick(form3->Edit2, Qt::Key_Escape);
        QTest::keyClick(form3.get(), Qt::Key_Escape);
        form3_open = form3->isVisible();
        form3->Button2->click();
    });
    EXPECT_EQ(form3->ShowModal(), TForm3::kCancel);
    WhenModal([&] {
        QTest::keyClick(form4->Edit1, Qt::Key_Enter);
        QTest::keyClick(form4->ComboBox1, Qt::Key_Return);
        QTest::keyClick(form4.get(), Qt::Key_Escape);
        form4_open = form4->isVisible();
        form4->close();  // the close box gives Cancel
    });
    EXPECT_EQ(form4->ShowModal(), TForm4::kCancel);
    EXPECT_TRUE(form3_open);
    EXPECT_TRUE(form4_open);
    EXPECT_EQ(form4->ComboBox1->count(), 15);  // Enter added no item

    // Enter on a focused button presses it.
    WhenModal([&] {
        form3->Button1->setFocus();
        QTest::keyClick(form3->Button1, Qt::Key_Return);
    });
    EXPECT_EQ(form3->ShowModal(), TForm3::kOk);
}

// A daradiv.ini row written by a Shift_JIS editor: "/home/u/" 文書 "/" in Shift_JIS.
constexpr const char* kShiftJisRow = "/home/u/\x95\xB6\x8F\x91/;;\x95\xB6\x8F\x91\r\n";

TEST_F(SettingsDialog, AFileThatCannotBeReadWholeIsNamedAndNothingIsSavedOverIt) {
    const std::string ruvudar = "[COMMON]\r\nSCTYP=2\r\nTIME1=0\r\nTIME2=7\r\nTIME3=30\r\nRHIGHT=150\r\n";
    const std::string daradiv = std::string("[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.pdf\r\n\r\n"
                                            "[SearchDir]\r\n/home/u/docs/;;文書\r\n") +
                                kShiftJisRow + "\r\n[ExtraDir]\r\n/home/u/docs/tmp/\r\n";
    const std::string appset = ".pdf;;/usr/bin/evince\r\n";
    folder.Write("ruvudar.ini", ruvudar);
    folder.Write("daradiv.ini", daradiv);
    folder.Write("appset.ini", appset);
    auto unchanged = [&](const char* step) {
        EXPECT_EQ(folder.Read("ruvudar.ini"), ruvudar) << step;
        EXPECT_EQ(folder.Read("daradiv.ini"), daradiv) << step;
        EXPECT_EQ(folder.Read("appset.ini"), appset) << step;
    };

    Show();
    QCoreApplication::processEvents();
    const std::string named = folder.File("daradiv.ini") +
                              " の 9 行目を読み込めません（UTF-8 ではない文字があります）";
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              named + "\nこのファイルを直して設定画面を開き直すまで、設定は保存されません。");
    // The other files are loaded all the same.
    EXPECT_TRUE(form2->RadioButton2->isChecked());
    EXPECT_EQ(form2->Edit5->text(), "150");
    EXPECT_EQ(Rows(form2->ListView3), (std::vector<std::vector<std::string>>{{".pdf", "/usr/bin/evince"}}));
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 0);

    // OK, the update button and a scheduled update, each declined: nothing is written.
    dialogs.confirm = false;
    form2->Button1->click();
    EXPECT_TRUE(form2->isVisible());
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0],
              named + "\nこのファイルの内容は画面に読み込まれていません。\n"
                      "画面の設定でこのファイルを置き換えますか？（元の内容は失われます）|確認");
    unchanged("OK");
    form2->Button3->click();
    EXPECT_EQ(form2->Update().UpdateRunning, 0);
    unchanged("update now");
    form2->StartIndexer();
    unchanged("schedule");
    form2->Timer1Timer();
    unchanged("poll");

    // Mended with an editor while the dialog is open: the dialog still holds none of it.
    folder.Write("daradiv.ini", "[SearchDir]\r\n/home/u/docs/;;文書\r\n");
    form2->Button1->click();
    EXPECT_EQ(dialogs.questions.size(), 3u);
    EXPECT_EQ(folder.Read("daradiv.ini"), "[SearchDir]\r\n/home/u/docs/;;文書\r\n");
    // Showing it again loads the mended file, and saving needs no question.
    form2->hide();
    Show();
    EXPECT_EQ(form2->ListView1->topLevelItemCount(), 1);
    form2->Button1->click();
    EXPECT_EQ(dialogs.questions.size(), 3u);
    EXPECT_FALSE(form2->isVisible());
    EXPECT_NE(folder.Read("daradiv.ini").find("/home/u/docs/;;文書\r\n"), std::string::npos);
}

TEST_F(SettingsDialog, ABadApplicationTableAloneKeepsAllThreeAndCanBeReplacedOnRequest) {
    folder.Write("daradiv.ini", "[Common]\r\n");
    folder.Write("appset.ini", ".pdf;;/usr/bin/evince\r\n.doc;;/usr/bin/\xFF\r\n");
    folder.Write("ruvudar.ini", "[COMMON]\r\nRHIGHT=150\r\n");
    form2->Edit1->setText("kept?");
    Show();
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].substr(0, dialogs.errors[0].find('\n')),
              folder.File("appset.ini") + " の 2 行目を読み込めません（UTF-8 ではない文字があります）");
    EXPECT_EQ(form2->Edit1->text(), "");  // reset like every other control
    EXPECT_TRUE(form2->isVisible());

    dialogs.confirm = false;
    form2->Button1->click();
    EXPECT_EQ(folder.Read("daradiv.ini"), "[Common]\r\n");
    EXPECT_EQ(folder.Read("appset.ini"), ".pdf;;/usr/bin/evince\r\n.doc;;/usr/bin/\xFF\r\n");
    EXPECT_EQ(folder.Read("ruvudar.ini"), "[COMMON]\r\nRHIGHT=150\r\n");

    // The user agrees to replace it: the dialog's settings are written.
    dialogs.confirm = true;
    form2->Button1->click();
    EXPECT_EQ(dialogs.questions.size(), 2u);
    EXPECT_FALSE(form2->isVisible());
    EXPECT_EQ(folder.Read("appset.ini"), "");
    EXPECT_NE(folder.Read("ruvudar.ini").find("RHIGHT=150\r\n"), std::string::npos);
}

}  // namespace
