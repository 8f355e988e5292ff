#include "config/viewer_settings.h"

#include "platform/profile.h"
#include "text/app_error.h"
#include "text/text_file.h"
#include "text/text_rules.h"

namespace {

int32_t ReadValue(const std::string& path, const char* key, int32_t fallback) {
    std::string text =
        GetProfileString(viewer_settings::kSection, key, std::to_string(fallback), path);
    return ReadInteger(text, fallback);
}

}  // namespace

ViewerSettings ReadViewerSettings(const std::string& path) {
    namespace vs = viewer_settings;
    ViewerSettings s;
    s.ScheduleType = ReadValue(path, vs::kScheduleType, 3);
    s.ScheduleDelay = ReadValue(path, vs::kScheduleDelay, 0);
    s.ScheduleHour = ReadValue(path, vs::kScheduleHour, 0);
    s.ScheduleMinute = ReadValue(path, vs::kScheduleMinute, 0);
    s.FrameHeight = ReadValue(path, vs::kFrameHeight, 120);
    return s;
}

void WriteViewerSetting(const std::string& path, const char* key, int32_t value) {
    if (!WriteProfileString(viewer_settings::kSection, key, std::to_string(value), path))
        throw AppError(CannotWriteMessage(path));
}
