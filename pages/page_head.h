// The five lines every page begins with: HTML, HEAD, the UTF-8 content type, the title and
// the end of the head.
#pragma once

#include <string>
#include <vector>

#include "state/viewer_state.h"

// "<HTML>", "<HEAD>", the meta line (two spaces after "text/html;"), "<TITLE>" + PageTitle +
// "</TITLE>", "</HEAD>".
std::vector<std::string> PageHead(const ViewerState& state);
