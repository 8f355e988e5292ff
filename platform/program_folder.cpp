#include "platform/program_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/program_files.h"
#include "text/app_error.h"

namespace program_folder {

namespace {

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsAbsolute(const char* path) { return path && path[0] == '/'; }

// HOME, or the user's entry in the password database when HOME is unset.
const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_dir : nullptr;
}

}  // namespace

std::string ExecutablePath() {
    std::vector<char> buf(4096);
    while (true) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string ExecutableFolder() {
    std::string exe = ExecutablePath();
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

bool IsPerUserInstall(const std::string& executable_folder) {
    std::error_code ignored;
    return !executable_folder.empty() &&
           std::filesystem::is_regular_file(executable_folder + program_files::kPerUserMarker,
                                            ignored);
}

std::string PerUserFolder(const char* xdg_data_home, const char* home) {
    std::string base;
    if (IsAbsolute(xdg_data_home)) {
        base = WithSlash(xdg_data_home);
    } else if (IsAbsolute(home)) {
        base = WithSlash(home) + ".local/share/";
    } else {
        return {};
    }
    return base + program_files::kPerUserFolderName + "/";
}

std::string InstalledReadmeFolder(const std::string& executable_folder) {
    if (!IsPerUserInstall(executable_folder)) return {};
    std::string docs = executable_folder + "../../share/doc/" + program_files::kPerUserFolderName + "/";
    return std::filesystem::path(docs).lexically_normal().string();
}

std::string ProgramFolderFor(const std::string& executable_folder) {
    if (!IsPerUserInstall(executable_folder)) return executable_folder;
    std::string folder = PerUserFolder(std::getenv("XDG_DATA_HOME"), HomeFolder());
    if (folder.empty()) throw AppError("ユーザーのフォルダが見つかりません");
    // The data home may be missing on a new account; the program's own folder is private.
    std::error_code error;
    std::filesystem::path own(folder.substr(0, folder.size() - 1));
    std::filesystem::create_directories(own.parent_path(), error);
    ::mkdir(own.c_str(), 0700);  // an existing folder keeps its mode
    if (!std::filesystem::is_directory(own, error)) throw AppError(folder + " を作成できません");
    return folder;
}

}  // namespace program_folder
