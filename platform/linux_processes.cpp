#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <thread>

#include "platform/indexer_lock.h"
#include "platform/processes.h"
#include "platform/program_files.h"

extern char** environ;

namespace {

int Start(const std::vector<std::string>& argv, std::chrono::milliseconds window,
          std::function<void(int)> on_failure);

class LinuxProcesses : public Processes {
public:
    bool Spawn(const std::vector<std::string>& argv) override {
        return Start(argv, {}, nullptr) == 0;
    }

    int SpawnWatched(const std::vector<std::string>& argv, std::chrono::milliseconds window,
                     std::function<void(int)> on_failure) override {
        return Start(argv, window, std::move(on_failure));
    }

    std::vector<int> FindByName(const std::string& name) override {
        std::vector<int> pids;
        DIR* proc = opendir("/proc");
        if (!proc) return pids;
        while (dirent* e = readdir(proc)) {
            char* end = nullptr;
            long pid = strtol(e->d_name, &end, 10);
            if (pid <= 0 || *end != '\0') continue;
            std::ifstream comm(std::string("/proc/") + e->d_name + "/comm");
            std::string command;
            if (!std::getline(comm, command)) continue;
            for (char& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (command == name) pids.push_back(static_cast<int>(pid));
        }
        closedir(proc);
        return pids;
    }

    std::vector<int> FindFolderIndexer(const std::string& app_dir) override {
        const std::string lock = app_dir + program_files::kIndexerLock;
        struct stat lock_st;
        if (::stat(lock.c_str(), &lock_st) != 0) return {};
        int pid = ReadIndexerLockId(app_dir);
        if (pid <= 0 || pid == ::getpid()) return {};
        // The ID may be left from an indexer that died; it is this folder's indexer only
        // while that process has this very file open. Another user's process cannot be
        // looked into and so never counts.
        const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
        DIR* dir = opendir(fds.c_str());
        if (!dir) return {};
        bool holds = false;
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] == '.') continue;
            struct stat st;
            if (::stat((fds + "/" + e->d_name).c_str(), &st) == 0 &&
                st.st_dev == lock_st.st_dev && st.st_ino == lock_st.st_ino) {
                holds = true;
                break;
            }
        }
        closedir(dir);
        if (!holds) return {};
        return {pid};
    }

    bool Kill(int pid) override { return pid > 0 && ::kill(pid, SIGKILL) == 0; }
};

// Starts argv; 0 or the error number. The child is reaped on a thread of its own, which
// reports a failure within window to on_failure when one is given.
int Start(const std::vector<std::string>& argv, std::chrono::milliseconds window,
          std::function<void(int)> on_failure) {
    if (argv.empty() || argv[0].empty()) return ENOENT;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // Descriptors of this process are opened close-on-exec; stdin comes from /dev/null
    // so a started program never reads the viewer's terminal.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    int rc = argv[0].find('/') == std::string::npos
                 ? posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ)
                 : posix_spawn(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return rc;
    // Reap the child when it ends; the caller never waits for it.
    auto started = std::chrono::steady_clock::now();
    std::thread([pid, started, window, on_failure = std::move(on_failure)] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) return;
        }
        if (!on_failure || std::chrono::steady_clock::now() - started > window) return;
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0) on_failure(WEXITSTATUS(status));
        if (WIFSIGNALED(status)) on_failure(128 + WTERMSIG(status));
    }).detach();
    return 0;
}

}  // namespace

Processes& SystemProcesses() {
    static LinuxProcesses processes;
    return processes;
}
