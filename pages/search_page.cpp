#include "pages/search_page.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "pages/html_text.h"
#include "pages/page_head.h"
#include "text/text_file.h"

namespace {

constexpr const char* kIdeographicSpace = "　";

std::string CategoryLine(int n, const std::string& name, bool ticked) {
    const std::string id = std::to_string(n);
    return "<INPUT TYPE=checkbox NAME=\"CATCHK" + id + "\" ID=\"iCATCHK" + id + "\" VALUE=\"ON\"" +
           (ticked ? " CHECKED" : "") + "><LABEL for=\"iCATCHK" + id + "\">" + EscapeHtml(name) +
           "</LABEL>" + kIdeographicSpace;
}

// One sort choice: plain text when it is the current order, otherwise a link.
std::string SortChoice(const ViewerState& state, int key, const std::string& label) {
    if (state.SortKey == key) return kIdeographicSpace + label;
    return std::string(kIdeographicSpace) + "<A href=\"index.html?SORT=" + std::to_string(key) +
           "\" target=\"_top\">" + label + "</A>";
}

std::string PageLink(int64_t page, const std::string& label) {
    return std::string(kIdeographicSpace) + "<A href=\"index.html?PAGE=" + std::to_string(page) +
           "\" target=\"_top\">" + label + "</A>";
}

void AppendResultLines(const ViewerState& state, std::vector<std::string>& lines) {
    const size_t hits = state.Results.size();
    lines.push_back(std::string("<FONT color=#666666 SIZE=\"-1\"><検索結果>　") +
                    std::to_string(hits) + (hits < 5000 ? "件 <BR>" : "件 (MAX. LIMIT)<BR>"));
    lines.push_back("<ソート順>");
    lines.push_back(SortChoice(state, 0, "スコア"));
    lines.push_back(SortChoice(state, 1, "ファイルパス"));
    lines.push_back(SortChoice(state, 4, "ファイルサイズ"));
    lines.push_back(SortChoice(state, 2, "日付") + "</FONT>");

    if (state.PageSize <= 0 || hits <= static_cast<size_t>(state.PageSize)) return;
    const double pages = static_cast<double>(hits) / state.PageSize;  // not rounded
    const int64_t p = state.PageIndex;
    lines.push_back("　　　　　<font color=\"#666666\" size=\"-1\">&lt;Page.&gt;　");
    if (p > 0) lines.push_back(PageLink(p - 1, "&lt;"));
    for (int64_t v = std::max<int64_t>(0, p - 5); v < pages && v < p + 5; ++v) {
        if (v == p)
            lines.push_back(kIdeographicSpace + std::to_string(v + 1));
        else
            lines.push_back(PageLink(v, std::to_string(v + 1)));
    }
    if (pages - 1 > p) lines.push_back(PageLink(p + 1, "&gt;"));
    lines.push_back("</font>");
}

}  // namespace

std::vector<std::string> SearchPageLines(const ViewerState& state) {
    std::vector<std::string> lines = PageHead(state);
    lines.push_back("<BODY>");
    lines.push_back("<FORM METHOD=GET ACTION=\"index.html?\" target=\"_top\">");
    lines.push_back("<INPUT TYPE=HIDDEN NAME=\"COM\" VALUE=\"SEARCH\" >");
    lines.push_back("<INPUT NAME=\"KEYWORD\" SIZE=35 MAXLENGTH=50 VALUE=\"" +
                    EscapeHtml(state.Keyword) + "\">");
    lines.push_back("<INPUT TYPE=SUBMIT VALUE=\"検索\"><BR>");
    // A set, not a search of the list per category: there may be thousands of each.
    const std::unordered_set<std::string_view> ticked(state.CheckedCategories.begin(),
                                                      state.CheckedCategories.end());
    for (size_t i = 0; i < state.Categories.size(); ++i) {
        const std::string& name = state.Categories[i];
        lines.push_back(CategoryLine(static_cast<int>(i + 1), name, ticked.count(name) > 0));
    }
    if (state.Categories.size() >= 2)
        lines.push_back(
            "<A HREF=\"javascript:void(0)\" onclick=\"selall()\"><font "
            "color=blue>ALL</font></a>");
    lines.push_back("</FORM>");
    if (!state.Keyword.empty()) AppendResultLines(state, lines);
    lines.push_back("<HR>");
    lines.push_back("</BODY>");
    lines.insert(lines.end(), {
                                  "<script>",
                                  "    function selall(){",
                                  "       obj = document.getElementsByTagName(\"INPUT\");",
                                  "       for(i=0,fc=true;i<obj.length;i++){",
                                  "          if(obj[i].name.indexOf(\"CATCHK\")<0) continue;",
                                  "          if(obj[i].checked) fc=false;",
                                  "       } ",
                                  "       for(i=0;i<obj.length;i++){ ",
                                  "          if(obj[i].name.indexOf(\"CATCHK\")<0) continue;",
                                  "          obj[i].checked=fc; ",
                                  "       }",
                                  "    } ",
                                  "</script> ",
                              });
    lines.push_back("</HTML>");
    return lines;
}

void WriteSearchPage(const ViewerState& state) {
    WritePageFile(state.PageFile("search.html"), SearchPageLines(state));
}
