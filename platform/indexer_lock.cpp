#include "platform/indexer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/program_files.h"

namespace {

std::string LockPath(const std::string& app_dir) { return app_dir + program_files::kIndexerLock; }

}  // namespace

int AcquireIndexerLock(const std::string& app_dir) {
    int fd = ::open(LockPath(app_dir).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    // The ID is written over the start before the rest is cut, so a reader never sees an
    // empty file while a longer old ID is replaced: the first line is always whole.
    std::string id = std::to_string(::getpid()) + "\n";
    if (::pwrite(fd, id.data(), id.size(), 0) == static_cast<ssize_t>(id.size()))
        (void)::ftruncate(fd, static_cast<off_t>(id.size()));
    return fd;
}

void ReleaseIndexerLock(int fd) {
    if (fd >= 0) ::close(fd);
}

int ReadIndexerLockId(const std::string& app_dir) {
    int fd = ::open(LockPath(app_dir).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char buf[32];
    ssize_t n;
    do {
        n = ::read(fd, buf, sizeof buf - 1);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    if (n <= 0) return 0;
    buf[n] = '\0';
    char* end = nullptr;
    long id = std::strtol(buf, &end, 10);
    if (end == buf || (*end != '\n' && *end != '\0') || id <= 0 || id > 0x3FFFFFFF) return 0;
    return static_cast<int>(id);
}
