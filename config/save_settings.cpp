#include "config/save_settings.h"

#include "config/viewer_settings.h"
#include "platform/program_files.h"
#include "text/text_rules.h"

void SaveSettings(const std::string& app_dir, const SettingsValues& values) {
    namespace vs = viewer_settings;
    const std::string ini = app_dir + program_files::kViewerSettings;
    if (values.ScheduleRadio >= 1 && values.ScheduleRadio <= 3)
        WriteViewerSetting(ini, vs::kScheduleType, values.ScheduleRadio);
    WriteViewerSetting(ini, vs::kScheduleDelay, ReadInteger(values.Edit2, 0));
    WriteViewerSetting(ini, vs::kScheduleHour, ReadInteger(values.Edit3, 0));
    WriteViewerSetting(ini, vs::kScheduleMinute, ReadInteger(values.Edit4, 0));
    WriteViewerSetting(ini, vs::kFrameHeight, ReadInteger(values.Edit5, 120));

    // These two are skipped silently when they cannot be written.
    WriteIndexerConfig(app_dir + program_files::kIndexerConfig, values.Indexer);
    WriteApplicationTable(app_dir + program_files::kApplicationTable, values.Applications);
}
