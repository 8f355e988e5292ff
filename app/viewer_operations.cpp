// The real operations behind the navigation commands.
#include "app/navigation.h"

namespace {

class Operations : public NavigationOperations {
public:
    void RunSearch(ViewerState&) override {}
    void SortResults(ViewerState&, int, int, int) override {}
    void WriteSearchPage(const ViewerState&) override {}
    void WriteResultPage(ViewerState&) override {}
    void WriteWelcomePage(const ViewerState&) override {}
};

}  // namespace

NavigationOperations& ViewerOperations() {
    static Operations operations;
    return operations;
}
