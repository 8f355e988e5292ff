// A stand-in for daradiv-worker that misbehaves as the document's name asks: "hang" never
// answers, "crash" aborts, "quit" exits, "garbage" answers nonsense, "slow" asks for two
// seconds and answers after one, "greedy" asks for one second and never answers; any
// other document yields the text "text of " + its path.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "daradiv/worker_protocol.h"

int main() {
    using namespace daradiv;
    while (auto frame = ReadFrame(STDIN_FILENO)) {
        std::optional<WorkerRequest> request = DecodeRequest(*frame);
        if (!request) return 3;
        const std::string& path = request->path;
        if (path.find("slow") != std::string::npos) {
            WriteFrame(STDOUT_FILENO, EncodeTimeRequest(2));
            sleep(1);
        }
        if (path.find("greedy") != std::string::npos) {
            WriteFrame(STDOUT_FILENO, EncodeTimeRequest(1));
            pause();
        }
        if (path.find("hang") != std::string::npos) pause();
        if (path.find("crash") != std::string::npos) std::abort();
        if (path.find("quit") != std::string::npos) return 7;
        if (path.find("garbage") != std::string::npos) {
            WriteFrame(STDOUT_FILENO, "nonsense");
            continue;
        }
        WorkerResult result;
        result.ok = true;
        result.text = "text of " + path;
        result.folded = result.text;
        if (!WriteFrame(STDOUT_FILENO, EncodeResult(result))) return 0;
    }
    return 0;
}
