// Where the indexer finds and writes its files: the folder of its own executable, whatever
// the current directory.
#pragma once

#include <string>

namespace daradiv {

// The folder of /proc/self/exe with a trailing "/". Throws AppError when it cannot be read.
std::string ProgramFolder();

}  // namespace daradiv
