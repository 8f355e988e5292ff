#include "pages/page_head.h"

std::vector<std::string> PageHead(const ViewerState& state) {
    return {
        "<HTML>",
        "<HEAD>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html;  charset=UTF-8\">",
        "<TITLE>" + state.PageTitle + "</TITLE>",
        "</HEAD>",
    };
}
