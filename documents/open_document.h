// Opening a result document in an application: the one named for its extension in
// appset.ini, else the desktop's default opener, else a desktop text editor. Opening the
// folder that holds it in the desktop's file manager, through the same default opener.
#pragma once

#include <string>
#include <vector>

#include "platform/processes.h"

// The lower-cased extension of the file name in path: from its last "." to the end, dot
// included; empty when the file name has no dot.
std::string DocumentExtension(const std::string& path);

// The application text for path: field 1 of the first appset.ini line (in app_dir) whose
// field 0 equals the lower-cased extension exactly, else fallback. Throws AppError when
// appset.ini is not valid UTF-8.
std::string ChooseApplication(const std::string& path, const std::string& app_dir,
                              const std::string& fallback);

// The argument vector that starts application on path: the application as one word when
// its whole text names an executable file, else its words split at blanks; then the path as
// one argument. Empty when the application text holds no word.
std::vector<std::string> DocumentCommand(const std::string& application, const std::string& path);

// Starts the chosen application on path without a shell and without waiting. The fallback
// is DefaultOpener(), else DesktopTextEditor(). True when the process was started; nothing
// is reported either way. Throws AppError when appset.ini is not valid UTF-8.
bool OpenDocument(const std::string& path, const std::string& app_dir, Processes& processes);

// The folder that holds the document at path: the text before its last "/" ("/" for a
// document at the root); empty when path holds no "/".
std::string DocumentFolder(const std::string& path);

// Starts the desktop's default opener on the folder of path, without a shell and without
// waiting. True when the process was started; false when there is no folder or no opener.
bool OpenDocumentFolder(const std::string& path, Processes& processes);
