// Starting, finding and ending processes. The viewer starts the indexer and the applications
// that open documents, finds its own program folder's running indexer and stops it.
#pragma once

#include <string>
#include <vector>

class Processes {
public:
    virtual ~Processes() = default;
    // Starts argv[0] with the arguments argv[1..], searching PATH when argv[0] has no "/",
    // never through a shell, inheriting no descriptor. Does not wait: the child is reaped
    // when it ends, so none is left as a zombie. False when it could not be started.
    virtual bool Spawn(const std::vector<std::string>& argv) = 0;
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
