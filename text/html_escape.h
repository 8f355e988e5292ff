// Escaping text for HTML: the four characters that could end an attribute or start mark-up
// are written as references. Used by the page writers and by the indexer's update log,
// which the welcome page shows as it stands.
#pragma once

#include <string>
#include <string_view>

// text with "&", "<", ">" and '"' written as references (for attributes and page text).
std::string EscapeHtml(std::string_view text);

// Appends bytes to out escaped as EscapeHtml does; with semicolon, ";" is written as "&#59;"
// too, so the text can stand as a field of a ";;"-joined record.
void AppendEscapedHtml(std::string& out, std::string_view bytes, bool semicolon);
