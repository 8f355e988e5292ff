#include "app/app_dir.h"

#include <unistd.h>

#include <vector>

std::string ExecutablePath() {
    std::vector<char> buf(4096);
    while (true) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string AppDirOf(const std::string& executable_path) {
    size_t slash = executable_path.rfind('/');
    if (slash == std::string::npos) return "./";
    return executable_path.substr(0, slash + 1);
}

std::string FramesetPagePath(const std::string& app_dir) { return app_dir + "page/index.html"; }
