#include "app/load_settings.h"

#include "config/indexer_config.h"
#include "config/viewer_settings.h"
#include "platform/program_files.h"

void LoadSettings(ViewerState& state) {
    ViewerSettings s = ReadViewerSettings(state.AppFile(program_files::kViewerSettings));
    state.ScheduleType = s.ScheduleType;
    state.ScheduleDelay = s.ScheduleDelay;
    state.ScheduleHour = s.ScheduleHour;
    state.ScheduleMinute = s.ScheduleMinute;
    state.FrameHeight = s.FrameHeight;

    state.SearchDirs.clear();
    std::optional<std::vector<std::string>> lines =
        ReadIndexerConfig(state.AppFile(program_files::kIndexerConfig));
    if (lines) state.SearchDirs = SearchDirLines(*lines);
    state.Categories = DeriveCategories(state.SearchDirs);
}
