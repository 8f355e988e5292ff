// Search benchmark. Builds (once, cached under /var/tmp/ruvudar-bench/, keyed by seed and
// size, after checking the free space) a program folder with an information file, catalogue
// pairs and a full-text index over generated mixed Japanese and Latin documents of 2 to 20 KB
// (1 to 4 KB above 100,000 documents), then times RunSearch plus
// SortResults for a few kinds of keyword in a process that only searches, and prints
//   case=NAME docs=N p50_ms=X p95_ms=Y hits=H
// per case and that process's peak resident memory.
//
// Usage: search_bench [--docs N[,N...]] [--runs R] [--cache DIR]
//        search_bench --search DIR N RUNS index|noindex [CASE]   (one corpus, no building)
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// Generates the documents of one corpus from its seed. Words follow a Zipf-like law over a
// vocabulary of 3000 Japanese and 3000 Latin words; besides, about one word in 1500 is taken
// from a tail of 20000 longer Latin words, each of which is then rare. Short documents (1 to
// 4 KB, for the largest corpora) keep a million of them within reach of one disk.
class CorpusGenerator {
  public:
    CorpusGenerator(uint32_t seed, bool short_docs) : rng_(seed), short_docs_(short_docs) {
        // Kanji and kana without 東, 京, 共 and 通; Latin syllables without q and x.
        const char* kanji[] = {"山", "川", "田", "中", "大", "小", "日", "本", "人", "年",
                               "月", "時", "国", "会", "社", "学", "生", "事", "自", "分",
                               "気", "電", "話", "車", "駅", "道", "海", "空", "雨", "風",
                               "書", "類", "報", "告", "資", "料", "計", "画", "予", "算"};
        const char* kana[] = {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ",
                              "さ", "し", "す", "せ", "そ", "た", "ち", "つ", "て", "と",
                              "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ",
                              "サ", "シ", "ス", "セ", "ソ", "タ", "チ", "ツ", "テ", "ト"};
        for (const char* c : kanji) chars_.push_back(c);
        for (const char* c : kana) chars_.push_back(c);
        const char* syllables[] = {"ka",  "ri", "to",  "men", "sa", "lo",  "dri", "ven", "us",
                                   "par", "be", "ton", "gi",  "ra", "mo",  "nel", "fi",  "ste",
                                   "cor", "da", "pin", "wu",  "he", "lan", "ou",  "ber", "ti"};
        for (const char* s : syllables) syllables_.push_back(s);
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
        for (int i = 0; i < 20000; ++i) {
            std::string w;
            for (int k = 0; k < 4; ++k) w += syllables[rng_() % 27];
            tail_.push_back(w);
        }
    }

    std::string Text(int doc) {
        size_t target = short_docs_ ? 1024 + rng_() % (3 * 1024) : 2048 + rng_() % (18 * 1024);
        std::string text;
        text.reserve(target + 64);
        std::vector<std::string> planted = {kEvery};
        if (rng_() % 10000 == 0 || doc % 9973 == 17) planted.push_back(kRare);
        if (rng_() % 5 == 0) planted.push_back(kCommonA);
        if (rng_() % 5 == 0) planted.push_back(kCommonB);
        if (rng_() % 20 == 0) planted.push_back(kOrA);
        if (rng_() % 20 == 0) planted.push_back(kOrB);
        while (text.size() < target) {
            if (rng_() % 1500 == 0) {
                text += tail_[rng_() % tail_.size()];
            } else {
                // Zipf-like: small indexes far more often.
                double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
                size_t i =
                    static_cast<size_t>(std::pow(u, 3.0) * static_cast<double>(words_.size()));
                text += words_[std::min(i, words_.size() - 1)];
            }
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

    // Keywords drawn from the vocabulary itself, so that every letter pair of them is
    // common in the corpus: chosen the same way for every corpus of a seed.
    struct Keywords {
        std::string rare_latin;     // one word of the tail: a handful of documents
        std::string absent_latin;   // four syllables that no word holds
        std::string misspelt;       // a frequent Latin word with two letters swapped
        std::string absent_japanese;  // four characters that no word holds
    };
    Keywords PickKeywords() const {
        std::vector<std::string> all;  // every word, folded as the index sees it
        for (const std::string& w : words_) all.push_back(FoldedCopy(NormalizedCopy(w)));
        for (const std::string& w : tail_) all.push_back(FoldedCopy(NormalizedCopy(w)));
        auto held = [&](const std::string& s) {
            std::string f = FoldedCopy(NormalizedCopy(s));
            for (const std::string& w : all)
                if (w.find(f) != std::string::npos) return true;
            return false;
        };
        // Letter pairs of the 300 most frequent words of each script.
        std::vector<std::string> frequent(words_.begin(), words_.begin() + 300);
        frequent.insert(frequent.end(), words_.begin() + 3000, words_.begin() + 3300);
        auto common_pairs = [&](const std::string& s) {
            std::string f = FoldedCopy(NormalizedCopy(s));
            std::vector<size_t> starts;  // UTF-8 character starts
            for (size_t k = 0; k < f.size(); ++k)
                if ((static_cast<unsigned char>(f[k]) & 0xc0) != 0x80) starts.push_back(k);
            starts.push_back(f.size());
            for (size_t k = 0; k + 2 < starts.size(); ++k) {
                std::string pair = f.substr(starts[k], starts[k + 2] - starts[k]);
                bool found = false;
                for (const std::string& w : frequent)
                    if (FoldedCopy(NormalizedCopy(w)).find(pair) != std::string::npos) {
                        found = true;
                        break;
                    }
                if (!found) return false;
            }
            return true;
        };
        Keywords k;
        std::mt19937 pick(7);
        for (const std::string& w : tail_) {
            if (common_pairs(w)) {
                k.rare_latin = w;
                break;
            }
        }
        for (int tries = 0; tries < 100000 && k.absent_latin.empty(); ++tries) {
            std::string w;
            for (int n = 0; n < 4; ++n) w += syllables_[pick() % syllables_.size()];
            if (common_pairs(w) && !held(w)) k.absent_latin = w;
        }
        for (size_t i = 3000; i < words_.size() && k.misspelt.empty(); ++i) {
            std::string w = words_[i];
            if (w.size() < 7 || w[0] < 'a') continue;
            std::swap(w[w.size() / 2], w[w.size() / 2 + 1]);
            if (w[w.size() / 2] != w[w.size() / 2 + 1] && common_pairs(w) && !held(w))
                k.misspelt = w;
        }
        for (int tries = 0; tries < 100000 && k.absent_japanese.empty(); ++tries) {
            std::string w;
            for (int n = 0; n < 4; ++n) w += chars_[pick() % chars_.size()];
            if (common_pairs(w) && !held(w)) k.absent_japanese = w;
        }
        return k;
    }

  private:
    std::mt19937 rng_;
    bool short_docs_;
    std::vector<std::string> chars_;
    std::vector<std::string> syllables_;
    std::vector<std::string> words_;
    std::vector<std::string> tail_;
};

// Corpora above this size are made of short documents.
constexpr int kShortDocsAbove = 100000;

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
    CorpusGenerator gen(seed, docs > kShortDocsAbove);
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
        CorpusGenerator::Keywords k =
            CorpusGenerator(kSeed, docs > kShortDocsAbove).PickKeywords();
        std::printf("keywords: rare_latin=%s absent_latin=%s misspelt_latin=%s absent_japanese=%s\n",
                    k.rare_latin.c_str(), k.absent_latin.c_str(), k.misspelt.c_str(),
                    k.absent_japanese.c_str());
        cases = {{"rare_term", kRare},
                 {"rare_latin_common_pairs", k.rare_latin},
                 {"absent_latin_common_pairs", k.absent_latin},
                 {"misspelt_latin", k.misspelt},
                 {"absent_japanese_common_chars", k.absent_japanese},
                 {"two_common_groups", std::string(kCommonA) + " " + kCommonB},
                 {"or_group", std::string("(") + kOrA + " " + kOrB + ")"},
                 {"every_document", kEvery}};
    } else {
        cases = {{"noindex_rare_term", kRare},
                 {"noindex_two_common_groups", std::string(kCommonA) + " " + kCommonB}};
    }
    {
        // The first search of the process: the information file read and parsed, the index
        // opened.
        state.Keyword = cases.front().keyword;
        auto t0 = std::chrono::steady_clock::now();
        RunSearch(state);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::printf("first_search_ms=%.1f docs=%d rss_mb=%.1f\n", ms, docs, StatusKb("VmRSS:") / 1024.0);
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

// Bytes a corpus takes on disk: its text twice (shown and folded catalogues) and an index
// about as large again as the text, with room to spare.
double CorpusBytes(int docs) {
    double text = docs > kShortDocsAbove ? 2.6e3 : 11.5e3;
    return static_cast<double>(docs) * text * 4.0 + 1e9;
}

// False, with a message, when the corpus would not fit in the free space of dir.
bool EnoughSpace(const fs::path& dir, int docs) {
    struct statvfs st;
    if (::statvfs(dir.c_str(), &st) != 0) Fail("cannot read the free space of " + dir.string());
    double free_bytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
    double need = CorpusBytes(docs);
    if (free_bytes >= need) return true;
    std::fprintf(stderr,
                 "search_bench: the corpus of %d documents needs about %.1f GB in %s, but only "
                 "%.1f GB are free; not building it\n",
                 docs, need / 1e9, dir.c_str(), free_bytes / 1e9);
    return false;
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
            fs::create_directories(cache);
            if (!EnoughSpace(cache, docs)) return 1;
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
