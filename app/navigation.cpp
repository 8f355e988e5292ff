#include "app/navigation.h"

#include <optional>

#include "app/url_decode.h"
#include "documents/open_document.h"
#include "documents/save_document_copy.h"
#include "text/app_error.h"
#include "text/record_field.h"

namespace {

void SortAll(ViewerState& state, NavigationOperations& ops) {
    if (state.Results.size() >= 2)
        ops.SortResults(state, state.SortKey, 0, static_cast<int>(state.Results.size()) - 1);
}

// The document path of hit num, or nothing when num is no position in Results (a link left
// over from an earlier list, or a URL made by hand).
std::optional<std::string> HitPath(const ViewerState& state, int num) {
    if (num < 0 || static_cast<size_t>(num) >= state.Results.size()) return std::nullopt;
    return std::string(RecordField(state.Results[static_cast<size_t>(num)], 1));
}

void Search(ViewerState& state, NavigationOperations& ops, const std::string& url) {
    std::string keyword = QueryValue(url, "KEYWORD");
    state.CheckedCategories.clear();
    const std::vector<bool> ticked =
        NumberedValuesEqual(url, "CATCHK", state.Categories.size(), "ON");
    for (size_t i = 0; i < state.Categories.size(); ++i) {
        if (ticked[i]) state.CheckedCategories.push_back(state.Categories[i]);
    }
    if (!keyword.empty()) {
        state.Keyword = keyword;
        ops.RunSearch(state);
        SortAll(state, ops);
        state.PageIndex = 0;
        ops.WriteSearchPage(state);
        ops.WriteResultPage(state);
    } else {
        state.Results.clear();  // Keyword keeps the previous search's text
        ops.WriteWelcomePage(state);
        ops.WriteSearchPage(state);
    }
}

// Runs an opener of the desktop; an error it raises is shown after the handler returns, so
// the cancel still applies.
void OpenWith(NavigationResult& result, NavigationContext& context,
              const std::function<bool()>& open) {
    try {
        open();
    } catch (const AppError& e) {
        Dialogs& dialogs = context.dialogs;
        std::string text = e.what();
        result.deferred = [&dialogs, text] { dialogs.ShowError(text); };
    }
}

void Home(ViewerState& state, NavigationOperations& ops) {
    state.Results.clear();
    state.Keyword.clear();
    state.PageIndex = 0;
    state.CheckedCategories = state.Categories;
    ops.WriteWelcomePage(state);
    ops.WriteSearchPage(state);
}

}  // namespace

NavigationResult CppWebBrowser1BeforeNavigate2(ViewerState& state, NavigationContext& context,
                                               const std::string& raw_url) {
    NavigationResult result;
    NavigationOperations& ops = context.operations;
    const std::string url = DecodedUrl(raw_url);
    const std::string com = QueryValue(url, "COM");

    if (com == "SEARCH") {
        Search(state, ops, url);
    } else if (com == "HOME") {
        Home(state, ops);
    } else if (int key = WholeNumber(QueryValue(url, "SORT")); key >= 0) {
        state.SortKey = key;
        SortAll(state, ops);
        state.PageIndex = 0;
        ops.WriteSearchPage(state);
        ops.WriteResultPage(state);
    } else if (int page = WholeNumber(QueryValue(url, "PAGE")); page >= 0) {
        state.PageIndex = page;  // unchecked: a page past the end lists no hits
        ops.WriteSearchPage(state);
        ops.WriteResultPage(state);
    } else if (com == "OPEN") {
        result.proceed = false;
        if (std::optional<std::string> path = HitPath(state, WholeNumber(QueryValue(url, "NUM")))) {
            OpenWith(result, context,
                     [&] {
                         return OpenDocument(*path, state.AppDir, context.processes,
                                             context.dialogs);
                     });
        }
    } else if (com == "SAVE") {
        result.proceed = false;
        if (std::optional<std::string> path = HitPath(state, WholeNumber(QueryValue(url, "NUM")))) {
            Dialogs& dialogs = context.dialogs;
            std::string separator = state.PathSeparator;
            result.deferred = [&dialogs, path = *path, separator] {
                SaveDocumentCopy(path, separator, dialogs);
            };
        }
    } else if (com == "VIEW") {
        result.proceed = false;
        const int num = WholeNumber(QueryValue(url, "NUM"));
        if (HitPath(state, num)) {
            ops.WriteViewPage(state, static_cast<size_t>(num));
            result.show_in_body = "view.html";
        }
    } else if (com == "FOLDER") {
        result.proceed = false;
        if (std::optional<std::string> path = HitPath(state, WholeNumber(QueryValue(url, "NUM")))) {
            OpenWith(result, context, [&] {
                return OpenDocumentFolder(*path, context.processes, context.dialogs);
            });
        }
    }
    return result;
}
