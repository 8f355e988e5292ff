// The further-extensions field of the settings dialog (Edit1): the one rule that turns its
// text into extensions, used by the daradiv.ini writer and by the field's own normalising.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The text trimmed and cut at every ":"; each piece trimmed and lower-cased; pieces without
// a "." dropped. Order and duplicates are kept.
std::vector<std::string> ExtensionPieces(std::string_view text);

// The kept pieces joined with " : " (empty when none is kept): the field's text on screen.
std::string NormaliseExtensionField(std::string_view text);
