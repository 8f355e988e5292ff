// Names the viewer and the indexer agree on: the files in the program folder, the indexer's
// executable and switch, and the headers of the update log.
#pragma once

namespace program_files {

inline constexpr const char* kViewerSettings = "ruvudar.ini";
inline constexpr const char* kIndexerConfig = "daradiv.ini";
inline constexpr const char* kApplicationTable = "appset.ini";
inline constexpr const char* kUpdateLog = "srep.txt";
inline constexpr const char* kInformationFile = "sindexi.dat";
inline constexpr const char* kIndexName = "sindex";          // the full-text index
inline constexpr const char* kDisplayCataloguePrefix = "sindex";   // + N + ".dat"
inline constexpr const char* kFoldedCataloguePrefix = "sindexc";   // + N + ".dat"
inline constexpr const char* kCatalogueSuffix = ".dat";
inline constexpr const char* kPageFolder = "page";

inline constexpr const char* kIndexerExecutable = "daradiv";
inline constexpr const char* kIndexerSwitch = "-j";
// The extraction workers run under another name, so a search for the indexer by name
// finds the indexer alone.
inline constexpr const char* kWorkerExecutable = "daradiv-worker";
// Held by the running indexer of the folder, with its process ID inside (indexer_lock.h).
inline constexpr const char* kIndexerLock = "daradiv.lock";

inline constexpr const char* kLogHeader = "[更新記録]";
inline constexpr const char* kLogHeaderEnglish = "[Update Log]";

}  // namespace program_files
