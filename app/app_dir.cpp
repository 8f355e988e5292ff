#include "app/app_dir.h"

std::string AppDirOf(const std::string& executable_path) {
    size_t slash = executable_path.rfind('/');
    if (slash == std::string::npos) return "./";
    return executable_path.substr(0, slash + 1);
}

std::string FramesetPagePath(const std::string& app_dir) { return app_dir + "page/index.html"; }
