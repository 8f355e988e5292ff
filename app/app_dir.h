// Where the program folder is: the folder of the running executable, which holds the
// configuration files, the page folder and the index.
#pragma once

#include <string>

// The full path of the running executable (/proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// The folder of executable_path with a trailing "/": everything up to and including the
// last "/". Backslashes are ordinary characters here and stay as they are. "./" for a
// name without a folder.
std::string AppDirOf(const std::string& executable_path);

// The file the web view is first pointed at: app_dir + "page/index.html".
std::string FramesetPagePath(const std::string& app_dir);
