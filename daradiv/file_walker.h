// Finds the documents to index: walks the target folders recursively and keeps the files
// whose extension is wanted and that are not excluded. Paths that cannot be written into a
// document line are left out and reported.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace daradiv {

struct WalkSettings {
    std::vector<std::string> folders;      // target folders, in order
    std::set<std::string> extensions;      // lower-cased, dot included
    std::vector<std::string> exclusions;   // exact paths, or folder prefixes ending in "/"
};

struct FoundFile {
    std::string path;
    std::string extension;  // lower-cased, dot included
    int64_t size = 0;
    int64_t mtime = 0;      // seconds since the epoch
    int64_t mtime_ns = 0;   // the same in nanoseconds, at the file system's resolution
    int64_t ctime_ns = 0;   // status-change time in nanoseconds
};

// Something the walk skipped that the log should name.
struct WalkNote {
    std::string path;
    std::string reason;
};

struct WalkResult {
    std::vector<FoundFile> files;  // each path once, in walk order (names sorted per folder)
    std::vector<WalkNote> notes;
};

// The lower-cased extension of the file name at the end of path ("" when it has none).
std::string LowerExtension(const std::string& path);

// True when path is excluded by one of the entries: equal to an entry, or below an entry
// that ends in "/".
bool IsExcluded(const std::string& path, const std::vector<std::string>& exclusions);

// Walks every folder. Symbolic links are followed, but no folder is entered twice, so a
// link loop ends. Unreadable folders are noted and skipped; so are files whose path holds
// ";;", a line end or bytes that are not UTF-8.
WalkResult WalkFolders(const WalkSettings& settings);

}  // namespace daradiv
