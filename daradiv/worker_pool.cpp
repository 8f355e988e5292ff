#include "daradiv/worker_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <deque>

#include "text/app_error.h"

extern char** environ;

namespace daradiv {
namespace {

using Clock = std::chrono::steady_clock;

// The longest a worker may ask for one document, whatever its number of pages.
constexpr uint32_t kMaxDocumentSeconds = 24 * 3600;

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

std::string SignalReason(int sig) {
    const char* name = strsignal(sig);
    return "抽出プロセスが異常終了しました (シグナル " + std::to_string(sig) +
           (name ? std::string(", ") + name : std::string()) + ")";
}

}  // namespace

WorkerPool::WorkerPool(std::string worker_executable, int workers, WorkerLimits limits)
    : executable_(std::move(worker_executable)), limits_(limits),
      workers_(static_cast<size_t>(workers < 1 ? 1 : workers)) {
    // A worker that dies while we write to it must not end the indexer.
    signal(SIGPIPE, SIG_IGN);
}

WorkerPool::~WorkerPool() {
    for (Worker& w : workers_) {
        if (w.pid > 0) Stop(w, true);
    }
}

bool WorkerPool::Start(Worker& w) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string parent = std::to_string(getpid());
    std::string cap = std::to_string(limits_.address_space_bytes);
    std::vector<char*> argv = {executable_.data(), parent.data(), cap.data(), nullptr};
    // OCR runs one thread per worker: the workers already use every core between them.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "OMP_THREAD_LIMIT=", 17) != 0) env.push_back(*e);
    static char one_thread[] = "OMP_THREAD_LIMIT=1";
    env.push_back(one_thread);
    env.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, executable_.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        close(in[1]);
        close(out[0]);
        return false;
    }
    fcntl(out[0], F_SETFL, fcntl(out[0], F_GETFL) | O_NONBLOCK);
    w.pid = pid;
    w.to_worker = in[1];
    w.from_worker = out[0];
    w.busy = false;
    w.reader.Clear();
    return true;
}

std::string WorkerPool::Stop(Worker& w, bool kill_it) {
    CloseFd(w.to_worker);
    CloseFd(w.from_worker);
    std::string reason = "抽出プロセスが応答しません";
    if (w.pid > 0) {
        if (kill_it) kill(w.pid, SIGKILL);
        int status = 0;
        while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
            reason = SignalReason(WTERMSIG(status));
        } else if (WIFSIGNALED(status)) {
            // SIGKILL that we did not send: the memory cap or the system ended it.
            reason = kill_it ? reason : "抽出プロセスが強制終了されました";
        } else if (WIFEXITED(status)) {
            reason = "抽出プロセスが途中で終了しました (終了コード " +
                     std::to_string(WEXITSTATUS(status)) + ")";
        }
    }
    w.pid = -1;
    w.busy = false;
    w.reader.Clear();
    return reason;
}

void WorkerPool::Run(const std::vector<WorkerRequest>& requests, const ResultHandler& on_result) {
    Run(requests.size(), [&](size_t i) { return requests[i]; }, on_result);
}

void WorkerPool::Run(size_t count, const RequestMaker& request_of, const ResultHandler& on_result) {
    // Requests not handed out yet: those given back by a worker that died first, then the
    // ones from next on.
    std::deque<size_t> returned;
    size_t next = 0;
    const std::string cannot_start = "抽出プロセスを起動できません: " + executable_;

    auto fail = [&](Worker& w, const std::string& reason) {
        WorkerResult r;
        r.error = reason;
        on_result(w.request, std::move(r));
    };

    while (true) {
        // Hand out work to idle workers.
        for (Worker& w : workers_) {
            while (!w.busy && (!returned.empty() || next < count)) {
                // Without workers every document would fail and the index would be emptied.
                if (w.pid < 0 && !Start(w)) throw AppError(cannot_start);
                if (!returned.empty()) {
                    w.request = returned.front();
                    returned.pop_front();
                } else {
                    w.request = next++;
                }
                if (!WriteFrame(w.to_worker, EncodeRequest(request_of(w.request)))) {
                    // The worker died before it took the request: give it to a fresh one.
                    returned.push_front(w.request);
                    Stop(w, true);
                    continue;
                }
                w.busy = true;
                w.started = Clock::now();
                w.deadline = w.started + limits_.per_document;
            }
        }

        std::vector<pollfd> fds;
        std::vector<Worker*> owners;
        auto now = Clock::now();
        auto wait = std::chrono::milliseconds(1000);
        for (Worker& w : workers_) {
            if (!w.busy) continue;
            fds.push_back({w.from_worker, POLLIN, 0});
            owners.push_back(&w);
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(w.deadline - now);
            if (left < wait) wait = left;
        }
        if (fds.empty()) break;  // nothing pending, nobody busy
        if (wait.count() < 0) wait = std::chrono::milliseconds(0);

        int n = poll(fds.data(), fds.size(), static_cast<int>(wait.count()) + 1);
        if (n < 0 && errno != EINTR) break;
        now = Clock::now();
        for (size_t k = 0; k < fds.size(); ++k) {
            Worker& w = *owners[k];
            if (fds[k].revents != 0) {
                bool ended = false;
                std::optional<std::string> frame;
                while (!frame && !w.reader.corrupt()) {
                    frame = w.reader.Next();
                    // A request for more time moves the deadline and is not the result.
                    if (frame) {
                        if (std::optional<uint32_t> seconds = DecodeTimeRequest(*frame)) {
                            w.deadline = std::max(w.deadline, w.started + std::chrono::seconds(
                                std::min<uint32_t>(*seconds, kMaxDocumentSeconds)));
                            frame.reset();
                        }
                        continue;
                    }
                    char chunk[1 << 16];
                    ssize_t got = read(w.from_worker, chunk, sizeof chunk);
                    if (got < 0 && errno == EINTR) continue;
                    if (got < 0 && errno == EAGAIN) break;
                    if (got <= 0) {
                        ended = true;
                        break;
                    }
                    w.reader.Append(chunk, static_cast<size_t>(got));
                }
                if (frame) {
                    std::optional<WorkerResult> result = DecodeResult(*frame);
                    w.busy = false;
                    if (result) {
                        on_result(w.request, std::move(*result));
                    } else {
                        Stop(w, true);
                        fail(w, "抽出プロセスの応答が壊れています");
                    }
                } else if (w.reader.corrupt()) {
                    Stop(w, true);
                    fail(w, "抽出プロセスの応答が壊れています");
                } else if (ended) {
                    fail(w, Stop(w, false));
                }
            }
            if (w.busy && now >= w.deadline) {
                auto allowed = std::chrono::duration_cast<std::chrono::seconds>(w.deadline - w.started);
                Stop(w, true);
                fail(w, "時間内にテキストを取り出せませんでした (" +
                            std::to_string(allowed.count()) + " 秒)");
            }
        }
    }
}

}  // namespace daradiv
