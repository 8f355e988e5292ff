// daradiv: the indexer. Started by the viewer as "daradiv -j"; finds its files in the folder
// of its own executable. Further switches are for tests and benchmarks:
//   --time-limit=SECONDS  extraction time per document (default 60)
//   --workers=N           number of extraction processes (default 2)
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "daradiv/index_run.h"
#include "daradiv/program_folder.h"
#include "platform/program_files.h"

int main(int argc, char** argv) {
    daradiv::RunOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == program_files::kIndexerSwitch) continue;
        if (arg.rfind("--time-limit=", 0) == 0) {
            long seconds = std::atol(arg.c_str() + std::strlen("--time-limit="));
            if (seconds > 0) options.limits.per_document = std::chrono::seconds(seconds);
        } else if (arg.rfind("--workers=", 0) == 0) {
            int n = std::atoi(arg.c_str() + std::strlen("--workers="));
            if (n > 0 && n <= 64) options.workers = n;
        } else {
            std::cerr << "daradiv: unknown argument " << arg << "\n";
            return 2;
        }
    }
    try {
        options.app_dir = daradiv::ProgramFolder();
    } catch (const std::exception& e) {
        std::cerr << "daradiv: " << e.what() << "\n";
        return 1;
    }
    options.worker_executable = options.app_dir + program_files::kWorkerExecutable;
    return daradiv::RunIndexer(options);
}
