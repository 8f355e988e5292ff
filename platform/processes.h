// Starting, finding and ending processes. The viewer starts the indexer and the applications
// that open documents, finds its own program folder's running indexer and stops it.
#pragma once

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

class Processes {
public:
    virtual ~Processes() = default;
    // Starts argv[0] with the arguments argv[1..], searching PATH when argv[0] has no "/",
    // never through a shell, inheriting no descriptor. Does not wait: the child is reaped
    // when it ends, so none is left as a zombie. False when it could not be started.
    virtual bool Spawn(const std::vector<std::string>& argv) = 0;
    // Starts argv as Spawn does. 0 when it started, else the error number of the failed
    // start (ENOENT: no such program, EACCES: not allowed to run it). When it started and
    // then ends with a failure (an exit status other than 0, or a signal) within window of
    // its start, on_failure gets the exit status (128 + the signal's number for a signal),
    // called on a thread of its own. The default, for stand-ins, is Spawn without watching.
    virtual int SpawnWatched(const std::vector<std::string>& argv, std::chrono::milliseconds window,
                             std::function<void(int)> on_failure) {
        (void)window;
        (void)on_failure;
        return Spawn(argv) ? 0 : ENOENT;
    }
    // The IDs of the running processes whose command name, lower-cased, equals name.
    virtual std::vector<int> FindByName(const std::string& name) = 0;
    // The running indexer of the program folder app_dir: the process whose ID its lock
    // (indexer_lock.h) holds, when that process is alive and has the lock file open. Any
    // other process, whatever its name, is not this folder's indexer. Empty when none
    // (the default, for stand-ins that run no indexer).
    virtual std::vector<int> FindFolderIndexer(const std::string& app_dir) {
        (void)app_dir;
        return {};
    }
    // Ends the process at once (SIGKILL). True when the signal was delivered.
    virtual bool Kill(int pid) = 0;
};

// The Linux implementation (posix_spawn, a scan of /proc, kill).
Processes& SystemProcesses();
