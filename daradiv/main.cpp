// daradiv: the indexer. Started by the viewer as "daradiv -j"; works on the program folder of
// platform/program_folder (its own executable's folder, or the user's folder of an installed
// copy), or on the folder the viewer names:
//   --program-folder=DIR  the program folder to work on
// Further switches are for tests and benchmarks:
//   --time-limit=SECONDS  extraction time per document (default 60)
//   --workers=N           number of extraction processes (default 2)
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "daradiv/index_run.h"
#include "platform/program_files.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    daradiv::RunOptions options;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == program_files::kIndexerSwitch) continue;
        if (arg.rfind("--time-limit=", 0) == 0) {
            long seconds = std::atol(arg.c_str() + std::strlen("--time-limit="));
            if (seconds > 0) options.limits.per_document = std::chrono::seconds(seconds);
        } else if (arg.rfind(program_files::kIndexerFolderOption, 0) == 0) {
            folder = arg.substr(std::strlen(program_files::kIndexerFolderOption));
            if (folder.empty()) {
                std::cerr << "daradiv: empty " << program_files::kIndexerFolderOption << "\n";
                return 2;
            }
            folder = std::filesystem::absolute(folder).string();
            if (folder.back() != '/') folder += '/';
        } else if (arg.rfind("--workers=", 0) == 0) {
            int n = std::atoi(arg.c_str() + std::strlen("--workers="));
            if (n > 0 && n <= 64) options.workers = n;
        } else {
            std::cerr << "daradiv: unknown argument " << arg << "\n";
            return 2;
        }
    }
    std::string executables = program_folder::ExecutableFolder();
    if (executables.empty()) {
        std::cerr << "daradiv: 実行ファイルの場所を読めません\n";
        return 1;
    }
    try {
        options.app_dir = folder.empty() ? program_folder::ProgramFolderFor(executables) : folder;
    } catch (const std::exception& e) {
        std::cerr << "daradiv: " << e.what() << "\n";
        return 1;
    }
    options.worker_executable = executables + program_files::kWorkerExecutable;
    return daradiv::RunIndexer(options);
}
