// Milliseconds a search spends on its categories when there are 10,000 of them, all but every
// third ticked: the navigation handler reading the boxes from the URL (with stand-in
// operations), RunSearch over an empty program folder (only its category set-up does work),
// and the search form's lines. Each should grow with the number of categories, not its square.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/navigation.h"
#include "pages/search_page.h"
#include "platform/dialogs.h"
#include "platform/processes.h"
#include "search/run_search.h"

namespace {

class NoOperations : public NavigationOperations {
  public:
    void RunSearch(ViewerState&) override {}
    void SortResults(ViewerState&, int, int, int) override {}
    void WriteSearchPage(const ViewerState&) override {}
    void WriteResultPage(ViewerState&) override {}
    void WriteWelcomePage(const ViewerState&) override {}
    void WriteViewPage(const ViewerState&, size_t) override {}
};

class NoDialogs : public Dialogs {
  public:
    std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
    std::optional<std::string> ChooseOpenFile() override { return {}; }
    std::optional<std::string> ChooseSaveFile(const std::string&) override { return {}; }
    void ShowError(const std::string&) override {}
    bool ConfirmOkCancel(const std::string&, const std::string&) override { return false; }
};

template <typename F>
double Milliseconds(F f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    constexpr int kCategories = 10'000;
    const std::string dir = "/tmp/category_bench_" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(dir);
    ViewerState state;
    state.AppDir = dir;
    state.AllocateBuffers();
    std::string url = "file://" + dir + "page/index.html?COM=SEARCH&KEYWORD=word";
    for (int n = 1; n <= kCategories; ++n) {
        const std::string name = "カテゴリ" + std::to_string(n);
        state.Categories.push_back(name);
        state.SearchDirs.push_back("/docs/" + std::to_string(n) + "/;;" + name);
        if (n % 3 != 0) url += "&CATCHK" + std::to_string(n) + "=ON";
    }
    NoOperations ops;
    NoDialogs dialogs;
    NavigationContext context{dialogs, SystemProcesses(), ops};
    std::printf("handler   %8.1f ms\n",
                Milliseconds([&] { CppWebBrowser1BeforeNavigate2(state, context, url); }));
    std::printf("RunSearch %8.1f ms\n", Milliseconds([&] { RunSearch(state); }));
    std::printf("form      %8.1f ms\n", Milliseconds([&] { SearchPageLines(state); }));
    std::filesystem::remove_all(dir);
}
