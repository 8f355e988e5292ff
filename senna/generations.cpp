// Generation folders are named <name>.g<N>.<random>, N counting up; the random part makes
// every generation's name unique, so a cached open database is never taken for a newer
// generation that reuses a number.
#include "senna/generations.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace senna {

namespace {

constexpr const char kIdentityFile[] = "identity";
constexpr const char kLeaseFile[] = "lease";

struct Name {
    std::string parent;  // folder holding the index name, without a trailing slash
    std::string base;    // the index name itself
};

Name SplitName(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return {".", p};
    return {slash == 0 ? "/" : p.substr(0, slash), p.substr(slash + 1)};
}

std::string Join(const std::string& parent, const std::string& name) {
    return parent == "/" ? "/" + name : parent + "/" + name;
}

// The N of a generation folder name base.g<N>.<hex>, or -1 when name is not one.
long long GenerationNumber(const std::string& base, const std::string& name) {
    const std::string prefix = base + ".g";
    if (name.compare(0, prefix.size(), prefix) != 0) return -1;
    size_t i = prefix.size();
    long long n = 0;
    size_t start = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - start < 15)
        n = n * 10 + (name[i++] - '0');
    if (i == start || i >= name.size() || name[i] != '.' || i + 1 == name.size()) return -1;
    for (size_t j = i + 1; j < name.size(); ++j)
        if (!std::isxdigit(static_cast<unsigned char>(name[j]))) return -1;
    return n;
}

bool IsLeftoverLink(const std::string& base, const std::string& name) {
    const std::string prefix = base + ".link";
    return name.compare(0, prefix.size(), prefix) == 0;
}

std::string RandomHex() {
    std::random_device rd;
    unsigned long long v = (static_cast<unsigned long long>(rd()) << 32) ^ rd();
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", v);
    return buf;
}

// Copies a file keeping its holes: Groonga's files are large and mostly unallocated.
bool CopySparseFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    int out = -1;
    bool ok = ::fstat(in, &st) == 0 &&
              (out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                            st.st_mode & 0777)) >= 0 &&
              ::ftruncate(out, st.st_size) == 0;
    std::vector<char> buf;
    off_t pos = 0;
    while (ok && pos < st.st_size) {
        off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0) break;  // only a hole is left
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0) hole = st.st_size;
        off_t src = data, dst = data;
        while (ok && src < hole) {
            ssize_t n = ::copy_file_range(in, &src, out, &dst, static_cast<size_t>(hole - src), 0);
            if (n > 0) continue;
            if (n == 0) break;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL) {
                ok = false;
                break;
            }
            // No in-kernel copy between these files: read and write.
            buf.resize(1 << 20);
            while (ok && src < hole) {
                ssize_t r = ::pread(in, buf.data(), std::min<off_t>(hole - src, buf.size()), src);
                ok = r > 0 && ::pwrite(out, buf.data(), static_cast<size_t>(r), dst) == r;
                src += r;
                dst += r;
            }
        }
        pos = hole;
    }
    if (out >= 0 && ::close(out) != 0) ok = false;
    ::close(in);
    return ok;
}

bool SyncPath(const std::string& p, bool directory) {
    int fd = ::open(p.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string ResolveCurrent(const std::string& path) {
    Name n = SplitName(path);
    char buf[4096];
    ssize_t len = ::readlink(Join(n.parent, n.base).c_str(), buf, sizeof buf - 1);
    if (len <= 0) return "";
    std::string target(buf, static_cast<size_t>(len));
    // Only links we made: a generation folder beside the name.
    if (GenerationNumber(n.base, target) < 0) return "";
    std::string dir = Join(n.parent, target);
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
    return dir;
}

std::string MakeNextGeneration(const std::string& path) {
    Name n = SplitName(path);
    long long top = 0;
    std::error_code ec;
    for (fs::directory_iterator it(n.parent, ec), end; !ec && it != end; it.increment(ec))
        top = std::max(top, GenerationNumber(n.base, it->path().filename().string()));
    if (ec) return "";
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string dir =
            Join(n.parent, n.base + ".g" + std::to_string(top + 1 + attempt) + "." + RandomHex());
        if (::mkdir(dir.c_str(), 0755) == 0) return dir;
        if (errno != EEXIST) return "";
    }
    return "";
}

bool CopyGenerationFiles(const std::string& from, const std::string& to) {
    std::error_code ec;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->path().filename() == kIdentityFile ||
            it->path().filename() == kLeaseFile)
            continue;
        if (!CopySparseFile(it->path().string(), (fs::path(to) / it->path().filename()).string()))
            return false;
    }
    return !ec;
}

bool SwitchTo(const std::string& path, const std::string& dir) {
    Name n = SplitName(path);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && !SyncPath(it->path().string(), false)) return false;
    if (ec || !SyncPath(dir, true)) return false;
    std::string link = Join(n.parent, n.base + ".link" + std::to_string(::getpid()));
    ::unlink(link.c_str());
    std::string target = SplitName(dir).base;
    if (::symlink(target.c_str(), link.c_str()) != 0) return false;
    if (::rename(link.c_str(), Join(n.parent, n.base).c_str()) != 0) {
        ::unlink(link.c_str());
        return false;
    }
    SyncPath(n.parent, true);
    return true;
}

std::unique_ptr<Lease> Lease::Take(const std::string& dir) {
    int fd = ::open((dir + "/" + kLeaseFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    // A remover holds the lock exclusively while it removes: then the folder is going away.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<Lease>(new Lease(fd));
}

Lease::~Lease() { ::close(fd_); }

bool RemoveStale(const std::string& path) {
    Name n = SplitName(path);
    std::string current = ResolveCurrent(path);
    std::string current_name = current.empty() ? "" : SplitName(current).base;
    std::error_code ec;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(n.parent, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == current_name) continue;
        if (GenerationNumber(n.base, name) >= 0 || IsLeftoverLink(n.base, name))
            doomed.push_back(it->path());
    }
    if (ec) return false;
    bool ok = true;
    for (const fs::path& p : doomed) {
        int fd = -1;
        if (fs::is_directory(fs::symlink_status(p, ec))) {
            // A folder some process holds stays for a later run.
            fd = ::open((p / kLeaseFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                continue;
            }
        }
        fs::remove_all(p, ec);
        if (ec) ok = false;
        if (fd >= 0) ::close(fd);
    }
    return ok;
}

void RemoveGeneration(const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

long long FolderSize(const std::string& dir) {
    long long total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        struct stat st;
        if (::stat(it->path().c_str(), &st) == 0)
            total += static_cast<long long>(st.st_blocks) * 512;
    }
    return total;
}

std::optional<sen_file_identity> ReadIdentity(const std::string& dir) {
    std::ifstream in(dir + "/" + kIdentityFile);
    sen_file_identity id{};
    if (!(in >> id.size >> id.mtime_ns >> id.inode)) return std::nullopt;
    return id;
}

bool WriteIdentity(const std::string& dir, const sen_file_identity& id) {
    std::string tmp = dir + "/" + kIdentityFile + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << id.size << ' ' << id.mtime_ns << ' ' << id.inode << '\n';
        out.flush();
        if (!out) return false;
    }
    return ::rename(tmp.c_str(), (dir + "/" + kIdentityFile).c_str()) == 0;
}

}  // namespace senna
