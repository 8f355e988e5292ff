// Which folder is the program folder (AppDir), by one rule for the viewer and the indexer.
// A build's or unpacked folder holds the executables and everything they write beside them.
// An installed copy is marked by the file kPerUserMarker beside its executables: the programs
// are then shared and never written to, and each user's program folder is
// $XDG_DATA_HOME/ruvudar/ ($HOME/.local/share/ruvudar/ when XDG_DATA_HOME is unset, empty
// or relative). The viewer hands its folder to the indexer it starts (kIndexerFolderOption), so both
// always work on the same one.
#pragma once

#include <string>

namespace program_folder {

// The full path of the running executable (/proc/self/exe); empty when it cannot be read.
std::string ExecutablePath();

// The folder of ExecutablePath() with a trailing "/"; empty when it cannot be read.
std::string ExecutableFolder();

// True when executable_folder holds the per-user marker.
bool IsPerUserInstall(const std::string& executable_folder);

// The per-user program folder from the values of XDG_DATA_HOME and HOME (nullptr when
// unset), with a trailing "/"; empty when neither gives an absolute path.
std::string PerUserFolder(const char* xdg_data_home, const char* home);

// Where an installed copy's README lies: the package's documentation folder, prefix +
// "/share/doc/ruvudar/" beside prefix + "/lib/ruvudar/"; empty for a folder without the
// marker, whose README lies beside the executables.
std::string InstalledReadmeFolder(const std::string& executable_folder);

// The program folder for executables in executable_folder: the folder itself, or, for an
// installed copy, the user's folder from this process's environment, created (mode 0700)
// when missing. Throws AppError when the per-user folder cannot be found or made.
std::string ProgramFolderFor(const std::string& executable_folder);

}  // namespace program_folder
