// What the desktop offers for opening documents: the default opener and a text editor.
#pragma once

#include <string>

// The full path of an executable file called name on PATH, or empty.
std::string FindOnPath(const std::string& name);

// The desktop's default opener (xdg-open) when it is installed, else empty.
std::string DefaultOpener();

// The first desktop text editor found on PATH (never a terminal editor), else empty.
std::string DesktopTextEditor();
