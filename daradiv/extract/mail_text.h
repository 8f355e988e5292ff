// Mail messages (.eml): the From, To, Cc, Subject and Date headers with their encoded words
// decoded, then the text of the inline text parts in their declared charsets (ISO-2022-JP
// included); HTML parts are read only when a message has no plain-text part. Attachments
// are left out.
#pragma once

#include <string_view>

#include "daradiv/extract/extractor.h"

ExtractResult ExtractMail(std::string_view bytes);
