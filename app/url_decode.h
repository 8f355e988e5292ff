// Reading the command out of a navigation URL: percent-decoding in the browser's form
// encoding and the NAME=value lookup over the whole decoded URL.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One pass over bytes: "+" becomes a space, "%" and the two characters after it become one
// byte (the two are taken as hex digits without checking them), every other byte is copied.
// What the pass writes is never looked at again, so %2B stays "+" and %25 starts no escape.
// A "%" with fewer than two characters after it is copied as it stands. The result ends at
// the first NUL byte it holds, as the NUL-terminated original did.
std::string DecodeUrl(std::string_view bytes);

// The URL as the handler reads it: DecodeUrl of its UTF-8 bytes, with every byte sequence
// that is not UTF-8 afterwards (for instance from %FF) replaced by U+FFFD.
std::string DecodedUrl(std::string_view url);

// The value of parameter name: the text after the first occurrence of name + "=" (exact,
// anywhere in the URL) up to the next "&" or the end; empty when the key is absent.
std::string QueryValue(std::string_view decoded_url, std::string_view name);

// For n from 1 to count, whether QueryValue(decoded_url, prefix + n) equals value, found in
// one pass over the URL (a search ticks thousands of numbered categories).
std::vector<bool> NumberedValuesEqual(std::string_view decoded_url, std::string_view prefix,
                                      size_t count, std::string_view value);

// How many passes QueryValue and NumberedValuesEqual have made over a URL in this process,
// so a test can see that a command reads its URL a fixed number of times.
size_t UrlPassCount();

// A SORT, PAGE or NUM value as a whole number, or -1 when it is not one.
int WholeNumber(std::string_view value);
