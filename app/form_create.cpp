#include "app/form_create.h"

#include <sys/stat.h>

#include <optional>

#include "app/load_settings.h"
#include "platform/program_files.h"
#include "platform/program_folder.h"
#include "pages/frameset_page.h"
#include "text/app_error.h"

void FormCreate(ViewerState& state, const std::string& app_dir) {
    state.AppDir = app_dir;
    if (state.AppDir.empty() || state.AppDir.back() != '/') state.AppDir += '/';
    state.PathSeparator = "/";
    state.ReadmeDir = program_folder::InstalledReadmeFolder(program_folder::ExecutableFolder());
    // The result is not examined: a missing folder shows as the failed page write below.
    ::mkdir(state.AppFile(program_files::kPageFolder).c_str(), 0755);
    state.PageTitle = "Ruvudar";
    state.SearchDirs.clear();
    state.Categories.clear();
    state.Results.clear();
    state.CheckedCategories.clear();
    state.SortKey = 0;
    state.PageIndex = 0;
    state.MaxHits = 5000;
    state.PageSize = 100;
    state.ElapsedMinutes = 0;
    state.LastTickTime.clear();
    state.TermGroups.clear();
    state.AllocateBuffers();

    // A daradiv.ini that cannot be decoded still leaves a usable window: the frameset page
    // does not depend on it, so it is written and the error is reported afterwards.
    std::optional<AppError> settings_error;
    try {
        LoadSettings(state);
    } catch (const AppError& e) {
        settings_error = e;
    }
    state.CheckedCategories = state.Categories;
    WriteFramesetPage(state);
    if (settings_error) throw *settings_error;
}
