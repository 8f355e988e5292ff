// Extraction in worker processes: a fixed number of daradiv-worker processes, each given one
// document at a time. A document whose worker fails, crashes, or runs past the time limit
// costs that document only: the worker is replaced and the run goes on.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "daradiv/worker_protocol.h"

namespace daradiv {

struct WorkerLimits {
    std::chrono::milliseconds per_document{60'000};
    long long address_space_bytes = 1ll << 30;  // 0: no cap
};

class WorkerPool {
public:
    // Called for each request, in the calling thread, as its result arrives (in any order).
    using ResultHandler = std::function<void(size_t index, WorkerResult result)>;

    WorkerPool(std::string worker_executable, int workers, WorkerLimits limits);
    // Ends every worker that is still running.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Extracts every request and reports each result exactly once. Throws AppError when a
    // worker cannot be started at all (the run must not go on without extraction).
    void Run(const std::vector<WorkerRequest>& requests, const ResultHandler& on_result);
    // The same for count requests made one at a time as they are handed out, so a run of
    // many documents holds no list of them all.
    using RequestMaker = std::function<WorkerRequest(size_t index)>;
    void Run(size_t count, const RequestMaker& request_of, const ResultHandler& on_result);

private:
    struct Worker {
        pid_t pid = -1;
        int to_worker = -1;    // its stdin
        int from_worker = -1;  // its stdout
        bool busy = false;
        size_t request = 0;
        std::chrono::steady_clock::time_point started;
        std::chrono::steady_clock::time_point deadline;  // later when the worker asks for time
        FrameReader reader;
    };

    bool Start(Worker& w);
    // Ends a worker (SIGKILL unless it already ended) and returns why it stopped.
    std::string Stop(Worker& w, bool kill_it);

    std::string executable_;
    WorkerLimits limits_;
    std::vector<Worker> workers_;
};

}  // namespace daradiv
