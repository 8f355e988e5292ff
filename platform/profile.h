// INI profile files (the settings file ruvudar.ini): reading one key with a default and
// writing one key while keeping every other line. Section and key names match regardless
// of case; lines end in CR LF.
#pragma once

#include <string>

// The value of key in section of the file at path, blanks around it removed; default_value
// when the file, the section or the key is missing. The first matching section and key win.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& default_value, const std::string& path);

// Sets key = value in section of the file at path. The key's line is replaced in place; a
// missing key is added at the end of its section, a missing section at the end of the file,
// a missing file is created. Every other line stays as it was. The file is replaced whole
// and atomically. False when it cannot be read or written, or when a name or the value holds
// a line break (or the section a "]", the key a "=").
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path);
