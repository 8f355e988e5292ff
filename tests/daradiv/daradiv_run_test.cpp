// The real daradiv and daradiv-worker, copied with libsenna into a program folder of their
// own, run on small document folders; the result is read back through the viewer's search.
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "state/viewer_state.h"
#include "config/indexer_config.h"
#include "daradiv/extract/extractor.h"
#include "daradiv/file_walker.h"
#include "daradiv/leftovers.h"
#include "tests/daradiv/ocr_pages.h"
#include "platform/program_files.h"
#include "index_control/update_log.h"
#include "search/index_files.h"
#include "search/run_search.h"
#include "text/record_field.h"
#include "tests/support/document_fixtures.h"
#include "text/text_file.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

const char* kCategory = "文書";

class IndexerFolder {
public:
    explicit IndexerFolder(const std::string& tag) {
        root_ = fs::temp_directory_path() / ("daradiv_run_" + tag + "_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "app");
        fs::create_directories(root_ / "docs");
        // Copies, not links: the indexer finds its folder through its own executable.
        for (const char* f : {"daradiv", "daradiv-worker", "libsenna.so"})
            fs::copy_file(fs::path(RUVUDAR_APPDIR_BUILD) / f, root_ / "app" / f);
        app_ = (root_ / "app").string() + "/";
        docs_ = (root_ / "docs").string() + "/";
    }
    ~IndexerFolder() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const std::string& app() const { return app_; }
    const std::string& docs() const { return docs_; }

    void Configure(const std::string& extensions, bool rebuild = false, bool pdf_ocr = false) {
        IndexerConfig config;
        config.Rebuild = rebuild;
        config.PdfOcr = pdf_ocr;
        config.ExtraExtensions = extensions;
        config.Folders = {{docs_, kCategory}};
        ASSERT_TRUE(WriteIndexerConfig(app_ + program_files::kIndexerConfig, config));
    }

    // Writes a document. Unless just_now, its modification time is put a minute back, as for
    // a document written a while before the run (one written as a run starts is read again
    // by the next run).
    std::string Put(const std::string& name, const std::string& text, bool just_now = false) {
        fs::path p = root_ / "docs" / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
        if (!just_now) Backdate(p.string());
        return p.string();
    }

    // Copies a fixture into the documents, written a while before the run as Put writes.
    std::string Copy(const fs::path& from) {
        fs::path p = root_ / "docs" / from.filename();
        fs::copy_file(from, p);
        Backdate(p.string());
        return p.string();
    }

    // Puts a file's modification time a minute back.
    static void Backdate(const std::string& path) {
        struct timespec times[2];
        clock_gettime(CLOCK_REALTIME, &times[1]);
        times[1].tv_sec -= 60;
        times[0] = times[1];
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }

    // Starts the indexer from another working directory.
    pid_t Start() {
        std::string exe = app_ + program_files::kIndexerExecutable;
        std::vector<char*> argv = {exe.data(), const_cast<char*>("-j"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, "/");
        pid_t pid = -1;
        int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        return rc == 0 ? pid : -1;
    }

    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Run() { return Wait(Start()); }

    // The paths of the documents the viewer's search finds for keyword.
    std::set<std::string> Search(const std::string& keyword) {
        ViewerState state;
        state.AppDir = app_;
        state.AllocateBuffers();
        state.SearchDirs = {docs_ + ";;" + kCategory};
        state.CheckedCategories = {kCategory};
        state.Keyword = keyword;
        RunSearch(state);
        std::set<std::string> paths;
        for (const std::string& hit : state.Results) paths.insert(std::string(RecordField(hit, 1)));
        return paths;
    }

    std::vector<std::string> Log() {
        return ReadUpdateLog(app_).value_or(std::vector<std::string>{});
    }

    std::string Summary() {
        UpdateLogReading reading = UpdateLogStatus(ReadUpdateLog(app_));
        return reading.ended && reading.status ? *reading.status : "(not ended)";
    }

    std::string InformationBytes() {
        return ReadFileBytes(app_ + program_files::kInformationFile).value_or("");
    }

    // Name, size, modification time and inode of every file in the program folder, the log
    // left out: what a run that changes nothing must leave alone.
    std::map<std::string, std::string> Snapshot() {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(root_ / "app")) {
            std::string name = e.path().string().substr(app_.size());
            // The log and the lock (which holds the running indexer's process ID) change
            // with every run.
            if (name == program_files::kUpdateLog || name == program_files::kIndexerLock) continue;
            struct stat st;
            lstat(e.path().c_str(), &st);
            std::ostringstream s;
            s << st.st_size << "/" << st.st_mtim.tv_sec << "." << st.st_mtim.tv_nsec << "/" << st.st_ino;
            files[name] = s.str();
        }
        return files;
    }

private:
    fs::path root_;
    std::string app_;
    std::string docs_;
};

bool EndsWithSummary(const std::string& summary) {
    return std::regex_search(summary, std::regex("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
}

// Processes running the executable at path.
int ProcessesRunning(const std::string& path) {
    int n = 0;
    for (const auto& e : fs::directory_iterator("/proc")) {
        std::error_code ec;
        fs::path exe = fs::read_symlink(e.path() / "exe", ec);
        if (!ec && exe == path) ++n;
    }
    return n;
}

std::string Field(const std::string& line, int n) { return std::string(RecordField(line, n)); }

}  // namespace

TEST(DaradivRun, PlantedWordsAreFoundInTheirDocumentsAndBrokenFilesAreLogged) {
    IndexerFolder folder("planted");
    std::set<std::string> extensions;
    for (const auto& e : fs::directory_iterator(RUVUDAR_FIXTURES)) {
        std::string name = e.path().filename().string();
        std::string ext = daradiv::LowerExtension(name);
        if (ext.empty() || ext == ".tsv" || ext == ".sh" || ext == ".py") continue;
        fs::copy_file(e.path(), folder.docs() + name);
        extensions.insert(ext);
    }
    std::string width_doc = folder.Put("sub/width.txt", "全角の ＷＩＤＴＨ１２３ と　カタカナ");
    std::string field;
    for (const std::string& ext : extensions) field += (field.empty() ? "" : " : ") + ext;
    folder.Configure(field);

    ASSERT_EQ(folder.Run(), 0) << folder.Summary();
    std::string summary = folder.Summary();
    EXPECT_TRUE(EndsWithSummary(summary)) << summary;

    // Every planted word, of every format that has its reader, is found in its document.
    std::ifstream planted(std::string(RUVUDAR_FIXTURES) + "/planted.tsv");
    std::string row;
    int checked = 0;
    while (std::getline(planted, row)) {
        size_t tab = row.find('\t');
        if (tab == std::string::npos) continue;
        std::string file = row.substr(0, tab), word = row.substr(tab + 1);
        std::string ext = daradiv::LowerExtension(file);
        if (!HasFormatModule(ext) && ext != ".txt" && ext != ".csv") continue;
        EXPECT_EQ(folder.Search(word).count(folder.docs() + file), 1u) << file << " " << word;
        ++checked;
    }
    EXPECT_GT(checked, 20);

    // Either width of the keyword finds text written in either width.
    EXPECT_EQ(folder.Search("width123"), std::set<std::string>{width_doc});
    EXPECT_EQ(folder.Search("ｗｉｄｔｈ"), std::set<std::string>{width_doc});
    EXPECT_EQ(folder.Search("かたかな"), std::set<std::string>{width_doc});

    // Broken containers are named in the log and have no line.
    std::vector<std::string> log = folder.Log();
    std::string info = folder.InformationBytes();
    for (const char* broken : {"broken_truncated.docx", "broken_notzip.xlsx", "broken_garbage.pdf",
                               "broken_notole.doc", "broken_truncated.odt", "broken_nospine.epub"}) {
        if (!HasFormatModule(daradiv::LowerExtension(broken))) continue;
        bool named = false;
        for (const std::string& line : log) named = named || line.find(broken) != std::string::npos;
        EXPECT_TRUE(named) << broken;
        EXPECT_EQ(info.find(broken), std::string::npos) << broken;
    }

    // The document line: date, modification time in seconds, size, record placement.
    for (const std::string& line : SplitLines(info)) {
        if (Field(line, 0) != width_doc) continue;
        struct stat st;
        ASSERT_EQ(stat(width_doc.c_str(), &st), 0);
        char date[16];
        struct tm local;
        localtime_r(&st.st_mtim.tv_sec, &local);
        strftime(date, sizeof date, "%Y%m%d", &local);
        EXPECT_EQ(Field(line, 1), date);
        EXPECT_EQ(Field(line, 2), std::to_string(st.st_mtim.tv_sec));
        EXPECT_EQ(Field(line, 3), std::to_string(st.st_size));
        EXPECT_EQ(Field(line, 5), std::to_string(width_doc.size()));
        std::string catalogue = *ReadFileBytes(folder.app() + "sindex" + Field(line, 4) + ".dat");
        EXPECT_EQ(catalogue.substr(std::stoul(Field(line, 7)), width_doc.size()), width_doc);
    }
}

// Documents in the shapes real files take are found by their planted words and never by
// their hidden ones (a master's prompt); documents that give no text are indexed and
// listed apart from the failures, on every run.
TEST(DaradivRun, ShapedDocumentsAreFoundAndTextlessOnesAreListed) {
    IndexerFolder folder("shaped");
    auto docs = document_fixtures::ShapedDocuments();
    for (const auto& d : docs) folder.Put(d.name, d.bytes);
    std::string empty = folder.Put("empty.txt", "");
    std::string blank = folder.Put("blank.txt", "  \n\t \r\n ");
    std::string broken = folder.Put("broken.doc", "not a document at all");
    folder.Configure(".rtf : .xls : .ppt : .doc : .xml : .xlsx : .docx : .txt");

    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(folder.Run(), 0) << folder.Summary();
        std::string summary = folder.Summary();
        EXPECT_NE(summary.find("失敗 1 件"), std::string::npos) << summary;
        if (run == 0) {
            EXPECT_NE(summary.find("索引 " + std::to_string(docs.size() + 2) + " 件"), std::string::npos)
                << summary;
        }

        std::vector<std::string> log = folder.Log();
        auto line_of = [&](const std::string& path) -> std::string {
            for (const std::string& line : log)
                if (line.rfind(path + " : ", 0) == 0) return line;
            return "";
        };
        EXPECT_EQ(line_of(empty), empty + " : テキストがありません") << run;
        EXPECT_EQ(line_of(blank), blank + " : テキストがありません") << run;
        EXPECT_NE(line_of(broken), "");
        EXPECT_EQ(line_of(broken).find("テキストがありません"), std::string::npos) << line_of(broken);
        size_t heading = std::find(log.begin(), log.end(), "テキストのない文書: 2 件") - log.begin();
        size_t failure = std::find(log.begin(), log.end(), line_of(broken)) - log.begin();
        EXPECT_LT(failure, heading) << "the listing follows the failures";
        EXPECT_LT(heading, log.size());
        for (const auto& d : docs) EXPECT_EQ(line_of(folder.docs() + d.name), "") << d.name;
    }

    for (const auto& d : docs) {
        std::string path = folder.docs() + d.name;
        for (const std::string& w : d.planted)
            EXPECT_EQ(folder.Search(w).count(path), 1u) << d.name << " " << w;
    }
    for (const char* prompt : {"Click to edit", "Master title style", "Second level", "level"})
        EXPECT_TRUE(folder.Search(prompt).empty()) << prompt;
}

TEST(DaradivRun, UpdateKeepsUnchangedDocumentsAndWritesNothingWhenNothingChanged) {
    IndexerFolder folder("update");
    folder.Configure(".txt");
    std::string a = folder.Put("a.txt", "apple alpha");
    std::string b = folder.Put("b.txt", "banana beta");
    std::string c = folder.Put("c.txt", "cherry gamma");
    ASSERT_EQ(folder.Run(), 0);

    auto before = folder.Snapshot();
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 0 件、再利用 3 件"), std::string::npos) << folder.Summary();
    EXPECT_EQ(folder.Snapshot(), before);

    // One changed, one gone, one new; the unchanged line keeps its place.
    folder.Put("a.txt", "apricot alpha two");
    fs::remove(b);
    std::string d = folder.Put("d.txt", "durian delta");
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 2 件、再利用 1 件"), std::string::npos) << folder.Summary();
    EXPECT_EQ(folder.Search("apricot"), std::set<std::string>{a});
    EXPECT_TRUE(folder.Search("apple").empty());
    EXPECT_TRUE(folder.Search("banana").empty());
    EXPECT_EQ(folder.Search("cherry"), std::set<std::string>{c});
    EXPECT_EQ(folder.Search("delta"), std::set<std::string>{d});
    EXPECT_EQ(folder.Search("alpha"), std::set<std::string>{a});

    // A full rebuild gives the same answers.
    folder.Configure(".txt", /*rebuild=*/true);
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 3 件、再利用 0 件"), std::string::npos) << folder.Summary();
    EXPECT_EQ(folder.Search("alpha"), std::set<std::string>{a});
    EXPECT_TRUE(folder.Search("banana").empty());
}

TEST(DaradivRun, ASmallUpdateKeepsEveryOtherLineInItsPlace) {
    // Few changes among many documents: the old lines are carried over and the changed one
    // dies in place, the index is not rebuilt.
    IndexerFolder folder("inplace");
    folder.Configure(".txt");
    std::vector<std::string> paths;
    for (int i = 0; i < 30; ++i)
        paths.push_back(folder.Put("d" + std::to_string(i) + ".txt",
                                   "common word" + std::string(i == 7 ? " seventh" : "") +
                                       " n" + std::to_string(i) + "x"));
    ASSERT_EQ(folder.Run(), 0);
    std::vector<std::string> before = SplitLines(folder.InformationBytes());
    ASSERT_EQ(before.size(), 30u);

    folder.Put("d7.txt", "common word replaced n7x");
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 1 件、再利用 29 件"), std::string::npos) << folder.Summary();
    std::vector<std::string> after = SplitLines(folder.InformationBytes());
    ASSERT_EQ(after.size(), 31u);
    size_t line7 = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        if (Field(before[i], 0) == paths[7]) {
            line7 = i;
            EXPECT_EQ(Field(after[i], 7), "-1");
        } else {
            EXPECT_EQ(after[i], before[i]);
        }
    }
    EXPECT_EQ(Field(after[30], 0), paths[7]);
    EXPECT_EQ(Field(before[line7], 0), paths[7]);
    EXPECT_TRUE(folder.Search("seventh").empty());
    EXPECT_EQ(folder.Search("replaced"), std::set<std::string>{paths[7]});
    EXPECT_EQ(folder.Search("n7x"), std::set<std::string>{paths[7]});
    EXPECT_EQ(folder.Search("n29x"), std::set<std::string>{paths[29]});
    EXPECT_EQ(folder.Search("common").size(), 30u);
}

// Documents rewritten at once after they were indexed, with other words of the same length,
// in the same whole second or even with the very same modification time, are read again:
// the next updates find their new words and not the old ones.
TEST(DaradivRun, ARewriteOfTheSameSizeRightAfterIndexingIsNotMissed) {
    IndexerFolder folder("rewrite");
    folder.Configure(".txt");
    const std::string same_time = folder.Put("same_time.txt", "oldword apple", true);
    const std::string same_second = folder.Put("same_second.txt", "oldterm apple", true);
    ASSERT_EQ(folder.Run(), 0);
    ASSERT_EQ(folder.Search("oldword").size(), 1u);
    ASSERT_EQ(folder.Search("oldterm").size(), 1u);

    struct stat before_time, before_second;
    ASSERT_EQ(stat(same_time.c_str(), &before_time), 0);
    ASSERT_EQ(stat(same_second.c_str(), &before_second), 0);
    folder.Put("same_time.txt", "newword apple", true);
    folder.Put("same_second.txt", "newterm apple", true);
    struct timespec times[2] = {before_time.st_atim, before_time.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, same_time.c_str(), times, 0), 0);
    times[1] = before_second.st_mtim;
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
    times[0] = times[1];
    ASSERT_EQ(utimensat(AT_FDCWD, same_second.c_str(), times, 0), 0);

    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(folder.Run(), 0) << folder.Summary();
        EXPECT_EQ(folder.Search("newword"), std::set<std::string>{same_time}) << run;
        EXPECT_EQ(folder.Search("newterm"), std::set<std::string>{same_second}) << run;
        EXPECT_TRUE(folder.Search("oldword").empty()) << run;
        EXPECT_TRUE(folder.Search("oldterm").empty()) << run;
    }
    // The information file keeps its fields: the time there is still in whole seconds.
    for (const std::string& line : SplitLines(folder.InformationBytes())) {
        if (Field(line, 0) == same_time && Field(line, 7) != "-1") {
            EXPECT_EQ(Field(line, 2), std::to_string(before_time.st_mtim.tv_sec));
        }
    }
    // An index of a version that kept no stamps: size and whole seconds decide, nothing is
    // read again, and the stamps are kept from then on.
    const std::string stamps = folder.app() + "daradivt.dat";
    ASSERT_TRUE(fs::exists(stamps));
    fs::remove(stamps);
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 0 件"), std::string::npos) << folder.Summary();
    EXPECT_TRUE(fs::exists(stamps));
}

// What a run leaves out is named in the log, each on one line with its reason: the text past
// the record limit (and how much), mail parts that cannot be read, files that are no regular
// files, broken and looping links; a line break in a name is shown escaped.
TEST(DaradivRun, NothingIsLeftOutWithoutAWord) {
    IndexerFolder folder("leftout");
    folder.Configure(".txt : .eml");
    const std::string big = folder.Put("big.txt", "firstword " + std::string(5'000'100, 'x'));
    folder.Put("nobound.eml",
               "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed\r\n\r\n"
               "--x\r\nContent-Type: text/plain\r\n\r\nbody\r\n--x--\r\n");
    const std::string docs = folder.docs();
    ASSERT_EQ(mkfifo((docs + "pipe.txt").c_str(), 0644), 0);
    fs::create_symlink("/dev/null", docs + "device.txt");
    fs::create_symlink(docs + "nowhere.txt", docs + "dangling.txt");
    fs::create_symlink(docs + "loop2.txt", docs + "loop1.txt");
    fs::create_symlink(docs + "loop1.txt", docs + "loop2.txt");
    fs::create_symlink(docs + "nowhere.png", docs + "picture.png");  // not a wanted type
    fs::create_directories(docs + "sub");
    fs::create_directory_symlink(docs, docs + "sub/up");
    folder.Put("line\nbreak.txt", "text");

    ASSERT_EQ(folder.Run(), 0) << folder.Summary();
    EXPECT_EQ(folder.Search("firstword"), std::set<std::string>{big});
    // The next update reads nothing again and names the same, as it lists failures again.
    const std::vector<std::string> first_log = folder.Log();
    ASSERT_EQ(folder.Run(), 0) << folder.Summary();
    EXPECT_NE(folder.Summary().find("索引 0 件"), std::string::npos) << folder.Summary();
    const std::vector<std::string> log = folder.Log();
    ASSERT_GT(log.size(), 3u);
    ASSERT_GT(first_log.size(), 3u);
    // Past the summary, the same lines (the first run named them as its workers answered).
    EXPECT_EQ(std::multiset<std::string>(log.begin() + 3, log.end()),
              std::multiset<std::string>(first_log.begin() + 3, first_log.end()));
    auto named = [&](const std::string& name, const std::string& reason) {
        for (const std::string& line : log) {
            if (line.find(name) != std::string::npos && line.find(reason) != std::string::npos)
                return true;
        }
        return false;
    };
    const size_t left_out = 10 + 5'000'100 - 5'000'000;
    EXPECT_TRUE(named("big.txt", "後ろの " + std::to_string(left_out) + " バイトを索引していません"));
    EXPECT_TRUE(named("nobound.eml", "boundary"));
    EXPECT_TRUE(named("pipe.txt", "FIFO"));
    EXPECT_TRUE(named("device.txt", "デバイス"));
    EXPECT_TRUE(named("dangling.txt", "リンク先のない"));
    EXPECT_TRUE(named("loop1.txt", "循環"));
    EXPECT_TRUE(named("loop2.txt", "循環"));
    EXPECT_TRUE(named("sub/up", "循環"));
    EXPECT_TRUE(named("line\\nbreak.txt", "改行"));
    for (const std::string& line : log) {
        EXPECT_EQ(line.find("picture.png"), std::string::npos) << line;
        EXPECT_NE(line.rfind("break.txt", 0), 0u) << "a name cut at its line break: " << line;
    }
}

TEST(DaradivRun, AKilledRunLeavesThePreviousIndexInUse) {
    IndexerFolder folder("killed");
    folder.Configure(".txt");
    std::string first = folder.Put("first.txt", "original walnut text");
    ASSERT_EQ(folder.Run(), 0);
    const std::string info_before = folder.InformationBytes();

    // Enough new documents that the run is still extracting when it is stopped.
    std::string filler(1500, 'x');
    for (int i = 0; i < 1500; ++i)
        folder.Put("many/" + std::to_string(i) + ".txt", "hazelnut " + std::to_string(i) + " " + filler);
    pid_t pid = folder.Start();
    ASSERT_GT(pid, 0);
    bool killed = false;
    for (int polls = 0; polls < 20000 && !killed; ++polls) {
        std::vector<std::string> log = folder.Log();
        if (!log.empty() && log[0].rfind("インデックス更新中 ", 0) == 0) {
            std::smatch m;
            if (std::regex_search(log[0], m, std::regex("(\\d+) / (\\d+)")) && std::stoi(m[1]) > 0) {
                kill(pid, SIGKILL);
                killed = true;
            }
        }
        if (!killed) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    IndexerFolder::Wait(pid);
    ASSERT_TRUE(killed) << "the run ended before it could be stopped";

    // Its workers end with it.
    const std::string worker = folder.app() + program_files::kWorkerExecutable;
    for (int polls = 0; polls < 200 && ProcessesRunning(worker) > 0; ++polls)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ProcessesRunning(worker), 0);

    // The previous index answers as before.
    EXPECT_EQ(folder.InformationBytes(), info_before);
    EXPECT_EQ(folder.Search("walnut"), std::set<std::string>{first});
    EXPECT_TRUE(folder.Search("hazelnut").empty());

    // The next run succeeds and cleans up what the killed one left.
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_TRUE(EndsWithSummary(folder.Summary())) << folder.Summary();
    EXPECT_EQ(folder.Search("walnut"), std::set<std::string>{first});
    EXPECT_EQ(folder.Search("hazelnut 1234"), std::set<std::string>{folder.docs() + "many/1234.txt"});
    EXPECT_EQ(folder.Search("hazelnut").size(), 1500u);

    std::set<int> referenced;
    for (const std::string& info : {info_before, folder.InformationBytes()})
        for (const std::string& line : SplitLines(info)) referenced.insert(std::stoi(Field(line, 4)));
    for (const auto& e : fs::directory_iterator(folder.app())) {
        std::string name = e.path().filename().string();
        int n = daradiv::CatalogueNumberOf(name);
        if (n > 0) {
            EXPECT_EQ(referenced.count(n), 1u) << name;
        }
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        EXPECT_NE(name, daradiv::kStagedInformationFile);
    }
}

TEST(DaradivRun, AMissingConfigurationEndsTheRunWithAReason) {
    IndexerFolder folder("noconfig");
    EXPECT_EQ(folder.Run(), 1);
    std::string summary = folder.Summary();
    EXPECT_TRUE(EndsWithSummary(summary)) << summary;
    EXPECT_NE(summary.find(program_files::kIndexerConfig), std::string::npos) << summary;
    EXPECT_FALSE(fs::exists(folder.app() + program_files::kInformationFile));
}

TEST(DaradivRun, WithoutItsWorkerTheRunFailsAndKeepsTheIndex) {
    IndexerFolder folder("noworker");
    folder.Configure(".txt");
    std::string doc = folder.Put("a.txt", "persimmon");
    ASSERT_EQ(folder.Run(), 0);
    fs::remove(folder.app() + program_files::kWorkerExecutable);
    folder.Put("a.txt", "quince");
    folder.Configure(".txt", /*rebuild=*/true);
    EXPECT_EQ(folder.Run(), 1);
    EXPECT_NE(folder.Summary().find(program_files::kWorkerExecutable), std::string::npos)
        << folder.Summary();
    EXPECT_EQ(folder.Search("persimmon"), std::set<std::string>{doc});
}

TEST(DaradivRun, ConfigurationThatCannotBeReadWholeChangesNothingAndNamesTheLine) {
    // A scheduled update may start while daradiv.ini holds a row in Shift_JIS.
    IndexerFolder folder("badconfig");
    folder.Configure(".txt");
    std::string a = folder.Put("a.txt", "apple alpha");
    ASSERT_EQ(folder.Run(), 0);
    const std::string ini = folder.app() + program_files::kIndexerConfig;
    std::string bytes = ReadFileBytes(ini).value_or("");
    bytes += "/home/u/\x95\xB6\x8F\x91/;;x\r\n";
    std::ofstream(ini, std::ios::binary) << bytes;
    auto before = folder.Snapshot();

    EXPECT_NE(folder.Run(), 0);
    EXPECT_EQ(folder.Snapshot(), before);
    EXPECT_EQ(ReadFileBytes(ini), std::optional<std::string>(bytes));
    std::vector<std::string> log = folder.Log();
    std::string all;
    for (const std::string& line : log) all += line + "\n";
    EXPECT_NE(all.find(ini + " の 11 行目を読み込めません"), std::string::npos) << all;
    EXPECT_EQ(folder.Search("apple"), std::set<std::string>{a});
}

#ifdef RUVUDAR_OCR_FIXTURES
// Pages of known text drawn at 300 dpi, as images and as an image-only PDF, are found
// through the search; broken images and pages are named in the log; an unchanged file is
// not read again.
TEST(DaradivRun, ScannedPagesAndImagesAreReadByOcr) {
    IndexerFolder folder("ocr");
    for (const auto& e : fs::directory_iterator(RUVUDAR_OCR_FIXTURES)) folder.Copy(e.path());
    folder.Configure(".png : .tif : .pdf", false, /*pdf_ocr=*/true);
    ASSERT_EQ(folder.Run(), 0) << folder.Summary();
    ASSERT_TRUE(EndsWithSummary(folder.Summary())) << folder.Summary();

    struct Expect { const ocr_pages::Page* page; const char* file; };
    const Expect expects[] = {
        {&ocr_pages::kHorizontal, "ocr_page.png"}, {&ocr_pages::kHorizontal, "ocr_page.pdf"},
        {&ocr_pages::kVertical, "ocr_vertical.png"}, {&ocr_pages::kTiffFirst, "ocr_pages.tif"},
        {&ocr_pages::kTiffSecond, "ocr_pages.tif"},
    };
    for (const Expect& e : expects) {
        size_t found = 0;
        std::string missing;
        for (const char* word : e.page->planted) {
            if (folder.Search(word).count(folder.docs() + e.file)) ++found;
            else missing += std::string(" ") + word;
        }
        EXPECT_GE(found * 10, e.page->planted.size() * 9) << e.file << " lacks" << missing;
    }

    // The run's OCR line, and the broken inputs named with their reasons.
    std::vector<std::string> log = folder.Log();
    std::string text;
    for (const std::string& line : log) text += line + "\n";
    EXPECT_NE(text.find("文字認識 (OCR): 7 ページ"), std::string::npos) << text;
    EXPECT_NE(text.find("broken_notimage.png : 画像として読めません"), std::string::npos) << text;
    EXPECT_NE(text.find("broken_page.pdf : 文字認識: 2 ページ目"), std::string::npos) << text;
    EXPECT_NE(folder.Summary().find("失敗 1 件"), std::string::npos) << folder.Summary();

    // Unchanged files are kept: nothing is read by OCR again.
    ASSERT_EQ(folder.Run(), 0);
    EXPECT_NE(folder.Summary().find("索引 0 件"), std::string::npos) << folder.Summary();
    text.clear();
    for (const std::string& line : folder.Log()) text += line + "\n";
    EXPECT_EQ(text.find("文字認識 (OCR)"), std::string::npos) << text;
}
#endif
