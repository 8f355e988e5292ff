#include "daradiv/file_walker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <functional>
#include <set>
#include <unordered_map>
#include <utility>

#include "search/index_files.h"
#include "text/record_field.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace daradiv {
namespace {

constexpr const char* kUnreadableFolder = "フォルダを読めません";
constexpr const char* kSeparatorInPath = "パスに \";;\" が含まれるため索引できません";
constexpr const char* kLineEndInPath = "パスに改行が含まれるため索引できません";
constexpr const char* kNotUtf8Path = "パスが UTF-8 ではないため索引できません";
constexpr const char* kSemicolonAtEnd = "パスが \";\" で終わるため索引できません";
constexpr const char* kRelativeFolder = "絶対パスではないフォルダは調べません";
constexpr const char* kFifo = "名前付きパイプ (FIFO) のため索引しません";
constexpr const char* kDevice = "デバイスファイルのため索引しません";
constexpr const char* kSocket = "ソケットのため索引しません";
constexpr const char* kDanglingLink = "リンク先のないシンボリックリンクのため索引しません";
constexpr const char* kLinkLoop = "シンボリックリンクが循環しているため索引しません";
constexpr const char* kFolderLoop = "シンボリックリンクが上位のフォルダを指して循環するため辿りません";

int64_t Nanoseconds(const struct timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

class Walker {
public:
    Walker(const WalkSettings& settings, WalkResult& result)
        : settings_(settings), result_(result) {}

    void WalkTop(std::string folder) {
        if (folder.empty()) return;
        if (folder[0] != '/') return Note(folder, kRelativeFolder);
        if (IsExcluded(folder, settings_.exclusions) || IsExcluded(folder + "/", settings_.exclusions))
            return;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            Note(folder, kUnreadableFolder);
            return;
        }
        Walk(folder, st);
    }

private:
    void Note(const std::string& path, const char* reason) {
        result_.notes.push_back({IsValidUtf8(path) ? path : RepairUtf8(path), reason});
    }

    void Walk(const std::string& folder, const struct stat& st) {
        const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
        if (!visited_.insert(id).second) {
            // Seen before: its files are taken once. Back into a folder being walked: a loop.
            if (std::find(open_.begin(), open_.end(), id) != open_.end()) Note(folder, kFolderLoop);
            return;
        }
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) {
            Note(folder, kUnreadableFolder);
            return;
        }
        open_.push_back(id);
        WalkEntries(folder, dir);
        open_.pop_back();
    }

    void WalkEntries(const std::string& folder, DIR* dir) {
        std::vector<std::string> names;
        errno = 0;
        while (struct dirent* e = readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
            names.emplace_back(e->d_name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        const std::string prefix = folder == "/" ? "/" : folder + "/";
        for (const std::string& name : names) {
            std::string path = prefix + name;
            struct stat est;
            if (stat(path.c_str(), &est) != 0) {
                const int error = errno;
                struct stat link;
                if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) continue;  // gone
                // A broken link may have stood for a folder: name it unless its name shows a
                // type that is not indexed.
                std::string extension = LowerExtension(path);
                if (!extension.empty() && settings_.extensions.count(extension) == 0) continue;
                if (IsExcluded(path, settings_.exclusions)) continue;
                Note(path, error == ELOOP ? kLinkLoop : kDanglingLink);
                continue;
            }
            if (S_ISDIR(est.st_mode)) {
                if (IsExcluded(path, settings_.exclusions) ||
                    IsExcluded(path + "/", settings_.exclusions))
                    continue;
                Walk(path, est);
            } else if (S_ISREG(est.st_mode)) {
                TakeFile(std::move(path), est);
            } else if (settings_.extensions.count(LowerExtension(path)) != 0 &&
                       !IsExcluded(path, settings_.exclusions)) {
                Note(path, S_ISFIFO(est.st_mode)   ? kFifo
                           : S_ISSOCK(est.st_mode) ? kSocket
                                                   : kDevice);
            }
        }
    }

    void TakeFile(std::string path, const struct stat& st) {
        std::string extension = LowerExtension(path);
        if (settings_.extensions.count(extension) == 0) return;
        if (IsExcluded(path, settings_.exclusions)) return;
        if (TakenBefore(path)) return;
        const char* refused = !IsValidUtf8(path)                                  ? kNotUtf8Path
                              : path.find(kFieldSeparator) != std::string::npos   ? kSeparatorInPath
                              : path.find_first_of("\r\n") != std::string::npos ? kLineEndInPath
                              : !index_files::IsStorableField(path)               ? kSemicolonAtEnd
                                                                                  : nullptr;
        if (refused != nullptr) {
            refused_.insert(path);
            return Note(path, refused);
        }
        taken_.emplace(std::hash<std::string>{}(path), result_.files.size());
        result_.files.push_back({std::move(path), std::move(extension),
                                 static_cast<int64_t>(st.st_size),
                                 static_cast<int64_t>(st.st_mtim.tv_sec), Nanoseconds(st.st_mtim),
                                 Nanoseconds(st.st_ctim)});
    }

    const WalkSettings& settings_;
    WalkResult& result_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    std::vector<std::pair<dev_t, ino_t>> open_;  // the folders being walked, outermost first
    // Each path is taken once. The files taken are known by the hash of their path and their
    // place in the result, not by a second copy of every path: at a million files that copy
    // would be most of the walk's memory. The few refused are kept whole.
    std::unordered_multimap<size_t, size_t> taken_;
    std::set<std::string> refused_;

    bool TakenBefore(const std::string& path) const {
        auto [first, last] = taken_.equal_range(std::hash<std::string>{}(path));
        for (auto it = first; it != last; ++it) {
            if (result_.files[it->second].path == path) return true;
        }
        return refused_.count(path) > 0;
    }
};

}  // namespace

std::string LowerExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < name_start) return "";
    std::string ext = path.substr(dot);
    return IsValidUtf8(ext) ? LowerCase(ext) : ext;
}

bool IsExcluded(const std::string& path, const std::vector<std::string>& exclusions) {
    for (const std::string& entry : exclusions) {
        if (entry.empty()) continue;
        if (path == entry) return true;
        if (entry.back() == '/' && path.size() > entry.size() &&
            path.compare(0, entry.size(), entry) == 0)
            return true;
    }
    return false;
}

WalkResult WalkFolders(const WalkSettings& settings) {
    WalkResult result;
    Walker walker(settings, result);
    for (const std::string& folder : settings.folders) walker.WalkTop(folder);
    return result;
}

}  // namespace daradiv
