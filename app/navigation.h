// The navigation handler: every navigation of the web view passes here first. It decodes the
// URL, runs the command it carries (search, home, sort, page, open, save, view, folder) on
// the main window state, rewrites the pages, and says whether the navigation goes on.
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
    // The preview page of record x of Results (x names one).
    virtual void WriteViewPage(const ViewerState& state, size_t x) = 0;
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
    std::string show_in_body;        // a page of the page folder that the body frame is to
                                     // show in place of what it shows (the preview)
};

// Runs the command in url (as QUrl::FullyEncoded gives it). Throws AppError when a search
// or a page write fails; the caller shows it. Save is returned as deferred work; the
// context's dialogs must outlive it. View (COM=VIEW&NUM=i) writes view.html and names it in
// show_in_body; Folder (COM=FOLDER&NUM=i) opens the folder of hit i. Both are cancelled
// and, like Open and Save, do nothing else when NUM names no hit.
NavigationResult CppWebBrowser1BeforeNavigate2(ViewerState& state, NavigationContext& context,
                                               const std::string& url);
