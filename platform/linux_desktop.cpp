#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/desktop.h"

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (!dir.empty()) {
            std::string candidate = dir + "/" + name;
            struct stat st;
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (colon == std::string_view::npos) break;
        dirs.remove_prefix(colon + 1);
    }
    return {};
}

std::string DefaultOpener() { return FindOnPath("xdg-open"); }

std::string DesktopTextEditor() {
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma"}) {
        std::string found = FindOnPath(editor);
        if (!found.empty()) return found;
    }
    return {};
}
