// The folder of an executable and the first page. Which folder is the program folder is
// platform/program_folder's rule.
#pragma once

#include <string>

// The folder of executable_path with a trailing "/": everything up to and including the
// last "/". Backslashes are ordinary characters here and stay as they are. "./" for a
// name without a folder.
std::string AppDirOf(const std::string& executable_path);

// The file the web view is first pointed at: app_dir + "page/index.html".
std::string FramesetPagePath(const std::string& app_dir);
