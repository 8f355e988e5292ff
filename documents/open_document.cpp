#include "documents/open_document.h"

#include <cerrno>
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

std::string OpenFailureMessage(const std::string& target, const std::string& program,
                               const std::string& reason) {
    return target + " を開けませんでした。\n" + program + ": " + reason;
}

std::string StartErrorReason(int error_number) {
    switch (error_number) {
        case ENOENT:
            return "プログラムが見つかりません";
        case EACCES:
        case EPERM:
            return "プログラムを実行する権限がありません";
        case ENOEXEC:
            return "実行できる形式のプログラムではありません";
        default:
            return "プログラムを起動できません（エラー番号 " + std::to_string(error_number) + "）";
    }
}

std::string ExitStatusReason(const std::string& program, int status) {
    if (status > 128) return "シグナル " + std::to_string(status - 128) + " で終了しました";
    size_t slash = program.rfind('/');
    std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
    if (name == "xdg-open") {
        switch (status) {
            case 2:
                return "ファイルが見つかりません";
            case 3:
                return "このファイルを開くアプリケーションが見つかりません";
            case 4:
                return "アプリケーションがファイルを開けませんでした";
        }
    }
    return "終了コード " + std::to_string(status) + " で終了しました";
}

bool StartOpener(const std::vector<std::string>& argv, const std::string& target,
                 Processes& processes, Dialogs& dialogs) {
    if (argv.empty()) {
        dialogs.ShowErrorLater(target + " を開けませんでした。\n開くためのプログラムが見つかりません");
        return false;
    }
    const std::string program = argv[0];
    // The watcher may report after the caller, or the window, is gone: it keeps no reference.
    int error = processes.SpawnWatched(
        argv, kOpenFailureWindow,
        [report = dialogs.LaterErrorReporter(), target, program](int status) {
            report(OpenFailureMessage(target, program, ExitStatusReason(program, status)));
        });
    if (error == 0) return true;
    dialogs.ShowErrorLater(OpenFailureMessage(target, program, StartErrorReason(error)));
    return false;
}

bool OpenDocument(const std::string& path, const std::string& app_dir, Processes& processes,
                  Dialogs& dialogs) {
    std::string fallback = DefaultOpener();
    if (fallback.empty()) fallback = DesktopTextEditor();
    std::vector<std::string> argv =
        DocumentCommand(ChooseApplication(path, app_dir, fallback), path);
    return StartOpener(argv, path, processes, dialogs);
}

std::string DocumentFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool OpenDocumentFolder(const std::string& path, Processes& processes, Dialogs& dialogs) {
    std::string folder = DocumentFolder(path);
    if (folder.empty()) return false;
    std::string opener = DefaultOpener();
    std::vector<std::string> argv;
    if (!opener.empty()) argv = {opener, folder};
    return StartOpener(argv, folder, processes, dialogs);
}
