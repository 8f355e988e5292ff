// ruvudar.ini: the viewer's five settings in section COMMON, read and written key by key
// through the profile functions. Missing files, keys or non-numbers read as the defaults.
#pragma once

#include <cstdint>
#include <string>

namespace viewer_settings {
inline constexpr const char* kSection = "COMMON";
inline constexpr const char* kScheduleType = "SCTYP";
inline constexpr const char* kScheduleDelay = "TIME1";
inline constexpr const char* kScheduleHour = "TIME2";
inline constexpr const char* kScheduleMinute = "TIME3";
inline constexpr const char* kFrameHeight = "RHIGHT";
}  // namespace viewer_settings

struct ViewerSettings {
    int32_t ScheduleType = 3;    // SCTYP
    int32_t ScheduleDelay = 0;   // TIME1
    int32_t ScheduleHour = 0;    // TIME2
    int32_t ScheduleMinute = 0;  // TIME3
    int32_t FrameHeight = 120;   // RHIGHT
};

// The five values of the file at path; each key missing or not a whole number gives its
// default (3, 0, 0, 0, 120).
ViewerSettings ReadViewerSettings(const std::string& path);

// Writes key = value formatted "%i" into section COMMON of the file at path, keeping every
// other line. Throws AppError(CannotWriteMessage(path)) when the file cannot be written.
void WriteViewerSetting(const std::string& path, const char* key, int32_t value);
