// One run of the indexer: reads daradiv.ini, finds the documents, extracts what changed in
// worker processes, writes new catalogues, a new index generation and the information file
// beside the old ones and puts them in place at the end, and writes the update log.
#pragma once

#include <string>

#include "daradiv/worker_pool.h"

namespace daradiv {

struct RunOptions {
    std::string app_dir;            // the program folder, with a trailing "/"
    std::string worker_executable;  // daradiv-worker in the program folder
    int workers = 2;
    WorkerLimits limits;
};

// Runs the indexer and returns the process exit code: 0 when the index is up to date, 1 when
// the run ended on an error (the index in use is then the previous one; the log says why).
int RunIndexer(const RunOptions& options);

}  // namespace daradiv
