#include "daradiv/leftovers.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/program_files.h"
#include "senna/senna.h"

namespace daradiv {
namespace {

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent* e = readdir(d)) names.emplace_back(e->d_name);
        closedir(d);
    }
    return names;
}

}  // namespace

int CatalogueNumberOf(const std::string& name) {
    std::string_view rest = name;
    const std::string_view folded = program_files::kFoldedCataloguePrefix;
    const std::string_view display = program_files::kDisplayCataloguePrefix;
    const std::string_view suffix = program_files::kCatalogueSuffix;
    if (rest.substr(0, folded.size()) == folded &&
        rest.size() > folded.size() && rest[folded.size()] >= '1' && rest[folded.size()] <= '9') {
        rest.remove_prefix(folded.size());
    } else if (rest.substr(0, display.size()) == display) {
        rest.remove_prefix(display.size());
    } else {
        return 0;
    }
    if (rest.size() <= suffix.size() || rest.substr(rest.size() - suffix.size()) != suffix) return 0;
    rest.remove_suffix(suffix.size());
    if (rest.empty() || rest.size() > 9 || rest[0] == '0') return 0;
    int n = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

void RemoveLeftovers(const std::string& app_dir, const std::set<int>& referenced) {
    sen_index_remove_stale((app_dir + program_files::kIndexName).c_str());
    unlink((app_dir + kStagedInformationFile).c_str());
    for (const std::string& name : Names(app_dir)) {
        int n = CatalogueNumberOf(name);
        if (n > 0 && referenced.count(n) == 0) unlink((app_dir + name).c_str());
        // Temporary files of a rewrite that was cut short.
        for (const char* file : {program_files::kUpdateLog, "daradivf.dat", "daradivt.dat"}) {
            std::string temp = std::string(file) + ".tmp";
            if (name.size() > temp.size() && name.compare(0, temp.size(), temp) == 0 &&
                name != temp + std::to_string(getpid()))
                unlink((app_dir + name).c_str());
        }
    }
}

int LargestCatalogueNumber(const std::string& app_dir) {
    int largest = 0;
    for (const std::string& name : Names(app_dir)) largest = std::max(largest, CatalogueNumberOf(name));
    return largest;
}

}  // namespace daradiv
