#include "senna/index_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "senna/mapped_pages.h"
#include "senna/records.h"
#include "senna/text_repair.h"
#include "senna/triples.h"
#include "senna/words.h"

namespace senna {

namespace {

// Memory the bulk builder may use before it spills sorted runs to a file.
constexpr unsigned long long kBulkBufferBytes = 16ULL << 20;
// Text a bulk session takes before its builder is committed. The commit reads back every
// sorted run the builder spilled, holding a buffer for each, so its memory grows with the
// text taken; at this bound it stays below what the builder held while taking text, and a
// large corpus still makes only a handful of columns to search.
constexpr size_t kSessionBytes = 256u << 20;
// Index file pages the writer may keep mapped before it lets them go; those in daily use
// are mapped again from the page cache. Checked every few documents.
constexpr size_t kMappedBudgetBytes = 64u << 20;
constexpr unsigned kPutsPerCheck = 16;

sen_rc FromGroonga(grn_rc rc) {
    if (rc == GRN_SUCCESS) return sen_success;
    return rc == GRN_NO_MEMORY_AVAILABLE ? sen_memory_exhausted : sen_other_error;
}

// Each character of a tokenizable value once, in byte order. The character index keeps
// which documents hold a character, not where nor how often, so this gives it the same
// postings as the whole text for a small part of the tokenizing. Characters already met
// are told apart by their code point in a bitmap, so only the distinct ones are sorted.
std::string DistinctCharacters(grn_ctx* ctx, std::string_view value) {
    static thread_local std::vector<uint64_t> seen((1u << 21) / 64);  // every 21-bit code point
    std::vector<uint32_t> chars;  // the bytes of a character, the first in the high byte
    std::vector<uint32_t> points;  // their code points, to clear the bitmap afterwards
    const char *p = value.data(), *end = p + value.size();
    bool unexpected = false;
    while (p < end) {
        int n = grn_charlen(ctx, p, end);
        if (n <= 0 || n > 4) {  // not expected: keep the text
            unexpected = true;
            break;
        }
        const auto* b = reinterpret_cast<const unsigned char*>(p);
        uint32_t point = n == 1 ? b[0] : b[0] & (0x7fu >> n);
        for (int k = 1; k < n; ++k) point = (point << 6) | (b[k] & 0x3fu);
        point &= (1u << 21) - 1;
        uint64_t& word = seen[point / 64];
        const uint64_t bit = uint64_t{1} << (point % 64);
        if (!(word & bit)) {
            word |= bit;
            points.push_back(point);
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k) c = (c << 8) | (k < n ? b[k] : 0u);
            chars.push_back(c);
        }
        p += n;
    }
    for (uint32_t point : points) seen[point / 64] = 0;
    if (unexpected) return std::string(value);
    std::sort(chars.begin(), chars.end());
    std::string out;
    out.reserve(chars.size() * 3);
    for (uint32_t c : chars)
        for (int k = 3; k >= 0; --k)
            if (char b = static_cast<char>((c >> (8 * k)) & 0xff)) out += b;
    return out;
}

// Adds the postings of value in one section of document id to the given index.
grn_rc AddToIndex(Database& db, grn_obj* index, grn_id id, unsigned section,
                  std::string_view value) {
    if (value.empty()) return GRN_SUCCESS;
    grn_ctx* ctx = db.ctx();
    std::string scratch;
    value = TokenizableText(ctx, value, scratch);
    std::string distinct;
    if (index == db.chars()) {
        distinct = DistinctCharacters(ctx, value);
        value = distinct;
    }
    grn_obj text;
    GRN_TEXT_INIT(&text, GRN_OBJ_DO_SHALLOW_COPY);
    GRN_TEXT_SET_REF(&text, value.data(), value.size());
    grn_rc rc = grn_column_index_update(ctx, index, id, section, nullptr, &text);
    GRN_OBJ_FIN(ctx, &text);
    return rc;
}

// Points document id at its record kid in the key table; GRN_ID_NIL marks it removed.
grn_rc SetKey(Database& db, grn_id id, grn_id kid) {
    grn_ctx* ctx = db.ctx();
    grn_obj value;
    GRN_RECORD_INIT(&value, 0, grn_obj_id(ctx, db.keys()));
    GRN_RECORD_SET(ctx, &value, kid);
    grn_rc rc = grn_obj_set_value(ctx, db.doc_keys(), id, &value, GRN_OBJ_SET);
    GRN_OBJ_FIN(ctx, &value);
    return rc;
}

// Takes key record kid and document id apart and removes the key record. The document
// lets go first: a freed key record may be given to another key.
grn_rc Forget(Database& db, grn_id id, grn_id kid) {
    grn_rc rc = id == GRN_ID_NIL ? GRN_SUCCESS : SetKey(db, id, GRN_ID_NIL);
    if (rc == GRN_SUCCESS) rc = grn_table_delete_by_id(db.ctx(), db.keys(), kid);
    return rc;
}

// Indexes document id under terms, ids in index's lexicon (which has no tokenizer). Given
// as ids, Groonga takes them as they are instead of tokenizing each key on its own.
grn_rc AddTerms(Database& db, grn_obj* index, grn_id id, const std::vector<grn_id>& terms) {
    if (terms.empty()) return GRN_SUCCESS;
    grn_ctx* ctx = db.ctx();
    grn_obj value;
    GRN_RECORD_INIT(&value, GRN_OBJ_VECTOR, grn_obj_id(ctx, grn_column_table(ctx, index)));
    for (grn_id t : terms) GRN_RECORD_PUT(ctx, &value, t);
    grn_rc rc = grn_column_index_update(ctx, index, id, 1, nullptr, &value);
    GRN_OBJ_FIN(ctx, &value);
    return rc;
}

// Adds each of keys (sorted, no repeats) to lexicon, in that order, and gives their ids.
grn_rc AddToLexicon(grn_ctx* ctx, grn_obj* lexicon, const std::vector<std::string_view>& keys,
                    std::vector<grn_id>& ids) {
    ids.reserve(keys.size());
    for (std::string_view k : keys) {
        grn_id t = grn_table_add(ctx, lexicon, k.data(), static_cast<unsigned>(k.size()), nullptr);
        if (t == GRN_ID_NIL) return ctx->rc != GRN_SUCCESS ? ctx->rc : GRN_NO_MEMORY_AVAILABLE;
        ids.push_back(t);
    }
    return GRN_SUCCESS;
}

void SortUnique(std::vector<std::string_view>& keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

// Adds document id to the word lexicon: each distinct word of its path and text once, and
// each word new to the lexicon to the lexicon's own bigram index.
grn_rc AddWords(Database& db, grn_id id, std::string_view path, std::string_view text) {
    if (!db.words()) return GRN_SUCCESS;
    std::vector<std::string_view> words;
    AppendWords(path, words);
    AppendWords(text, words);
    SortUnique(words);
    grn_ctx* ctx = db.ctx();
    grn_obj key;
    GRN_TEXT_INIT(&key, GRN_OBJ_DO_SHALLOW_COPY);
    grn_rc rc = GRN_SUCCESS;
    std::vector<grn_id> ids;
    ids.reserve(words.size());
    for (std::string_view w : words) {
        int added = 0;
        grn_id wid = grn_table_add(ctx, db.words(), w.data(), static_cast<unsigned>(w.size()), &added);
        if (wid == GRN_ID_NIL) {
            rc = ctx->rc != GRN_SUCCESS ? ctx->rc : GRN_NO_MEMORY_AVAILABLE;
            break;
        }
        ids.push_back(wid);
        if (added) {
            GRN_TEXT_SET_REF(&key, w.data(), w.size());
            rc = grn_column_index_update(ctx, db.word_grams(), wid, 1, nullptr, &key);
            if (rc != GRN_SUCCESS) break;
        }
    }
    GRN_OBJ_FIN(ctx, &key);
    return rc == GRN_SUCCESS ? AddTerms(db, db.word_postings(), id, ids) : rc;
}

// Adds document id to the triple index, each distinct triple of its path and text once.
grn_rc AddTriples(Database& db, grn_id id, std::string_view path, std::string_view text) {
    if (!db.triples()) return GRN_SUCCESS;
    grn_ctx* ctx = db.ctx();
    std::string path_scratch, text_scratch;
    std::vector<std::string_view> triples;
    AppendTriples(ctx, TokenizableText(ctx, path, path_scratch), triples);
    AppendTriples(ctx, TokenizableText(ctx, text, text_scratch), triples);
    SortUnique(triples);
    std::vector<grn_id> ids;
    grn_rc rc = AddToLexicon(ctx, grn_column_table(ctx, db.triples()), triples, ids);
    return rc == GRN_SUCCESS ? AddTerms(db, db.triples(), id, ids) : rc;
}

grn_rc BulkAppend(Database& db, grn_ii_buffer* bulk, grn_id id, unsigned section,
                  std::string_view value) {
    if (value.empty()) return GRN_SUCCESS;
    grn_ctx* ctx = db.ctx();
    std::string scratch;
    value = TokenizableText(ctx, value, scratch);
    grn_obj text;
    GRN_TEXT_INIT(&text, GRN_OBJ_DO_SHALLOW_COPY);
    GRN_TEXT_SET_REF(&text, value.data(), value.size());
    grn_rc rc = grn_ii_buffer_append(ctx, bulk, id, section, &text);
    GRN_OBJ_FIN(ctx, &text);
    return rc;
}

// The first two characters of value (one when it holds only one), "" when it is empty.
std::string ProbeOf(grn_ctx* ctx, std::string_view value) {
    std::string scratch;
    value = TokenizableText(ctx, value, scratch);
    const char *p = value.data(), *end = p + value.size();
    for (int k = 0; k < 2 && p < end; ++k) {
        int n = grn_charlen(ctx, p, end);
        if (n <= 0) break;
        p += n;
    }
    return std::string(value.data(), p);
}

// True when the bigram index column finds document id by probe.
bool IndexFinds(Database& db, grn_obj* index, grn_id id, const std::string& probe) {
    grn_ctx* ctx = db.ctx();
    grn_obj* res = grn_table_create(
        ctx, nullptr, 0, nullptr, GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, db.docs(), nullptr);
    if (!res) return false;
    grn_obj query;
    GRN_TEXT_INIT(&query, 0);
    GRN_TEXT_SET(ctx, &query, probe.data(), probe.size());
    grn_search_optarg optarg{};
    optarg.mode = GRN_OP_EXACT;
    grn_obj_search(ctx, index, &query, res, GRN_OP_OR, &optarg);
    bool found = grn_table_get(ctx, res, &id, sizeof id) != GRN_ID_NIL;
    GRN_OBJ_FIN(ctx, &query);
    grn_obj_close(ctx, res);
    return found;
}

// The session bound from the environment, 0 when unset or not a number.
size_t SessionBytesFromEnvironment() {
    const char* value = std::getenv("RUVUDAR_BULK_SESSION_BYTES");
    if (!value || !*value) return 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(value, &end, 10);
    return *end == '\0' ? static_cast<size_t>(n) : 0;
}

}  // namespace

IndexWriter::IndexWriter(Database& db, bool fresh, size_t session_bytes)
    : db_(db),
      bulk_building_(fresh),
      session_bound_(session_bytes),
      mapped_base_(MappedResidentBytes()) {
    if (!fresh) {
        key_order_ = db_.ReadKeyOrder();
        return;
    }
    key_order_.ascending = true;  // nothing put yet
    if (session_bound_ == 0) session_bound_ = SessionBytesFromEnvironment();
    if (session_bound_ == 0) session_bound_ = kSessionBytes;
    // A fresh database holds its first bulk column, empty, for the first session.
    if (OpenSession() != GRN_SUCCESS) failed_ = true;
}

IndexWriter::~IndexWriter() {
    if (bulk_) grn_ii_buffer_close(db_.ctx(), bulk_);
}

grn_rc IndexWriter::OpenSession() {
    const auto& columns = db_.indexes();
    // The first session fills the column made with the database, each later one a new one.
    bulk_index_ =
        bulk_index_ == nullptr && columns.size() == 1 ? columns.front() : db_.AddIndexColumn();
    if (!bulk_index_) return GRN_NO_MEMORY_AVAILABLE;
    // Only the bigram index: the builder drops documents of an index without positions
    // once it holds a few tens of millions of characters, so the character index is
    // always updated document by document.
    bulk_ = grn_ii_buffer_open(db_.ctx(), reinterpret_cast<grn_ii*>(bulk_index_), kBulkBufferBytes);
    session_bytes_ = 0;
    return bulk_ ? GRN_SUCCESS : GRN_NO_MEMORY_AVAILABLE;
}

grn_rc IndexWriter::CommitSession() {
    grn_rc rc;
    {
        // The commit writes the session's whole column in one call.
        MappedPagesWatch watch(db_.dir(), std::chrono::milliseconds(200));
        rc = grn_ii_buffer_commit(db_.ctx(), bulk_);
    }
    grn_ii_buffer_close(db_.ctx(), bulk_);
    bulk_ = nullptr;
    DropMappedPages(db_.dir());
    if (rc == GRN_SUCCESS && probe_id_ != GRN_ID_NIL &&
        !IndexFinds(db_, bulk_index_, probe_id_, probe_))
        rc = GRN_UNKNOWN_ERROR;
    probe_id_ = GRN_ID_NIL;
    probe_.clear();
    if (rc != GRN_SUCCESS) failed_ = true;
    return rc;
}

sen_rc IndexWriter::Finish() {
    if (failed_) return sen_other_error;
    if (!db_.WriteKeyOrder(key_order_)) {
        failed_ = true;
        return sen_file_operation_error;
    }
    if (!bulk_building_) return sen_success;
    bulk_building_ = false;
    grn_rc rc = bulk_ ? CommitSession() : GRN_SUCCESS;
    if (rc == GRN_SUCCESS && !db_.MarkFreshBuild()) rc = GRN_FILE_CORRUPT;
    if (rc != GRN_SUCCESS) failed_ = true;
    return FromGroonga(rc);
}

sen_rc IndexWriter::Put(std::string_view key, std::string_view path, std::string_view text) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    if (failed_) return sen_other_error;
    grn_ctx* ctx = db_.ctx();
    int added = 0;
    grn_id kid =
        grn_table_add(ctx, db_.keys(), key.data(), static_cast<unsigned>(key.size()), &added);
    if (kid == GRN_ID_NIL) return FromGroonga(ctx->rc != GRN_SUCCESS ? ctx->rc : GRN_UNKNOWN_ERROR);
    if (!added) return sen_invalid_argument;
    // A full session is committed before the next document, so no session ends empty.
    if (bulk_building_ && session_bytes_ >= session_bound_) {
        grn_rc session_rc = CommitSession();
        if (session_rc == GRN_SUCCESS) session_rc = OpenSession();
        if (session_rc != GRN_SUCCESS) {
            failed_ = true;
            Forget(db_, GRN_ID_NIL, kid);
            return FromGroonga(session_rc);
        }
    }
    grn_id id = grn_table_add(ctx, db_.docs(), nullptr, 0, nullptr);
    grn_rc rc = id == GRN_ID_NIL ? GRN_NO_MEMORY_AVAILABLE : GRN_SUCCESS;
    if (rc == GRN_SUCCESS) {
        grn_obj doc;
        GRN_UINT32_INIT(&doc, 0);
        GRN_UINT32_SET(ctx, &doc, id);
        rc = grn_obj_set_value(ctx, db_.keys(), kid, &doc, GRN_OBJ_SET);
        GRN_OBJ_FIN(ctx, &doc);
    }
    if (rc == GRN_SUCCESS) rc = SetKey(db_, id, kid);
    if (rc != GRN_SUCCESS) {
        Forget(db_, id, kid);
        return FromGroonga(rc);
    }

    // Document ids only grow, so the bulk builder gets them in the ascending order it needs.
    if (bulk_building_) {
        session_bytes_ += path.size() + text.size();
        rc = BulkAppend(db_, bulk_, id, Database::kPathSection, path);
        if (rc == GRN_SUCCESS) rc = BulkAppend(db_, bulk_, id, Database::kTextSection, text);
        std::string probe = ProbeOf(ctx, text.empty() ? path : text);
        if (!probe.empty()) {
            probe_id_ = id;
            probe_ = std::move(probe);
        }
        // Postings already handed to the builder cannot be taken back.
        if (rc != GRN_SUCCESS) failed_ = true;
    } else {
        rc = AddToIndex(db_, db_.added(), id, Database::kPathSection, path);
        if (rc == GRN_SUCCESS) rc = AddToIndex(db_, db_.added(), id, Database::kTextSection, text);
    }
    if (rc == GRN_SUCCESS) rc = AddToIndex(db_, db_.chars(), id, Database::kPathSection, path);
    if (rc == GRN_SUCCESS) rc = AddToIndex(db_, db_.chars(), id, Database::kTextSection, text);
    if (rc == GRN_SUCCESS) rc = AddWords(db_, id, path, text);
    if (rc == GRN_SUCCESS) rc = AddTriples(db_, id, path, text);
    if (++puts_since_check_ >= kPutsPerCheck) {
        puts_since_check_ = 0;
        if (MappedResidentBytes() > mapped_base_ + kMappedBudgetBytes) DropMappedPages(db_.dir());
    }
    if (rc == GRN_SUCCESS) {
        NoteKeyOrder(key);
        return sen_success;
    }
    // Leave no half-indexed document to be found: its postings stay, its key goes.
    Forget(db_, id, kid);
    return FromGroonga(rc);
}

void IndexWriter::NoteKeyOrder(std::string_view key) {
    if (!key_order_.ascending) return;
    const uint64_t number = PlainKeyNumber(key);
    if (number > key_order_.last) key_order_.last = number;
    else key_order_.ascending = false;
}

sen_rc IndexWriter::Delete(std::string_view key) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    grn_ctx* ctx = db_.ctx();
    grn_id kid = grn_table_get(ctx, db_.keys(), key.data(), static_cast<unsigned>(key.size()));
    grn_id id = kid == GRN_ID_NIL ? GRN_ID_NIL : db_.DocOf(kid);
    if (id == GRN_ID_NIL) return sen_invalid_argument;
    // The postings stay behind, pointing at a document without a key, until a fresh build.
    return FromGroonga(Forget(db_, id, kid));
}

}  // namespace senna
