// The query language of the index, parsed into a small tree: terms separated by blanks and
// joined by a default operator, "OR" between two expressions, parentheses, "-" for NOT and
// double-quoted phrases. Nothing of the query text is ever handed to Groonga as syntax.
#pragma once

#include <string>
#include <vector>

#include "senna/senna.h"

namespace senna {

struct QueryNode {
    bool is_group = false;
    bool negated = false;
    // How the node joins what its earlier siblings gave; unused for the first child.
    sen_sel_operator op = sen_sel_and;
    std::string text;                 // a term: looked up as a phrase
    std::vector<QueryNode> children;  // a group
};

struct ParsedQuery {
    QueryNode root;         // a group
    bool valid = true;      // false: the query matches nothing
    size_t rest_begin = 0;  // offset of the unparsed rest in the query text
};

// Parses text. An expression is a top-level item together with the items joined to it by
// OR; after max_exprs of them (no limit when max_exprs <= 0) parsing stops, so leaving the
// rest out only ever widens what the query matches. Unbalanced parentheses are closed
// or ignored; an unterminated phrase runs to the end.
ParsedQuery ParseQuery(const std::string& text, sen_sel_operator default_op, int max_exprs);

}  // namespace senna
