#include "documents/open_document.h"

#include <filesystem>
#include <optional>

#include "config/application_table.h"
#include "platform/program_files.h"
#include "platform/desktop.h"
#include "text/text_rules.h"

namespace {

bool IsExecutableFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return false;
    fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    return (st.permissions() & exec) != fs::perms::none;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string DocumentExtension(const std::string& path) {
    size_t name_at = path.rfind('/');
    name_at = name_at == std::string::npos ? 0 : name_at + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < name_at) return {};
    return LowerCase(std::string_view(path).substr(dot));
}

std::string ChooseApplication(const std::string& path, const std::string& app_dir,
                              const std::string& fallback) {
    std::vector<ApplicationRow> rows =
        ReadApplicationTable(app_dir + program_files::kApplicationTable);
    std::optional<std::string> application = FindApplication(rows, DocumentExtension(path));
    return application ? *application : fallback;
}

std::vector<std::string> DocumentCommand(const std::string& application, const std::string& path) {
    std::vector<std::string> argv;
    if (IsExecutableFile(application)) {
        argv.push_back(application);
    } else {
        size_t i = 0;
        while (i < application.size()) {
            while (i < application.size() && IsBlank(application[i])) ++i;
            size_t start = i;
            while (i < application.size() && !IsBlank(application[i])) ++i;
            if (i > start) argv.push_back(application.substr(start, i - start));
        }
    }
    if (argv.empty()) return argv;
    argv.push_back(path);
    return argv;
}

bool OpenDocument(const std::string& path, const std::string& app_dir, Processes& processes) {
    std::string fallback = DefaultOpener();
    if (fallback.empty()) fallback = DesktopTextEditor();
    std::vector<std::string> argv =
        DocumentCommand(ChooseApplication(path, app_dir, fallback), path);
    if (argv.empty()) return false;
    return processes.Spawn(argv);
}

std::string DocumentFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool OpenDocumentFolder(const std::string& path, Processes& processes) {
    std::string folder = DocumentFolder(path);
    std::string opener = DefaultOpener();
    if (folder.empty() || opener.empty()) return false;
    return processes.Spawn({opener, folder});
}
