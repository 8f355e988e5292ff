// Opening a result document in an application: the one named for its extension in
// appset.ini, else the desktop's default opener, else a desktop text editor; and opening
// the folder that holds it in the desktop's file manager, through the same default opener.
// An opener that cannot be started, or fails at once, is reported to the user in Japanese.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/dialogs.h"
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

// A started opener that ends with a failure within this time did not open its target:
// xdg-open and applications that cannot open a file end at once, while one that ends with
// an error later had been in use.
inline constexpr std::chrono::seconds kOpenFailureWindow{10};

// The message of a target (a document, a folder or an address) that program could not open:
// "<target> を開けませんでした。" and, on a line of its own, the program and the reason.
std::string OpenFailureMessage(const std::string& target, const std::string& program,
                               const std::string& reason);
// The reason of a start that failed with error_number (errno).
std::string StartErrorReason(int error_number);
// The reason of an opener that ended with exit status (128 + n for signal n); xdg-open's
// own statuses are named.
std::string ExitStatusReason(const std::string& program, int status);

// Starts argv, a program with target as its last argument, without a shell and without
// waiting. When it cannot be started, or ends with a failure within kOpenFailureWindow,
// dialogs shows OpenFailureMessage through ShowErrorLater (so from any thread, after the
// current handler). An empty argv is reported as no program to open target with. False
// when nothing was started. dialogs must outlive the started program's first seconds.
bool StartOpener(const std::vector<std::string>& argv, const std::string& target,
                 Processes& processes, Dialogs& dialogs);

// Starts the chosen application on path through StartOpener. The fallback is
// DefaultOpener(), else DesktopTextEditor(). True when the process was started. Throws
// AppError when appset.ini is not valid UTF-8.
bool OpenDocument(const std::string& path, const std::string& app_dir, Processes& processes,
                  Dialogs& dialogs);

// The folder that holds the document at path: the text before its last "/" ("/" for a
// document at the root); empty when path holds no "/".
std::string DocumentFolder(const std::string& path);

// Starts the desktop's default opener on the folder of path through StartOpener. True when
// the process was started; false when there is no folder or it could not be started.
bool OpenDocumentFolder(const std::string& path, Processes& processes, Dialogs& dialogs);
