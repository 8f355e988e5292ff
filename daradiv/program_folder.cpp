#include "daradiv/program_folder.h"

#include <unistd.h>

#include <vector>

#include "text/app_error.h"

namespace daradiv {

std::string ProgramFolder() {
    std::vector<char> buf(4096);
    while (true) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) throw AppError("実行ファイルの場所を読めません");
        if (static_cast<size_t>(n) < buf.size()) {
            std::string exe(buf.data(), static_cast<size_t>(n));
            return exe.substr(0, exe.rfind('/') + 1);
        }
        buf.resize(buf.size() * 2);
    }
}

}  // namespace daradiv
