#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "documents/open_document.h"
#include "documents/save_document_copy.h"
#include "tests/navigation/doubles.h"
#include "text/app_error.h"

namespace fs = std::filesystem;

namespace {

class DocumentsTest : public ::testing::Test {
  protected:
    DocumentsTest() {
        dir_ = fs::temp_directory_path() /
               ("documents_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        app_dir_ = dir_.string() + "/";
    }
    ~DocumentsTest() override { fs::remove_all(dir_); }

    void WriteFile(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string ReadFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }

    fs::path dir_;
    std::string app_dir_;
};

TEST(DocumentExtension, LowerCasedFromTheLastDotOfTheName) {
    EXPECT_EQ(DocumentExtension("/d/Report.DOCX"), ".docx");
    EXPECT_EQ(DocumentExtension("/d/a.tar.GZ"), ".gz");
    EXPECT_EQ(DocumentExtension("/d.dir/README"), "");  // a dot in a folder is no extension
    EXPECT_EQ(DocumentExtension("/d/.profile"), ".profile");
    EXPECT_EQ(DocumentExtension("/d/メモ.ＴＸＴ"), ".ｔｘｔ");
}

TEST(DocumentFolder, TextBeforeTheLastSlash) {
    EXPECT_EQ(DocumentFolder("/d/sub/メモ.txt"), "/d/sub");
    EXPECT_EQ(DocumentFolder("/a.txt"), "/");
    EXPECT_EQ(DocumentFolder("a.txt"), "");
    EXPECT_EQ(DocumentFolder("/d/x.dir/"), "/d/x.dir");
}

TEST_F(DocumentsTest, ApplicationTableLookup) {
    WriteFile(dir_ / "appset.ini",
              "\xEF\xBB\xBF.txt;;first\r\n"
              ".txt;;second\r\n"
              ".PDF;;capital\r\n"
              " .rtf;;blank before\r\n"
              "   \r\n"
              ";;no extension app\r\n"
              ".odt;;office --writer;;ignored\r\n");
    struct Case {
        std::string path, app;
    } cases[] = {
        {"/d/Note.TXT", "first"},  // the document's extension is lower-cased; first wins
        {"/d/a.pdf", "fallback"},  // a line in capitals never matches
        {"/d/a.rtf", "fallback"},  // nor one with a blank before the extension
        {"/d/Makefile", "no extension app"},
        {"/d/a.odt", "office --writer"},
        {"/d/a.doc", "fallback"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseApplication(c.path, app_dir_, "fallback"), c.app) << c.path;
}

TEST_F(DocumentsTest, MissingOrBrokenApplicationTable) {
    EXPECT_EQ(ChooseApplication("/d/a.txt", app_dir_, "fb"), "fb");
    WriteFile(dir_ / "appset.ini", ".txt;;\xFF\xFE\r\n");
    EXPECT_THROW(ChooseApplication("/d/a.txt", app_dir_, "fb"), AppError);
}

TEST_F(DocumentsTest, CommandIsAnArgumentVector) {
    fs::path exe = dir_ / "My Apps" / "edit tool";
    fs::create_directories(exe.parent_path());
    WriteFile(exe, "#!/bin/sh\n");
    ::chmod(exe.c_str(), 0755);
    fs::path plain = dir_ / "not executable";
    WriteFile(plain, "x");

    const std::string doc = "/d/it's \"odd\" & <$x>.txt";
    struct Case {
        std::string app;
        std::vector<std::string> argv;
    } cases[] = {
        {"gedit", {"gedit", doc}},
        {"libreoffice  --writer\t-n", {"libreoffice", "--writer", "-n", doc}},
        {exe.string(), {exe.string(), doc}},  // an executable with blanks stays whole
        {plain.string(), {dir_.string() + "/not", "executable", doc}},
        {"   ", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(DocumentCommand(c.app, doc), c.argv) << c.app;
}

TEST_F(DocumentsTest, OpenDocumentStartsTheTableEntry) {
    WriteFile(dir_ / "appset.ini", ".txt;;viewer -r\r\n.log;;\r\n");
    RecordingProcesses processes;
    RecordingDialogs dialogs;
    EXPECT_TRUE(OpenDocument("/d/x y.TXT", app_dir_, processes, dialogs));
    EXPECT_TRUE(dialogs.errors.empty());
    // An empty entry starts nothing, and says so.
    EXPECT_FALSE(OpenDocument("/d/a.log", app_dir_, processes, dialogs));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{
                                  "/d/a.log を開けませんでした。\n開くためのプログラムが見つかりません"});
    EXPECT_EQ(processes.started,
              (std::vector<std::vector<std::string>>{{"viewer", "-r", "/d/x y.TXT"}}));
}

// Error messages that may arrive from the thread that reaps a started program.
class WaitingDialogs : public RecordingDialogs {
  public:
    void ShowErrorLater(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        later_.push_back(text);
        arrived_.notify_all();
    }
    // The messages once count have arrived (or after 10 seconds).
    std::vector<std::string> Await(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(10), [&] { return later_.size() >= count; });
        return later_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> later_;
};

TEST_F(DocumentsTest, AnOpenerThatCannotStartOrFailsAtOnceIsReported) {
    // Stand-ins: xdg-open with no application for the file, an application that fails, and
    // one that opens the document.
    fs::create_directories(dir_ / "bin");
    auto script = [&](const fs::path& path, const std::string& body) {
        WriteFile(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), 0755);
    };
    script(dir_ / "bin" / "xdg-open", "exit 3\n");
    script(dir_ / "failing", "exit 1\n");
    script(dir_ / "working", ": > \"$1.opened\"\n");
    const std::string missing = app_dir_ + "missing-viewer";
    WriteFile(dir_ / "appset.ini", ".txt;;" + missing + "\r\n.md;;" + app_dir_ +
                                       "failing\r\n.csv;;" + app_dir_ + "working\r\n");
    const char* old_path = std::getenv("PATH");
    const std::string saved = old_path ? old_path : "";
    ::setenv("PATH", ((dir_ / "bin").string() + ":" + saved).c_str(), 1);

    WaitingDialogs dialogs;
    const std::string txt = app_dir_ + "a b.txt";
    const std::string pdf = app_dir_ + "report.pdf";
    const std::string md = app_dir_ + "notes.md";
    const std::string csv = app_dir_ + "table.csv";
    EXPECT_FALSE(OpenDocument(txt, app_dir_, SystemProcesses(), dialogs));
    EXPECT_TRUE(OpenDocument(pdf, app_dir_, SystemProcesses(), dialogs));
    EXPECT_TRUE(OpenDocument(md, app_dir_, SystemProcesses(), dialogs));
    EXPECT_TRUE(OpenDocument(csv, app_dir_, SystemProcesses(), dialogs));
    // The welcome page's links go to xdg-open the same way.
    const std::string opener = (dir_ / "bin" / "xdg-open").string();
    EXPECT_TRUE(StartOpener({opener, "https://example.org/"}, "https://example.org/",
                            SystemProcesses(), dialogs));
    std::vector<std::string> got = dialogs.Await(4);
    ::setenv("PATH", saved.c_str(), 1);

    std::sort(got.begin(), got.end());
    std::vector<std::string> expected = {
        txt + " を開けませんでした。\n" + missing + ": プログラムが見つかりません",
        pdf + " を開けませんでした。\n" + opener + ": このファイルを開くアプリケーションが見つかりません",
        md + " を開けませんでした。\n" + app_dir_ + "failing: 終了コード 1 で終了しました",
        "https://example.org/ を開けませんでした。\n" + opener +
            ": このファイルを開くアプリケーションが見つかりません",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    // The working one opened it, without a word.
    for (int i = 0; i < 1000 && !fs::exists(csv + ".opened"); ++i) ::usleep(10000);
    EXPECT_TRUE(fs::exists(csv + ".opened"));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(ProposedCopyName, AfterTheLastSeparator) {
    EXPECT_EQ(ProposedCopyName("/home/u/docs/報告.docx", "/"), "報告.docx");
    EXPECT_EQ(ProposedCopyName("a.txt", "/"), "a.txt");
    EXPECT_EQ(ProposedCopyName("C:\\d\\a.txt", "/"), "C:\\d\\a.txt");
    EXPECT_EQ(ProposedCopyName("/d/", "/"), "");
}

TEST_F(DocumentsTest, SaveReplacesAnExistingTarget) {
    fs::path doc = dir_ / "source.txt";
    WriteFile(doc, "new text");
    fs::path target = dir_ / "target.txt";
    WriteFile(target, "old text that is longer");
    RecordingDialogs dialogs;
    dialogs.save_answer = target.string();
    SaveDocumentCopy(doc.string(), "/", dialogs);
    EXPECT_EQ(dialogs.proposed_names, std::vector<std::string>{"source.txt"});
    EXPECT_EQ(ReadFile(target), "new text");
}

TEST_F(DocumentsTest, SaveCancelledOrFailedLeavesTargetAlone) {
    fs::path target = dir_ / "target.txt";
    WriteFile(target, "kept");
    RecordingDialogs dialogs;
    SaveDocumentCopy((dir_ / "gone.txt").string(), "/", dialogs);  // cancelled
    dialogs.save_answer = target.string();
    SaveDocumentCopy((dir_ / "gone.txt").string(), "/", dialogs);  // the document is gone
    SaveDocumentCopy(target.string(), "/", dialogs);               // onto itself
    EXPECT_EQ(dialogs.proposed_names.size(), 3u);
    EXPECT_EQ(ReadFile(target), "kept");
}

}  // namespace
