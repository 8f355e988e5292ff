// The welcome page main.html in the body frame when no search is on display: the steps to
// build an index before there is one, otherwise the update log; both end with a notice.
#pragma once

#include <string>
#include <vector>

#include "state/viewer_state.h"

// The notice block's two links. Home: the README shipped in the program folder, as a file
// URL. Mail: the user's mail program with no address. Change them here when distributing.
inline constexpr const char* kNoticeHomeFile = "README.md";
inline constexpr const char* kNoticeMailAddress = "";

// "file://" + app_dir + kNoticeHomeFile, with every byte a URL cannot hold
// percent-encoded.
std::string NoticeHomeUrl(const std::string& app_dir);

// The lines of main.html as the welcome page: the instructions when neither srep.txt nor
// sindexi.dat exists; otherwise each log line + "<br>" (a log that is not valid UTF-8 is
// shown with U+FFFD in place of the bad bytes). Then the notice block.
std::vector<std::string> WelcomePageLines(const ViewerState& state);

// Writes main.html as the welcome page. Throws AppError when it cannot be written.
void WriteWelcomePage(const ViewerState& state);
