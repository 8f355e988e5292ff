// Character sets of document bytes: detection (byte-order marks, ISO-2022 escapes, UTF-8
// validity, then uchardet) and conversion to UTF-8 through iconv. Japanese legacy sets are
// read through their Microsoft supersets (CP932, EUC-JP-MS) so vendor characters survive.
#pragma once

#include <string>
#include <string_view>

// The iconv name of the character set of bytes that declare none: "UTF-8", "UTF-16LE",
// "UTF-16BE" (by byte-order mark), "ISO-2022-JP", "CP932", "EUC-JP-MS", or another set
// uchardet names. Pure ASCII gives "UTF-8".
std::string DetectCharset(std::string_view bytes);

// Maps a declared charset label (from a meta tag, a MIME header, \ansicpg) to the name
// iconv should use: "shift_jis" -> "CP932", "euc-jp" -> "EUC-JP-MS", "932" -> "CP932", ...
// An empty label gives an empty result.
std::string CanonicalCharset(std::string_view label);

// Converts bytes in charset to UTF-8; bytes that do not convert become U+FFFD, and a charset
// iconv does not know falls back to detection. The result is always valid UTF-8.
std::string ConvertToUtf8(std::string_view bytes, const std::string& charset);

// True when every byte of bytes converts from charset (a known one) without a fault.
bool ConvertsCleanly(std::string_view bytes, const std::string& charset);

// Decodes text of unknown charset: a byte-order mark is honoured and removed, otherwise the
// charset is detected. The result is always valid UTF-8.
std::string DecodeUnknownText(std::string_view bytes);

// The length of a leading UTF-8, UTF-16LE or UTF-16BE byte-order mark (0 when none), and the
// charset it names in *charset.
size_t ByteOrderMarkLength(std::string_view bytes, std::string* charset);
