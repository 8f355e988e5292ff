// Sets of documents are sorted vectors of record ids, combined by linear merges. A term is
// looked up at document level: the documents holding every bigram of it, read straight from
// the posting lists, which costs far less than Groonga's phrase search with its positions and
// result tables. That set may hold more than the phrase; where a term is negated, a set
// holding more would take true hits away, so there Groonga's phrase search gives the set.
#include "senna/search.h"

#include <algorithm>
#include <cstring>

#include "senna/text_repair.h"
#include "senna/triples.h"
#include "senna/words.h"

namespace senna {

namespace {

struct Token {
    grn_id tid;
    uint32_t offset;  // position in the term
};

bool ById(const Hit& a, const Hit& b) { return a.id < b.id; }

// What a set may differ by from the documents that truly match: more of them (the sets
// that are searched) or fewer (the sets that are taken away by a NOT).
enum class Bound { kMore, kFewer };

Bound Flip(Bound b) { return b == Bound::kMore ? Bound::kFewer : Bound::kMore; }

Hits Intersect(const Hits& a, const Hits& b) {
    Hits out;
    out.reserve(std::min(a.size(), b.size()));
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].id < b[j].id) {
            ++i;
        } else if (b[j].id < a[i].id) {
            ++j;
        } else {
            out.push_back({a[i].id, a[i].score + b[j].score});
            ++i;
            ++j;
        }
    }
    return out;
}

Hits Unite(const Hits& a, const Hits& b) {
    Hits out;
    out.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].id < b[j].id)) {
            out.push_back(a[i++]);
        } else if (i == a.size() || b[j].id < a[i].id) {
            out.push_back(b[j++]);
        } else {
            out.push_back({a[i].id, a[i].score + b[j].score});
            ++i;
            ++j;
        }
    }
    return out;
}

Hits Subtract(const Hits& a, const Hits& b) {
    Hits out;
    out.reserve(a.size());
    size_t j = 0;
    for (const Hit& h : a) {
        while (j < b.size() && b[j].id < h.id) ++j;
        if (j == b.size() || b[j].id != h.id) out.push_back(h);
    }
    return out;
}

// acc united with more. The columns of a generation hold documents of ascending id ranges,
// one after another, so their sets mostly join end to end without a merge.
void UniteInto(Hits& acc, Hits&& more) {
    if (more.empty()) return;
    if (acc.empty()) {
        acc = std::move(more);
    } else if (acc.back().id < more.front().id) {
        acc.insert(acc.end(), more.begin(), more.end());
    } else {
        acc = Unite(acc, more);
    }
}

// a with the scores of the documents it shares with b added.
Hits Adjust(Hits a, const Hits& b) {
    size_t j = 0;
    for (Hit& h : a) {
        while (j < b.size() && b[j].id < h.id) ++j;
        if (j < b.size() && b[j].id == h.id) h.score += b[j].score;
    }
    return a;
}

class Evaluator {
  public:
    explicit Evaluator(Database& db)
        : db_(db), ctx_(db.ctx()), search_added_(db.AddedSinceFreshBuild() != 0) {}

    Hits Group(const QueryNode& group, Bound bound) {
        Hits acc;
        bool first = true;
        for (const QueryNode& child : group.children) {
            if (first) {
                acc = child.negated ? Complement(Positive(child, Flip(bound)))
                                    : Positive(child, bound);
                first = false;
                continue;
            }
            switch (child.op) {
                case sen_sel_and:
                    acc = child.negated ? Subtract(acc, Positive(child, Flip(bound)))
                                        : Intersect(acc, Positive(child, bound));
                    break;
                case sen_sel_but:  // "but not X" keeps only X
                    acc = child.negated ? Intersect(acc, Positive(child, bound))
                                        : Subtract(acc, Positive(child, Flip(bound)));
                    break;
                case sen_sel_adjust:
                    acc = Adjust(std::move(acc), child.negated
                                                     ? Complement(Positive(child, Flip(bound)))
                                                     : Positive(child, bound));
                    break;
                default:
                    acc = Unite(acc, child.negated ? Complement(Positive(child, Flip(bound)))
                                                   : Positive(child, bound));
                    break;
            }
        }
        return acc;
    }

  private:
    // The node's own set, its NOT left aside.
    Hits Positive(const QueryNode& node, Bound bound) {
        return node.is_group ? Group(node, bound) : Term(node.text, bound);
    }

    // Every document that is not in hits.
    Hits Complement(const Hits& hits) {
        Hits all;
        all.reserve(grn_table_size(ctx_, db_.keys()));
        GRN_TABLE_EACH_BEGIN(ctx_, db_.keys(), cursor, kid) {
            if (grn_id doc = db_.DocOf(kid); doc != GRN_ID_NIL) all.push_back({doc, 0});
        }
        GRN_TABLE_EACH_END(ctx_, cursor);
        std::sort(all.begin(), all.end(), ById);
        return Subtract(all, hits);
    }

    Hits Term(const std::string& text, Bound bound) {
        if (text.empty()) return {};  // an empty term is held by no document
        std::string scratch;
        std::string_view term = TokenizableText(ctx_, text, scratch);
        bool one_char = grn_charlen(ctx_, term.data(), term.data() + term.size()) ==
                        static_cast<int>(term.size());
        if (one_char) return TermIn(db_.chars(), term, bound);
        // A Latin term is answered from the word lexicon, exactly, when few words hold it.
        if (db_.words() && IsWordTerm(term)) {
            Hits hits;
            if (WordTerm(term, hits)) return hits;
        }
        // Otherwise the documents holding all its triples, when they are few enough that
        // checking their texts costs less than reading the bigrams' positions.
        if (bound == Bound::kMore && db_.triples()) {
            Hits hits;
            if (TripleTerm(term, hits) && hits.size() <= kEnoughTriples) return hits;
        }
        // A document's bigrams are in exactly one column: one of the bulk sessions' or the
        // added documents'.
        Hits hits;
        for (grn_obj* index : db_.indexes()) UniteInto(hits, TermIn(index, term, bound));
        if (search_added_) UniteInto(hits, TermIn(db_.added(), term, bound));
        return hits;
    }

    // The documents holding a word that holds term, exactly what hold term. False, with
    // nothing read from the documents' lists, when more than kMaxWords words hold it: a
    // term that common is looked up by its bigrams.
    static constexpr size_t kMaxWords = 512;
    bool WordTerm(std::string_view term, Hits& out) {
        grn_obj* res =
            grn_table_create(ctx_, nullptr, 0, nullptr,
                             GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, db_.words(), nullptr);
        if (!res) throw std::bad_alloc();
        grn_obj query;
        GRN_TEXT_INIT(&query, GRN_OBJ_DO_SHALLOW_COPY);
        GRN_TEXT_SET_REF(&query, term.data(), term.size());
        grn_search_optarg optarg;
        std::memset(&optarg, 0, sizeof optarg);
        optarg.mode = GRN_OP_EXACT;
        grn_rc rc = grn_obj_search(ctx_, db_.word_grams(), &query, res, GRN_OP_OR, &optarg);
        GRN_OBJ_FIN(ctx_, &query);
        std::vector<grn_id> words;
        bool ok = rc == GRN_SUCCESS && grn_table_size(ctx_, res) <= kMaxWords;
        if (ok) {
            GRN_TABLE_EACH_BEGIN(ctx_, res, cursor, rid) {
                void* key;
                grn_table_cursor_get_key(ctx_, cursor, &key);
                grn_id wid;
                std::memcpy(&wid, key, sizeof wid);
                words.push_back(wid);
            }
            GRN_TABLE_EACH_END(ctx_, cursor);
        }
        grn_obj_close(ctx_, res);
        if (!ok) return false;
        grn_ii* ii = reinterpret_cast<grn_ii*>(db_.word_postings());
        const uint32_t n_elements = grn_ii_get_n_elements(ctx_, ii);
        out.clear();
        for (grn_id wid : words) {
            grn_ii_cursor* c =
                grn_ii_cursor_open(ctx_, ii, wid, GRN_ID_NIL, GRN_ID_MAX, n_elements, 0);
            if (!c) continue;  // a word without documents
            while (grn_posting* p = grn_ii_cursor_next(ctx_, c))
                out.push_back({grn_posting_get_record_id(ctx_, p), 1});
            grn_ii_cursor_close(ctx_, c);
        }
        if (words.size() > 1) {
            std::sort(out.begin(), out.end(), ById);
            out.erase(std::unique(out.begin(), out.end(),
                                  [](const Hit& a, const Hit& b) { return a.id == b.id; }),
                      out.end());
        }
        return true;
    }

    // The documents holding every triple of term, or some more; false when term has no
    // triple or a list cannot be read.
    static constexpr size_t kEnoughTriples = 2048;
    bool TripleTerm(std::string_view term, Hits& out) {
        std::vector<std::string_view> triples;
        AppendTriples(ctx_, term, triples);
        if (triples.empty()) return false;
        grn_obj* lexicon = grn_column_table(ctx_, db_.triples());
        if (!lexicon) return false;
        std::vector<Token> tokens;
        for (std::string_view t : triples) {
            grn_id tid = grn_table_get(ctx_, lexicon, t.data(), static_cast<unsigned>(t.size()));
            if (tid == GRN_ID_NIL) {  // no document holds this triple, so none holds term
                out.clear();
                return true;
            }
            if (std::none_of(tokens.begin(), tokens.end(),
                             [tid](const Token& k) { return k.tid == tid; }))
                tokens.push_back({tid, 0});
        }
        return HoldingAll(db_.triples(), tokens, out);
    }

    // The documents of one index column holding term.
    Hits TermIn(grn_obj* index, std::string_view term, Bound bound) {
        if (bound == Bound::kMore) {
            std::vector<Token> tokens;
            Hits hits;
            if (Tokens(index, term, tokens) && HoldingAll(index, tokens, hits)) {
                // Common tokens may all meet in most documents without forming the phrase;
                // then the phrase search costs less than checking every document.
                if (hits.size() <= kFewDocuments || tokens.size() < 2 ||
                    MostHoldPhrase(index, tokens, hits))
                    return hits;
            }
        }
        return Phrase(index, term);
    }

    // The tokens of term in index's lexicon; false when a token needs more than a posting
    // list (a prefix), is unknown or repeats, which Groonga's own search then decides.
    bool Tokens(grn_obj* index, std::string_view term, std::vector<Token>& tokens) {
        grn_obj* lexicon = grn_column_table(ctx_, index);
        if (!lexicon) return false;
        grn_token_cursor* cursor =
            grn_token_cursor_open(ctx_, lexicon, term.data(), term.size(), GRN_TOKEN_GET, 0);
        if (!cursor) return false;
        bool ok = true;
        while (grn_token_cursor_get_status(ctx_, cursor) != GRN_TOKEN_CURSOR_DONE) {
            grn_id tid = grn_token_cursor_next(ctx_, cursor);
            grn_token* token = grn_token_cursor_get_token(ctx_, cursor);
            if (tid == GRN_ID_NIL || !token ||
                (grn_token_get_status(ctx_, token) & GRN_TOKEN_FORCE_PREFIX)) {
                ok = false;
                break;
            }
            // A token met twice ("aaaaa") leaves the phrase to the positions.
            if (std::any_of(tokens.begin(), tokens.end(),
                            [tid](const Token& t) { return t.tid == tid; })) {
                ok = false;
                break;
            }
            tokens.push_back({tid, static_cast<uint32_t>(grn_token_get_position(ctx_, token))});
        }
        grn_token_cursor_close(ctx_, cursor);
        return ok && !tokens.empty();
    }

    // The documents holding every token. The likely rarest list is read first; a later list
    // that keeps nearly every document seen so far narrows nothing worth its reading and is
    // left after a sample, and no list is read once a few documents are left, so the set may
    // keep documents without a token, never lose one. False when the first list cannot be read.
    bool HoldingAll(grn_obj* index, const std::vector<Token>& tokens, Hits& acc) {
        grn_ii* ii = reinterpret_cast<grn_ii*>(index);
        const uint32_t n_elements = grn_ii_get_n_elements(ctx_, ii);
        std::vector<std::pair<uint32_t, grn_id>> order;
        for (const Token& t : tokens)
            order.push_back({grn_ii_estimate_size(ctx_, ii, t.tid), t.tid});
        std::sort(order.begin(), order.end());
        acc.clear();
        // A token without postings in this column: no document of it holds the term. Common
        // in the column of added documents, which holds few.
        if (order.front().first == 0) return true;
        bool first = true;
        for (const auto& [estimate, tid] : order) {
            (void)estimate;
            // A handful of documents is verified faster than another list is read.
            if (!first && acc.size() <= kFewDocuments) break;
            grn_id min = first ? GRN_ID_NIL : acc.front().id;
            grn_ii_cursor* c = grn_ii_cursor_open(ctx_, ii, tid, min, GRN_ID_MAX, n_elements, 0);
            if (!c) {
                if (first) return false;
                continue;  // a list that cannot be read narrows nothing
            }
            if (first) {
                while (grn_posting* p = grn_ii_cursor_next(ctx_, c)) {
                    grn_id rid = grn_posting_get_record_id(ctx_, p);
                    if (acc.empty() || acc.back().id != rid) acc.push_back({rid, 1});
                }
                first = false;
            } else {
                acc = Narrow(acc, c);
            }
            grn_ii_cursor_close(ctx_, c);
        }
        return true;
    }

    static constexpr size_t kFewDocuments = 64;

    // acc without the documents the cursor's list lacks; the rest of acc unchanged once a
    // sample shows the list lacks hardly any.
    static constexpr size_t kSampleMin = 64;
    Hits Narrow(const Hits& acc, grn_ii_cursor* c) {
        Hits out;
        out.reserve(acc.size());
        size_t sample = std::max(kSampleMin, acc.size() / 16);
        size_t i = 0;
        grn_posting* p = grn_ii_cursor_next(ctx_, c);
        while (i < acc.size() && p) {
            grn_id rid = grn_posting_get_record_id(ctx_, p);
            if (rid < acc[i].id) {
                p = grn_ii_cursor_next(ctx_, c);
                continue;
            }
            if (rid == acc[i].id) out.push_back(acc[i]);
            ++i;
            if (i == sample && out.size() * 10 >= i * 9) {
                out.insert(out.end(), acc.begin() + static_cast<std::ptrdiff_t>(i), acc.end());
                return out;
            }
        }
        return out;
    }

    // True when at least half of the first documents of hits hold the tokens at their
    // offsets in one section, read from the positions of those documents only.
    static constexpr size_t kPhraseSample = 32;
    bool MostHoldPhrase(grn_obj* index, const std::vector<Token>& tokens, const Hits& hits) {
        grn_ii* ii = reinterpret_cast<grn_ii*>(index);
        const uint32_t n_elements = grn_ii_get_n_elements(ctx_, ii);
        const size_t n = std::min(kPhraseSample, hits.size());
        const grn_id first = hits[0].id, last = hits[n - 1].id;
        // places[t][d]: section and position of token t in sample document d.
        std::vector<std::vector<std::vector<uint64_t>>> places(
            tokens.size(), std::vector<std::vector<uint64_t>>(n));
        for (size_t t = 0; t < tokens.size(); ++t) {
            grn_ii_cursor* c =
                grn_ii_cursor_open(ctx_, ii, tokens[t].tid, first, last, n_elements, 0);
            if (!c) return true;
            size_t d = 0;
            while (grn_posting* p = grn_ii_cursor_next(ctx_, c)) {
                grn_id rid = grn_posting_get_record_id(ctx_, p);
                while (d < n && hits[d].id < rid) ++d;
                if (d == n) break;
                if (hits[d].id != rid) continue;
                uint64_t section = static_cast<uint64_t>(grn_posting_get_section_id(ctx_, p)) << 32;
                for (grn_posting* q = grn_ii_cursor_next_pos(ctx_, c); q;
                     q = grn_ii_cursor_next_pos(ctx_, c))
                    places[t][d].push_back(section | grn_posting_get_position(ctx_, q));
            }
            grn_ii_cursor_close(ctx_, c);
        }
        size_t holding = 0;
        for (size_t d = 0; d < n; ++d) {
            for (auto& list : places) std::sort(list[d].begin(), list[d].end());
            for (uint64_t start : places[0][d]) {
                uint64_t base = start - tokens[0].offset;
                bool all = std::all_of(tokens.begin() + 1, tokens.end(), [&](const Token& t) {
                    const auto& list = places[&t - tokens.data()][d];
                    return std::binary_search(list.begin(), list.end(), base + t.offset);
                });
                if (all) {
                    ++holding;
                    break;
                }
            }
        }
        return holding * 2 >= n;
    }

    // Groonga's phrase search: bigrams at consecutive positions.
    Hits Phrase(grn_obj* index, std::string_view term) {
        grn_obj* res =
            grn_table_create(ctx_, nullptr, 0, nullptr,
                             GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, db_.docs(), nullptr);
        if (!res) throw std::bad_alloc();
        grn_obj query;
        GRN_TEXT_INIT(&query, 0);
        GRN_TEXT_SET(ctx_, &query, term.data(), term.size());
        grn_search_optarg optarg;
        std::memset(&optarg, 0, sizeof optarg);
        optarg.mode = GRN_OP_EXACT;
        grn_obj_search(ctx_, index, &query, res, GRN_OP_OR, &optarg);
        GRN_OBJ_FIN(ctx_, &query);
        Hits out;
        out.reserve(grn_table_size(ctx_, res));
        grn_obj* score_column =
            grn_obj_column(ctx_, res, GRN_COLUMN_NAME_SCORE, GRN_COLUMN_NAME_SCORE_LEN);
        grn_obj score;
        GRN_VOID_INIT(&score);
        GRN_TABLE_EACH_BEGIN(ctx_, res, cursor, rid) {
            void* doc_key;
            grn_table_cursor_get_key(ctx_, cursor, &doc_key);
            grn_id doc;
            std::memcpy(&doc, doc_key, sizeof doc);
            int s = 0;
            if (score_column) {
                GRN_BULK_REWIND(&score);
                grn_obj_get_value(ctx_, score_column, rid, &score);
                if (score.header.domain == GRN_DB_FLOAT)
                    s = static_cast<int>(GRN_FLOAT_VALUE(&score));
                else if (GRN_BULK_VSIZE(&score) >= sizeof(int32_t))
                    s = GRN_INT32_VALUE(&score);
            }
            out.push_back({doc, s});
        }
        GRN_TABLE_EACH_END(ctx_, cursor);
        GRN_OBJ_FIN(ctx_, &score);
        if (score_column) grn_obj_unlink(ctx_, score_column);
        grn_obj_close(ctx_, res);
        std::sort(out.begin(), out.end(), ById);
        return out;
    }

    Database& db_;
    grn_ctx* ctx_;
    bool search_added_;  // false while the second bigram column is empty
};

}  // namespace

Hits RunQuery(Database& db, const ParsedQuery& query) {
    if (!query.valid) return {};
    return Evaluator(db).Group(query.root, Bound::kMore);
}

}  // namespace senna
