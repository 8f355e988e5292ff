// Indexes a generated corpus with the real daradiv in a program folder of its own and prints
// one line per case: case=NAME docs=N seconds=S docs_per_s=R, plus peak memory (indexer and
// workers summed), the CPU time per document of the indexer and of its workers (the figure
// that holds when other work shares the cores), the size of the index files against the
// extracted text, and after each run everything the program folder holds on disk against
// what the current index uses.
// Corpora above 100,000 documents, or any with --short-docs, use 1 to 4 KB of text each; the
// free space is checked before anything is written. --full-only stops after the first full
// run, or, with --per-format, runs each format alone after it.
//   index_bench [--docs=N] [--dir=PATH] [--no-per-format] [--full-only] [--per-format]
//               [--short-docs]
#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "bench/index_bench/corpus.h"
#include "config/indexer_config.h"
#include "platform/program_files.h"
#include "index_control/update_log.h"
#include "search/index_files.h"
#include "senna/senna.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

// Resident memory in KiB: all of it, and the part that maps files (the index files mapped
// by Groonga, which the kernel may drop and read again) apart from the private part.
struct Rss {
    long total = 0, file = 0;
    Rss& operator+=(const Rss& o) {
        total += o.total;
        file += o.file;
        return *this;
    }
};

Rss RssKib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    Rss r;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) r.total = std::atol(line.c_str() + 6);
        else if (line.rfind("RssFile:", 0) == 0) r.file = std::atol(line.c_str() + 8);
    }
    return r;
}

// The resident memory of pid and its children (the workers), summed.
Rss TreeRssKib(pid_t pid) {
    Rss total = RssKib(pid);
    DIR* d = opendir("/proc");
    if (!d) return total;
    while (struct dirent* e = readdir(d)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string s;
        std::getline(stat, s);
        size_t close = s.rfind(')');
        if (close == std::string::npos) continue;
        int ppid = 0;
        char state;
        if (sscanf(s.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == pid)
            total += RssKib(std::atoi(e->d_name));
    }
    closedir(d);
    return total;
}

// Disk space allocated to the files under dir, the program's own executables left out.
long long DiskUse(const std::string& dir) {
    long long total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string name = it->path().filename().string();
        if (name == "daradiv" || name == "daradiv-worker" || name == "libsenna.so") continue;
        struct stat st;
        if (::stat(it->path().c_str(), &st) == 0) total += static_cast<long long>(st.st_blocks) * 512;
    }
    return total;
}

// Bytes a corpus takes with its index: the documents (Office and PDF files hold more than
// their text) and, in the program folder, two catalogues and an index about as large again.
double NeededBytes(int docs, bool short_docs) {
    double text = short_docs ? 2.5e3 : 11e3;
    return static_cast<double>(docs) * text * 6.0 + 2e9;
}

// CPU seconds a process has used (user + system), and those of the children it has waited
// for, read from /proc before it is reaped.
struct CpuSeconds {
    double self = 0, children = 0;
};

std::optional<CpuSeconds> ProcessCpu(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string s;
    if (!std::getline(in, s)) return std::nullopt;
    size_t close = s.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    // Fields after the name: state(3) ... utime(14) stime(15) cutime(16) cstime(17).
    std::istringstream fields(s.substr(close + 2));
    std::string f;
    long long v[18] = {};
    for (int i = 3; i <= 17 && fields >> f; ++i) v[i] = std::atoll(f.c_str());
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    return CpuSeconds{(v[14] + v[15]) / tick, (v[16] + v[17]) / tick};
}

double Seconds(const struct timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

struct RunResult {
    double seconds = 0;
    double indexer_cpu = 0;  // seconds, the indexer process alone
    double workers_cpu = 0;  // seconds, all its workers
    long peak_kib = 0;
    long peak_file_kib = 0;  // the file-mapped part at the peak
    std::string summary;
};

class Bench {
public:
    Bench(std::string root) : root_(std::move(root)) {}

    std::string app(const std::string& name) const { return root_ + "/" + name + "/"; }

    void MakeApp(const std::string& name) {
        fs::remove_all(app(name));
        fs::create_directories(app(name));
        for (const char* f : {"daradiv", "daradiv-worker", "libsenna.so"})
            fs::copy_file(fs::path(RUVUDAR_APPDIR_BUILD) / f, app(name) + f);
    }

    void Configure(const std::string& name, const std::string& extensions, bool rebuild) {
        IndexerConfig config;
        config.Rebuild = rebuild;
        config.ExtraExtensions = extensions;
        config.Folders = {{root_ + "/docs/", "bench"}};
        WriteIndexerConfig(app(name) + program_files::kIndexerConfig, config);
    }

    RunResult Run(const std::string& name) {
        std::string exe = app(name) + program_files::kIndexerExecutable;
        std::vector<char*> argv = {exe.data(), const_cast<char*>("-j"), nullptr};
        auto start = std::chrono::steady_clock::now();
        pid_t pid = -1;
        if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            std::perror("posix_spawn");
            std::exit(1);
        }
        std::atomic<bool> done{false};
        std::atomic<long> peak{0}, peak_file{0};
        std::thread sampler([&] {
            while (!done) {
                Rss rss = TreeRssKib(pid);
                if (rss.total > peak) {
                    peak = rss.total;
                    peak_file = rss.file;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        // Wait without reaping first: the ended indexer's own CPU time and its workers' stay
        // readable in /proc until then.
        siginfo_t info;
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
        }
        std::optional<CpuSeconds> cpu = ProcessCpu(pid);
        int status = 0;
        struct rusage usage;
        wait4(pid, &status, 0, &usage);
        RunResult r;
        // The reaped total (finer than clock ticks) less the workers' part.
        double total_cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        r.workers_cpu = cpu ? cpu->children : 0;
        r.indexer_cpu = total_cpu - r.workers_cpu;
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done = true;
        sampler.join();
        r.peak_kib = peak;
        r.peak_file_kib = peak_file;
        UpdateLogReading reading = UpdateLogStatus(ReadUpdateLog(app(name)));
        r.summary = reading.status.value_or("");
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::fprintf(stderr, "daradiv failed: %s\n", r.summary.c_str());
        return r;
    }

    // Bytes of the current index files and of the text they hold; index, when given,
    // receives the part that is the full-text index alone.
    void Sizes(const std::string& name, long long* files, long long* text, long long* index = nullptr) {
        std::string info = app(name) + program_files::kInformationFile;
        *files = static_cast<long long>(fs::file_size(info));
        *text = 0;
        std::set<int> catalogues;
        for (const std::string& line : SplitLines(ReadFileBytes(info).value_or(""))) {
            index_files::DocumentLine d = index_files::ParseDocumentLine(line);
            if (d.offset < 0) continue;
            *text += d.text_length;
            catalogues.insert(d.catalogue);
        }
        for (int n : catalogues) {
            *files += static_cast<long long>(fs::file_size(app(name) + index_files::DisplayCatalogueName(n)));
            *files += static_cast<long long>(fs::file_size(app(name) + index_files::FoldedCatalogueName(n)));
        }
        long long index_bytes = sen_index_disk_size((app(name) + program_files::kIndexName).c_str());
        *files += index_bytes;
        if (index) *index = index_bytes;
    }

    const std::string root_;
};

void PrintCase(const std::string& name, size_t docs, const RunResult& r) {
    std::printf("case=%s docs=%zu seconds=%.3f docs_per_s=%.1f peak_mib=%.1f (file-mapped %.1f)\n",
                name.c_str(), docs, r.seconds, r.seconds > 0 ? docs / r.seconds : 0.0,
                r.peak_kib / 1024.0, r.peak_file_kib / 1024.0);
    const double per = docs > 0 ? 1000.0 / static_cast<double>(docs) : 0.0;
    std::printf("  cpu: indexer_ms_per_doc=%.2f workers_ms_per_doc=%.2f total_ms_per_doc=%.2f "
                "(indexer %.1f s, workers %.1f s)\n",
                r.indexer_cpu * per, r.workers_cpu * per, (r.indexer_cpu + r.workers_cpu) * per,
                r.indexer_cpu, r.workers_cpu);
    std::printf("  summary: %s\n", r.summary.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    int docs = 10'000;
    std::string root = "/tmp/index_bench";
    bool per_format = true;
    bool full_only = false;  // the first full run and its sizes, nothing after
    bool per_format_after_full = false;  // with --full-only: each format alone, too
    bool short_option = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--docs=", 0) == 0) docs = std::atoi(a.c_str() + 7);
        else if (a.rfind("--dir=", 0) == 0) root = a.substr(6);
        else if (a == "--no-per-format") per_format = false;
        else if (a == "--full-only") full_only = true;
        else if (a == "--per-format") per_format_after_full = true;
        else if (a == "--short-docs") short_option = true;
    }
    Bench bench(root);
    fs::remove_all(root);
    fs::create_directories(root + "/docs");
    const bool short_docs = short_option || docs > 100'000;
    struct statvfs st;
    if (::statvfs(root.c_str(), &st) == 0) {
        double free_bytes = static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize);
        double need = NeededBytes(docs, short_docs);
        if (free_bytes < need) {
            std::fprintf(stderr,
                         "index_bench: %d documents with their index need about %.1f GB in %s, "
                         "but only %.1f GB are free; not writing the corpus\n",
                         docs, need / 1e9, root.c_str(), free_bytes / 1e9);
            return 1;
        }
    }
    auto t0 = std::chrono::steady_clock::now();
    std::vector<bench::CorpusFile> corpus =
        bench::WriteCorpus(root + "/docs", docs, 20240105, short_docs);
    std::printf("corpus: %d documents written in %.1f s\n", docs,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());

    const std::string all = ".txt : .html : .docx : .xlsx : .pdf : .odt";
    bench.MakeApp("app");
    bench.Configure("app", all, true);
    RunResult full = bench.Run("app");
    PrintCase("full", corpus.size(), full);
    long long files = 0, text = 0, index = 0;
    bench.Sizes("app", &files, &text, &index);
    std::printf("size: index_files=%lld index=%lld extracted_text=%lld ratio=%.2f\n", files, index, text,
                text > 0 ? double(files) / double(text) : 0.0);
    auto print_disk = [&](const char* when) {
        long long in_use = 0, text_now = 0;
        bench.Sizes("app", &in_use, &text_now);
        long long disk = DiskUse(bench.app("app"));
        std::printf("  disk after %s: on_disk=%lld current=%lld ratio=%.3f\n", when, disk, in_use,
                    in_use > 0 ? double(disk) / double(in_use) : 0.0);
        std::fflush(stdout);
    };
    print_disk("full");
    auto run_per_format = [&]() {
        for (const std::string& f : bench::kFormats) {
            std::string name = "app" + f.substr(1);
            bench.MakeApp(name);
            bench.Configure(name, f, true);
            RunResult r = bench.Run(name);
            size_t n = 0;
            for (const auto& c : corpus) n += c.format == f;
            PrintCase("full_format" + f, n, r);
            fs::remove_all(bench.app(name));
        }
    };
    if (full_only) {
        if (per_format_after_full) run_per_format();
        return 0;
    }

    bench.Configure("app", all, false);
    RunResult same = bench.Run("app");
    PrintCase("unchanged", corpus.size(), same);

    // Updates with 1% of the documents changed each time: ten, then two more, the second of
    // which passes a tenth of changed documents and rebuilds the index from the stored texts.
    const size_t step = 100;
    auto change_one_percent = [&](int round) {
        for (size_t i = static_cast<size_t>(round) % step; i < corpus.size(); i += step)
            bench::RewriteDocument(corpus[i], 1000u + static_cast<uint32_t>(i + round * 7919),
                                   short_docs);
        RunResult changed = bench.Run("app");
        // docs: the documents changed, which is what an update should cost in proportion to.
        PrintCase("changed_1pct_round" + std::to_string(round + 1), corpus.size() / step, changed);
        long long round_files = 0, round_text = 0, round_index = 0;
        bench.Sizes("app", &round_files, &round_text, &round_index);
        std::printf("  size: index_files=%lld index=%lld\n", round_files, round_index);
        print_disk(("round" + std::to_string(round + 1)).c_str());
    };
    for (int round = 0; round < 10; ++round) change_one_percent(round);
    long long files10 = 0, text10 = 0;
    bench.Sizes("app", &files10, &text10);
    for (int round = 10; round < 12; ++round) change_one_percent(round);
    bench.Configure("app", all, true);
    RunResult rebuilt = bench.Run("app");
    bench.Configure("app", all, false);
    bench.Run("app");
    long long files_fresh = 0, text_fresh = 0;
    bench.Sizes("app", &files_fresh, &text_fresh);
    std::printf("size_after_ten_updates: index_files=%lld fresh_full=%lld ratio=%.3f (fresh full run %.1f s)\n",
                files10, files_fresh, files_fresh > 0 ? double(files10) / double(files_fresh) : 0.0,
                rebuilt.seconds);

    if (per_format) run_per_format();
    return 0;
}
