// Search benchmark. Builds (once, cached under /var/tmp/ruvudar-bench/, keyed by seed and
// size) a program folder with an information file, catalogue pairs and a full-text index
// over generated mixed Japanese and Latin documents of 2 to 20 KB, then times RunSearch plus
// SortResults for a few kinds of keyword in a process that only searches, and prints
//   case=NAME docs=N p50_ms=X p95_ms=Y hits=H
// per case and that process's peak resident memory.
//
// Usage: search_bench [--docs N[,N...]] [--runs R] [--cache DIR]
//        search_bench --search DIR N RUNS index|noindex [CASE]   (one corpus, no building)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "state/viewer_state.h"
#include "search/index_files.h"
#include "search/normalize.h"
#include "search/run_search.h"
#include "search/sort_results.h"
#include "senna/senna.h"

namespace fs = std::filesystem;
using namespace index_files;

namespace {

constexpr uint32_t kSeed = 20240611;
constexpr const char* kFolder = "/bench/docs/";

// Planted words: the generator's own words never contain them.
constexpr const char* kRare = "qxzrare";  // about 1 document in 10,000
constexpr const char* kCommonA = "東京";  // about 20 % of documents each
constexpr const char* kCommonB = "qxsystem";
constexpr const char* kOrA = "qxalpha";  // about 5 % each
constexpr const char* kOrB = "qxbeta";
constexpr const char* kEvery = "共通";  // every document

// Generates the documents of one corpus from its seed.
class CorpusGenerator {
  public:
    explicit CorpusGenerator(uint32_t seed) : rng_(seed) {
        // Kanji and kana without 東, 京, 共 and 通; Latin syllables without q and x.
        const char* kanji[] = {"山", "川", "田", "中", "大", "小", "日", "本", "人", "年",
                               "月", "時", "国", "会", "社", "学", "生", "事", "自", "分",
                               "気", "電", "話", "車", "駅", "道", "海", "空", "雨", "風",
                               "書", "類", "報", "告", "資", "料", "計", "画", "予", "算"};
        const char* kana[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ",
                              "さ", "し", "す", "せ", "そ", "た", "ち", "つ", "て", "と",
                              "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ",
                              "サ", "シ", "ス", "セ", "ソ", "タ", "チ", "ツ", "テ", "ト"};
        const char* syllables[] = {"ka",  "ri", "to",  "men", "sa", "lo",  "dri", "ven", "us",
                                   "par", "be", "ton", "gi",  "ra", "mo",  "nel", "fi",  "ste",
                                   "cor", "da", "pin", "wu",  "he", "lan", "ou",  "ber", "ti"};
        for (int i = 0; i < 3000; ++i) {
            std::string w;
            int n = 2 + static_cast<int>(rng_() % 3);
            for (int k = 0; k < n; ++k)
                w += (rng_() % 3 == 0) ? kana[rng_() % 40] : kanji[rng_() % 40];
            words_.push_back(w);
        }
        for (int i = 0; i < 3000; ++i) {
            std::string w;
            int n = 1 + static_cast<int>(rng_() % 3);
            for (int k = 0; k < n; ++k) w += syllables[rng_() % 27];
            if (rng_() % 5 == 0) w[0] = static_cast<char>(w[0] - 32);  // some capitals
            words_.push_back(w);
        }
    }

    std::string Text(int doc) {
        size_t target = 2048 + rng_() % (18 * 1024);
        std::string text;
        text.reserve(target + 64);
        std::vector<std::string> planted = {kEvery};
        if (rng_() % 10000 == 0 || doc % 9973 == 17) planted.push_back(kRare);
        if (rng_() % 5 == 0) planted.push_back(kCommonA);
        if (rng_() % 5 == 0) planted.push_back(kCommonB);
        if (rng_() % 20 == 0) planted.push_back(kOrA);
        if (rng_() % 20 == 0) planted.push_back(kOrB);
        while (text.size() < target) {
            // Zipf-like: small indexes far more often.
            double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
            size_t i = static_cast<size_t>(std::pow(u, 3.0) * static_cast<double>(words_.size()));
            text += words_[std::min(i, words_.size() - 1)];
            text += (rng_() % 12 == 0) ? "。\n" : " ";
            if (!planted.empty() && rng_() % 200 == 0) {
                text += planted.back();
                text += ' ';
                planted.pop_back();
            }
        }
        for (const std::string& p : planted) text += " " + p;
        return text;
    }

  private:
    std::mt19937 rng_;
    std::vector<std::string> words_;
};

void Fail(const std::string& what) {
    std::fprintf(stderr, "search_bench: %s\n", what.c_str());
    std::exit(1);
}

// Builds the corpus folder: catalogues of at most 256 MB, the information file and the
// index, then a marker that it is complete.
void BuildCorpus(const fs::path& dir, int docs, uint32_t seed) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string app = dir.string() + "/";
    CorpusGenerator gen(seed);
    sen_init();
    sen_index* index = sen_index_create_next((app + "sindex").c_str(), 0);
    if (index == nullptr) Fail("cannot create the index");
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(docs));
    CatalogueWriter writer;
    int32_t catalogue = 1;
    writer.Open(app + DisplayCatalogueName(catalogue), app + FoldedCatalogueName(catalogue), true);
    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < docs; ++i) {
        if (writer.size() > (256 << 20)) {
            writer.Close();
            ++catalogue;
            writer.Open(app + DisplayCatalogueName(catalogue), app + FoldedCatalogueName(catalogue),
                        true);
        }
        std::string path = std::string(kFolder) + "sub" + std::to_string(i % 97) + "/文書" +
                           std::to_string(i) + ".txt";
        std::string text = NormalizedCopy(gen.Text(i));
        std::optional<RecordPlacement> at = writer.Append(path, text);
        if (!at) Fail("catalogue full");
        DocumentLine line;
        line.path = path;
        line.date = std::to_string(20200101 + (i * 37) % 50000);
        line.extra = "0";
        line.size = static_cast<int64_t>(text.size());
        line.catalogue = catalogue;
        line.path_length = at->path_length;
        line.text_length = at->text_length;
        line.offset = at->offset;
        lines.push_back(*FormatDocumentLine(line));
        std::string folded_path = FoldedCopy(path);
        std::string folded_text = FoldedCopy(text);
        if (sen_index_put(index, std::to_string(i + 1).c_str(), folded_path.data(),
                          static_cast<unsigned>(folded_path.size()), folded_text.data(),
                          static_cast<unsigned>(folded_text.size())) != sen_success)
            Fail("cannot index document " + std::to_string(i + 1));
        if ((i + 1) % 10000 == 0) {
            double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            std::fprintf(stderr, "  built %d of %d documents (%.0f s)\n", i + 1, docs, s);
        }
    }
    writer.Close();
    FileIdentity id = WriteStagedInformationFile(app + "sindexi.dat.new", lines);
    sen_file_identity sid = ToSenna(id);
    sen_index_set_info_identity(index, &sid);
    if (sen_index_publish(index) != sen_success) Fail("cannot publish the index");
    PublishInformationFile(app + "sindexi.dat.new", app + "sindexi.dat");
    sen_fin();
    std::ofstream(dir / "complete") << docs << " " << seed << "\n";
}

// A program folder without an index: links to the corpus files.
fs::path NoIndexFolder(const fs::path& corpus) {
    fs::path dir = corpus.string() + "-noindex";
    if (fs::exists(dir / "sindexi.dat")) return dir;
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(corpus)) {
        std::string name = entry.path().filename().string();
        if (name.ends_with(".dat")) fs::create_symlink(entry.path(), dir / name);
    }
    return dir;
}

// A field of /proc/self/status in KiB, -1 when absent.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

long PeakRssKb() { return StatusKb("VmHWM:"); }

double CpuMs() {
    struct rusage ru;
    ::getrusage(RUSAGE_SELF, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

struct Case {
    const char* name;
    std::string keyword;
};

// Runs every case in dir and prints its line; the process does nothing else.
void SearchCorpus(const fs::path& dir, int docs, int runs, bool with_index,
                  const std::string& only) {
    ViewerState state;
    state.AppDir = dir.string() + "/";
    state.AllocateBuffers();
    state.SearchDirs = {std::string(kFolder) + ";;Docs"};
    state.CheckedCategories = {"Docs"};
    std::vector<Case> cases;
    if (with_index) {
        cases = {{"rare_term", kRare},
                 {"two_common_groups", std::string(kCommonA) + " " + kCommonB},
                 {"or_group", std::string("(") + kOrA + " " + kOrB + ")"},
                 {"every_document", kEvery}};
    } else {
        cases = {{"noindex_rare_term", kRare},
                 {"noindex_two_common_groups", std::string(kCommonA) + " " + kCommonB}};
    }
    for (const Case& c : cases) {
        if (!only.empty() && only != c.name) continue;
        std::vector<double> ms, cpu;
        size_t hits = 0;
        for (int r = 0; r < runs + 1; ++r) {
            state.Keyword = c.keyword;
            double c0 = CpuMs();
            auto t0 = std::chrono::steady_clock::now();
            RunSearch(state);
            if (state.Results.size() >= 2)
                SortResults(state, state.SortKey, 0, static_cast<int>(state.Results.size()) - 1);
            auto t1 = std::chrono::steady_clock::now();
            double c1 = CpuMs();
            if (r > 0) {
                ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                cpu.push_back(c1 - c0);
            }
            hits = state.Results.size();  // the first run warms the caches and is not counted
        }
        std::sort(ms.begin(), ms.end());
        double p50 = ms[ms.size() / 2];
        double p95 = ms[std::min(ms.size() - 1, (ms.size() * 95 + 99) / 100 - 1)];
        std::printf("case=%s docs=%d p50_ms=%.2f p95_ms=%.2f hits=%zu\n", c.name, docs, p50, p95,
                    hits);
        // CPU time of the process alone: steadier than wall time on a busy machine.
        std::sort(cpu.begin(), cpu.end());
        std::printf("  cpu case=%s p50_ms=%.2f p95_ms=%.2f\n", c.name, cpu[cpu.size() / 2],
                    cpu[std::min(cpu.size() - 1, (cpu.size() * 95 + 99) / 100 - 1)]);
        std::fflush(stdout);
    }
    double buffers_mb =
        static_cast<double>(2 * kBodyBufferSize + 2 * kHeadBufferSize) / (1024.0 * 1024.0);
    std::printf("peak_rss_mb=%.1f docs=%d index=%s buffers_mb=%.1f above_buffers_mb=%.1f\n",
                PeakRssKb() / 1024.0, docs, with_index ? "yes" : "no", buffers_mb,
                PeakRssKb() / 1024.0 - buffers_mb);
    // What is resident at the end: memory of its own, and pages of mapped index files.
    std::printf("  now: rss_anon_mb=%.1f rss_file_mb=%.1f\n", StatusKb("RssAnon:") / 1024.0,
                StatusKb("RssFile:") / 1024.0);
    std::fflush(stdout);
}

int RunChild(const std::vector<std::string>& args) {
    std::fflush(stdout);
    pid_t pid = ::fork();
    if (pid < 0) Fail("fork");
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    if (args.size() == 5 && args[1] == "--build-corpus") {
        BuildCorpus(args[2], std::atoi(args[3].c_str()),
                    static_cast<uint32_t>(std::strtoul(args[4].c_str(), nullptr, 10)));
        return 0;
    }
    if ((args.size() == 6 || args.size() == 7) && args[1] == "--search") {
        SearchCorpus(args[2], std::atoi(args[3].c_str()), std::atoi(args[4].c_str()),
                     args[5] == "index", args.size() == 7 ? args[6] : std::string());
        return 0;
    }
    std::vector<int> sizes = {10000, 100000};
    int runs = 20;
    fs::path cache = "/var/tmp/ruvudar-bench";
    for (size_t i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--docs") {
            sizes.clear();
            for (char* tok = std::strtok(argv[i + 1], ","); tok; tok = std::strtok(nullptr, ","))
                sizes.push_back(std::atoi(tok));
        } else if (args[i] == "--runs") {
            runs = std::max(1, std::atoi(args[i + 1].c_str()));
        } else if (args[i] == "--cache") {
            cache = args[i + 1];
        }
    }
    for (int docs : sizes) {
        fs::path dir = cache / ("seed" + std::to_string(kSeed) + "-docs" + std::to_string(docs));
        if (!fs::exists(dir / "complete")) {
            std::fprintf(stderr, "building the corpus of %d documents in %s\n", docs, dir.c_str());
            if (RunChild({args[0], "--build-corpus", dir.string(), std::to_string(docs),
                          std::to_string(kSeed)}) != 0)
                Fail("building the corpus failed");
        }
        if (RunChild({args[0], "--search", dir.string(), std::to_string(docs), std::to_string(runs),
                      "index"}) != 0)
            Fail("search failed");
        if (docs <= 10000 &&
            RunChild({args[0], "--search", NoIndexFolder(dir).string(), std::to_string(docs),
                      std::to_string(std::max(3, runs / 4)), "noindex"}) != 0)
            Fail("search without index failed");
    }
    return 0;
}
