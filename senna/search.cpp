// Each group is evaluated into a temporary Groonga result table; terms are searched
// straight into the table of their group with the group's operator.
#include "senna/search.h"

#include <cstring>

#include "senna/text_repair.h"

namespace senna {

namespace {

class Evaluator {
  public:
    explicit Evaluator(Database& db) : db_(db), ctx_(db.ctx()) {}

    ~Evaluator() {
        for (grn_obj* t : tables_) grn_obj_close(ctx_, t);
    }

    grn_obj* NewTable() {
        grn_obj* t =
            grn_table_create(ctx_, nullptr, 0, nullptr,
                             GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, db_.docs(), nullptr);
        if (!t) throw std::bad_alloc();
        tables_.push_back(t);
        return t;
    }

    // A table holding every document.
    grn_obj* AllDocs() {
        grn_obj* t = NewTable();
        GRN_TABLE_EACH_BEGIN(ctx_, db_.docs(), cursor, id) {
            grn_table_add(ctx_, t, &id, sizeof id, nullptr);
        }
        GRN_TABLE_EACH_END(ctx_, cursor);
        return t;
    }

    void Group(const QueryNode& group, grn_obj* acc) {
        bool first = true;
        for (const QueryNode& child : group.children) {
            Apply(child, acc, first ? sen_sel_or : child.op);
            first = false;
        }
    }

    std::vector<Record> Collect(grn_obj* res) {
        std::vector<Record> out;
        out.reserve(grn_table_size(ctx_, res));
        grn_obj* score_column =
            grn_obj_column(ctx_, res, GRN_COLUMN_NAME_SCORE, GRN_COLUMN_NAME_SCORE_LEN);
        grn_obj score;
        GRN_VOID_INIT(&score);
        char key[GRN_TABLE_MAX_KEY_SIZE];
        GRN_TABLE_EACH_BEGIN(ctx_, res, cursor, rid) {
            void* doc_key;
            grn_table_cursor_get_key(ctx_, cursor, &doc_key);
            grn_id doc;
            std::memcpy(&doc, doc_key, sizeof doc);
            int len = grn_table_get_key(ctx_, db_.docs(), doc, key, sizeof key);
            // Postings left behind by a removed document point at no key.
            if (len <= 0 || len > static_cast<int>(sizeof key)) continue;
            int s = 0;
            if (score_column) {
                GRN_BULK_REWIND(&score);
                grn_obj_get_value(ctx_, score_column, rid, &score);
                if (score.header.domain == GRN_DB_FLOAT)
                    s = static_cast<int>(GRN_FLOAT_VALUE(&score));
                else if (GRN_BULK_VSIZE(&score) >= sizeof(int32_t))
                    s = GRN_INT32_VALUE(&score);
            }
            std::string k(key, static_cast<size_t>(len));
            out.push_back(Record{KeyNumber(k), std::move(k), s});
        }
        GRN_TABLE_EACH_END(ctx_, cursor);
        GRN_OBJ_FIN(ctx_, &score);
        if (score_column) grn_obj_unlink(ctx_, score_column);
        SortRecords(out);
        return out;
    }

  private:
    static grn_operator GroongaOp(sen_sel_operator op) {
        switch (op) {
            case sen_sel_and:
                return GRN_OP_AND;
            case sen_sel_but:
                return GRN_OP_AND_NOT;
            case sen_sel_adjust:
                return GRN_OP_ADJUST;
            default:
                return GRN_OP_OR;
        }
    }

    void Apply(const QueryNode& node, grn_obj* acc, sen_sel_operator op) {
        if (!node.is_group && !node.negated) {
            Term(node.text, acc, GroongaOp(op));
            return;
        }
        if (!node.is_group && (op == sen_sel_and || op == sen_sel_but)) {
            // "and not X" takes X out; "but not X" keeps only X.
            Term(node.text, acc, op == sen_sel_and ? GRN_OP_AND_NOT : GRN_OP_AND);
            return;
        }
        grn_obj* value;
        if (node.is_group) {
            value = NewTable();
            Group(node, value);
            if (node.negated) {
                grn_obj* all = AllDocs();
                grn_table_setoperation(ctx_, all, value, all, GRN_OP_AND_NOT);
                value = all;
            }
        } else {
            value = AllDocs();
            Term(node.text, value, GRN_OP_AND_NOT);
        }
        grn_table_setoperation(ctx_, acc, value, acc, GroongaOp(op));
    }

    void Term(const std::string& text, grn_obj* acc, grn_operator op) {
        if (text.empty()) {
            // An empty term is held by no document.
            if (op == GRN_OP_AND) grn_table_setoperation(ctx_, acc, NewTable(), acc, GRN_OP_AND);
            return;
        }
        std::string scratch;
        std::string_view term = TokenizableText(ctx_, text, scratch);
        grn_obj query;
        GRN_TEXT_INIT(&query, 0);
        GRN_TEXT_SET(ctx_, &query, term.data(), term.size());
        grn_search_optarg optarg;
        std::memset(&optarg, 0, sizeof optarg);
        optarg.mode = GRN_OP_EXACT;  // a phrase: bigrams at consecutive positions
        bool one_char = grn_charlen(ctx_, term.data(), term.data() + term.size()) ==
                        static_cast<int>(term.size());
        grn_obj* index = one_char && db_.chars() ? db_.chars() : db_.index();
        grn_obj_search(ctx_, index, &query, acc, op, &optarg);
        GRN_OBJ_FIN(ctx_, &query);
    }

    Database& db_;
    grn_ctx* ctx_;
    std::vector<grn_obj*> tables_;
};

}  // namespace

std::vector<Record> RunQuery(Database& db, const ParsedQuery& query) {
    if (!query.valid) return {};
    Evaluator ev(db);
    grn_obj* acc = ev.NewTable();
    ev.Group(query.root, acc);
    return ev.Collect(acc);
}

}  // namespace senna
