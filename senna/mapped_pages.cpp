#include "senna/mapped_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace senna {

namespace {

size_t AdviseMappedPages(const std::string& dir, int advice) {
    if (dir.empty()) return 0;
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps) return 0;
    const std::string prefix = dir.back() == '/' ? dir : dir + "/";
    size_t dropped = 0;
    char line[4096 + 256];
    while (std::fgets(line, sizeof line, maps)) {
        // start-end perms offset dev inode   path
        unsigned long start = 0, end = 0;
        char perms[8] = {};
        int path_at = 0;
        if (std::sscanf(line, "%lx-%lx %7s %*s %*s %*s %n", &start, &end, perms, &path_at) < 3 ||
            path_at <= 0)
            continue;
        if (perms[3] != 's') continue;  // shared mappings only: private pages would be lost
        std::string_view path(line + path_at);
        while (!path.empty() && (path.back() == '\n' || path.back() == ' ')) path.remove_suffix(1);
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
        if (path.find(" (deleted)") != std::string_view::npos) continue;
        if (madvise(reinterpret_cast<void*>(start), end - start, advice) == 0)
            dropped += end - start;
    }
    std::fclose(maps);
    return dropped;
}

}  // namespace

size_t DropMappedPages(const std::string& dir) { return AdviseMappedPages(dir, MADV_DONTNEED); }

size_t MappedResidentBytes() {
    FILE* statm = std::fopen("/proc/self/statm", "re");
    if (!statm) return 0;
    unsigned long size = 0, resident = 0, shared = 0;  // in pages; shared: file-backed
    int got = std::fscanf(statm, "%lu %lu %lu", &size, &resident, &shared);
    std::fclose(statm);
    static const long page = sysconf(_SC_PAGESIZE);
    return got == 3 && page > 0 ? shared * static_cast<size_t>(page) : 0;
}

size_t PageOutMappedPages(const std::string& dir) { return AdviseMappedPages(dir, MADV_PAGEOUT); }

MappedPagesWatch::MappedPagesWatch(std::string dir, std::chrono::milliseconds interval)
    : dir_(std::move(dir)), interval_(interval), thread_([this] {
          std::unique_lock<std::mutex> lock(mutex_);
          while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
              lock.unlock();
              PageOutMappedPages(dir_);
              lock.lock();
          }
      }) {}

MappedPagesWatch::~MappedPagesWatch() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

}  // namespace senna
