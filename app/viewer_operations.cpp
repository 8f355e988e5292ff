// The real operations behind the navigation commands.
#include "app/navigation.h"
#include "pages/result_page.h"
#include "pages/search_page.h"
#include "pages/view_page.h"
#include "pages/welcome_page.h"
#include "search/run_search.h"
#include "search/sort_results.h"

namespace {

class Operations : public NavigationOperations {
  public:
    void RunSearch(ViewerState& state) override { ::RunSearch(state); }
    void SortResults(ViewerState& state, int key, int lo, int hi) override {
        ::SortResults(state, key, lo, hi);
    }
    void WriteSearchPage(const ViewerState& state) override { ::WriteSearchPage(state); }
    void WriteResultPage(ViewerState& state) override { ::WriteResultPage(state); }
    void WriteWelcomePage(const ViewerState& state) override { ::WriteWelcomePage(state); }
    void WriteViewPage(const ViewerState& state, size_t x) override { ::WriteViewPage(state, x); }
};

}  // namespace

NavigationOperations& ViewerOperations() {
    static Operations operations;
    return operations;
}
