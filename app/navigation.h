// The navigation handler: every navigation of the web view passes here first. It decodes the
// URL, runs the command it carries (search, home, sort, page, open, save) on the main window
// state, rewrites the pages, and says whether the navigation goes on.
#pragma once

#include <functional>
#include <string>

#include "state/viewer_state.h"
#include "platform/dialogs.h"
#include "platform/processes.h"

// The operations the commands run. The viewer uses ViewerOperations(); tests may stand in.
class NavigationOperations {
  public:
    virtual ~NavigationOperations() = default;
    virtual void RunSearch(ViewerState& state) = 0;
    virtual void SortResults(ViewerState& state, int key, int lo, int hi) = 0;
    virtual void WriteSearchPage(const ViewerState& state) = 0;
    virtual void WriteResultPage(ViewerState& state) = 0;
    virtual void WriteWelcomePage(const ViewerState& state) = 0;
};

// The search, the ordering and the page writers of the viewer.
NavigationOperations& ViewerOperations();

// What the handler needs of the platform.
struct NavigationContext {
    Dialogs& dialogs;
    Processes& processes;
    NavigationOperations& operations = ViewerOperations();
};

struct NavigationResult {
    bool proceed = true;             // false cancels the navigation
    std::function<void()> deferred;  // work that opens a modal window; the view runs it just
                                     // after the handler has returned (a queued call)
};

// Runs the command in url (as QUrl::FullyEncoded gives it). Throws AppError when a search
// or a page write fails; the caller shows it. Save is returned as deferred work; the
// context's dialogs must outlive it.
NavigationResult CppWebBrowser1BeforeNavigate2(ViewerState& state, NavigationContext& context,
                                               const std::string& url);
