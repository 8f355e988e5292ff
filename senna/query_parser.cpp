// Recursive descent over the query bytes; blanks are ASCII white space.
#include "senna/query_parser.h"

namespace senna {

namespace {

constexpr int kMaxDepth = 64;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool EndsWord(char c) { return IsBlank(c) || c == '(' || c == ')' || c == '"'; }

class Parser {
  public:
    Parser(const std::string& s, sen_sel_operator default_op, int max_exprs)
        : s_(s), default_op_(default_op), max_exprs_(max_exprs) {}

    ParsedQuery Run() {
        ParsedQuery q;
        q.root.is_group = true;
        Sequence(q.root, 0, true);
        q.valid = !too_deep_;
        q.rest_begin = rest_begin_;
        return q;
    }

  private:
    void SkipBlanks() {
        while (p_ < s_.size() && IsBlank(s_[p_])) ++p_;
    }

    // True when the bare word "OR" starts at p_.
    bool AtOr() const {
        return s_.compare(p_, 2, "OR") == 0 && (p_ + 2 == s_.size() || EndsWord(s_[p_ + 2]));
    }

    // Parses items into group until ")" (consumed) or the end, or until the expression
    // limit stops a top-level sequence.
    void Sequence(QueryNode& group, int depth, bool top) {
        bool pending_or = false;
        int exprs = 0;
        for (;;) {
            SkipBlanks();
            if (p_ >= s_.size()) break;
            if (s_[p_] == ')') {
                ++p_;
                if (top) continue;  // a stray ")" is ignored
                return;
            }
            if (AtOr()) {
                p_ += 2;
                pending_or = !group.children.empty();
                continue;
            }
            size_t item_begin = p_;
            sen_sel_operator op = pending_or ? sen_sel_or : default_op_;
            pending_or = false;
            bool new_expr = group.children.empty() || op != sen_sel_or;
            if (top && new_expr && max_exprs_ > 0 && exprs == max_exprs_) {
                p_ = item_begin;
                rest_begin_ = item_begin;
                return;
            }
            if (new_expr) ++exprs;
            QueryNode node;
            node.op = op;
            if (s_[p_] == '-' && p_ + 1 < s_.size() && !IsBlank(s_[p_ + 1]) && s_[p_ + 1] != ')') {
                node.negated = true;
                ++p_;
            }
            if (s_[p_] == '(') {
                ++p_;
                node.is_group = true;
                if (depth + 1 >= kMaxDepth) {
                    too_deep_ = true;
                    p_ = s_.size();
                    rest_begin_ = p_;
                    return;
                }
                Sequence(node, depth + 1, false);
            } else if (s_[p_] == '"') {
                ++p_;
                node.text = Phrase();
            } else {
                size_t b = p_;
                while (p_ < s_.size() && !EndsWord(s_[p_])) ++p_;
                node.text = s_.substr(b, p_ - b);
            }
            group.children.push_back(std::move(node));
        }
        rest_begin_ = s_.size();
    }

    // The phrase after an opening quote, up to the closing one (consumed).
    std::string Phrase() {
        std::string out;
        while (p_ < s_.size()) {
            char c = s_[p_++];
            if (c == '"') return out;
            if (c == '\\' && p_ < s_.size() && (s_[p_] == '"' || s_[p_] == '\\')) c = s_[p_++];
            out += c;
        }
        return out;
    }

    const std::string& s_;
    sen_sel_operator default_op_;
    int max_exprs_;
    size_t p_ = 0;
    size_t rest_begin_ = 0;
    bool too_deep_ = false;
};

}  // namespace

ParsedQuery ParseQuery(const std::string& text, sen_sel_operator default_op, int max_exprs) {
    return Parser(text, default_op, max_exprs).Run();
}

}  // namespace senna
