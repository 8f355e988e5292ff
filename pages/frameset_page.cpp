#include "pages/frameset_page.h"

#include "pages/page_head.h"
#include "text/text_file.h"

std::vector<std::string> FramesetPageLines(const ViewerState& state) {
    std::vector<std::string> lines = PageHead(state);
    lines.push_back("<FRAMESET ROWS=\"" + std::to_string(state.FrameHeight) + ",*\" BORDER=\"1\">");
    lines.push_back("<FRAME SRC=\"search.html\" NAME=\"FrTop\" SCROLLING=\"no\" NORESIZE>");
    lines.push_back("<FRAME SRC=\"main.html\" NAME=\"FrBody\">");
    lines.push_back("</FRAMESET>");
    lines.push_back("</HTML>");
    return lines;
}

void WriteFramesetPage(const ViewerState& state) {
    WritePageFile(state.PageFile("index.html"), FramesetPageLines(state));
}
