// HTML documents (.html .htm): the title, then the visible text of the page (no scripts,
// styles, comments or mark-up), block elements on lines of their own. The charset comes
// from a byte-order mark, then a meta declaration, then detection.
#pragma once

#include <string>
#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractHtml(std::string_view bytes);

// The text of HTML that is already UTF-8 (a mail's HTML part, say).
std::string HtmlToText(std::string_view utf8);

// The charset a meta tag in the first few kilobytes declares, as CanonicalCharset gives it,
// or "" when none is declared.
std::string DeclaredHtmlCharset(std::string_view bytes);
