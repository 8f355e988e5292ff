// Adding and removing documents in a generation being built. The texts are not stored:
// their postings go straight into the index column, and a removal takes them out again
// from the same texts.
#pragma once

#include "senna/database.h"
#include "senna/senna.h"

#include <string_view>

namespace senna {

// Longest key accepted: a key must fit the reader's 128-byte key buffer.
constexpr size_t kMaxKeyBytes = 127;

// Adds key with its folded path and text; sen_invalid_argument when the key is empty, too
// long or already present.
sen_rc PutDocument(Database &db, std::string_view key, std::string_view path,
                   std::string_view text);

// Removes key and the postings of path and text; sen_invalid_argument when it is absent.
sen_rc DeleteDocument(Database &db, std::string_view key, std::string_view path,
                      std::string_view text);

} // namespace senna
