// Runs a parsed query on one generation's index: every term is a phrase lookup on the
// bigram index (a single character a lookup in the character index), combined by the tree's
// operators. The result may hold more documents than contain the terms, never fewer.
#pragma once

#include "senna/database.h"
#include "senna/query_parser.h"
#include "senna/records.h"

namespace senna {

// The documents that query matches, in ascending id order; documents removed since may be
// among them. Throws std::bad_alloc on memory exhaustion; a Groonga failure yields what was
// found so far.
Hits RunQuery(Database& db, const ParsedQuery& query);

}  // namespace senna
