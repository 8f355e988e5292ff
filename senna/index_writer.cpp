#include "senna/index_writer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "senna/text_repair.h"

namespace senna {

namespace {

// Memory the bulk builder may use before it spills sorted runs to a file.
constexpr unsigned long long kBulkBufferBytes = 16ULL << 20;

sen_rc FromGroonga(grn_rc rc) {
    if (rc == GRN_SUCCESS) return sen_success;
    return rc == GRN_NO_MEMORY_AVAILABLE ? sen_memory_exhausted : sen_other_error;
}

// Each character of a tokenizable value once, in byte order. The character index keeps
// which documents hold a character, not where nor how often, so this gives it the same
// postings as the whole text for a small part of the tokenizing; a removal computes the
// same characters from the same text.
std::string DistinctCharacters(grn_ctx* ctx, std::string_view value) {
    std::vector<uint32_t> chars;  // the bytes of a character, the first in the high byte
    chars.reserve(value.size());
    const char *p = value.data(), *end = p + value.size();
    while (p < end) {
        int n = grn_charlen(ctx, p, end);
        if (n <= 0 || n > 4) return std::string(value);  // not expected: keep the text
        uint32_t c = 0;
        for (int k = 0; k < 4; ++k) c = (c << 8) | (k < n ? static_cast<unsigned char>(p[k]) : 0u);
        chars.push_back(c);
        p += n;
    }
    std::sort(chars.begin(), chars.end());
    chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
    std::string out;
    out.reserve(chars.size() * 3);
    for (uint32_t c : chars)
        for (int k = 3; k >= 0; --k)
            if (char b = static_cast<char>((c >> (8 * k)) & 0xff)) out += b;
    return out;
}

// Adds (add) or takes out the postings of value in one section of document id, in the
// given index (nothing when it is absent).
grn_rc UpdateIndex(Database& db, grn_obj* index, grn_id id, unsigned section,
                   std::string_view value, bool add) {
    if (value.empty() || !index) return GRN_SUCCESS;
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
    grn_rc rc = add ? grn_column_index_update(ctx, index, id, section, nullptr, &text)
                    : grn_column_index_update(ctx, index, id, section, &text, nullptr);
    GRN_OBJ_FIN(ctx, &text);
    return rc;
}

// The same for both indexes.
grn_rc UpdateSection(Database& db, grn_id id, unsigned section, std::string_view value, bool add) {
    grn_rc rc = UpdateIndex(db, db.index(), id, section, value, add);
    if (rc != GRN_SUCCESS) return rc;
    return UpdateIndex(db, db.chars(), id, section, value, add);
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

// True when the bigram index finds document id by probe.
bool IndexFinds(Database& db, grn_id id, const std::string& probe) {
    grn_ctx* ctx = db.ctx();
    grn_obj* res = grn_table_create(
        ctx, nullptr, 0, nullptr, GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_WITH_SUBREC, db.docs(), nullptr);
    if (!res) return false;
    grn_obj query;
    GRN_TEXT_INIT(&query, 0);
    GRN_TEXT_SET(ctx, &query, probe.data(), probe.size());
    grn_search_optarg optarg{};
    optarg.mode = GRN_OP_EXACT;
    grn_obj_search(ctx, db.index(), &query, res, GRN_OP_OR, &optarg);
    bool found = grn_table_get(ctx, res, &id, sizeof id) != GRN_ID_NIL;
    GRN_OBJ_FIN(ctx, &query);
    grn_obj_close(ctx, res);
    return found;
}

}  // namespace

IndexWriter::IndexWriter(Database& db, bool fresh) : db_(db) {
    if (!fresh) return;
    // Only the bigram index: the builder drops documents of an index without positions
    // once it holds a few tens of millions of characters, so the character index is
    // always updated document by document.
    bulk_ = grn_ii_buffer_open(db_.ctx(), reinterpret_cast<grn_ii*>(db_.index()), kBulkBufferBytes);
}

IndexWriter::~IndexWriter() {
    if (bulk_) grn_ii_buffer_close(db_.ctx(), bulk_);
}

sen_rc IndexWriter::Finish() {
    if (failed_) return sen_other_error;
    if (!bulk_) return sen_success;
    grn_rc rc = grn_ii_buffer_commit(db_.ctx(), bulk_);
    grn_ii_buffer_close(db_.ctx(), bulk_);
    bulk_ = nullptr;
    if (rc == GRN_SUCCESS && probe_id_ != GRN_ID_NIL && !IndexFinds(db_, probe_id_, probe_))
        rc = GRN_UNKNOWN_ERROR;
    if (rc != GRN_SUCCESS) failed_ = true;
    return FromGroonga(rc);
}

sen_rc IndexWriter::Put(std::string_view key, std::string_view path, std::string_view text) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    if (failed_) return sen_other_error;
    grn_ctx* ctx = db_.ctx();
    int added = 0;
    grn_id id =
        grn_table_add(ctx, db_.docs(), key.data(), static_cast<unsigned>(key.size()), &added);
    if (id == GRN_ID_NIL) return FromGroonga(ctx->rc != GRN_SUCCESS ? ctx->rc : GRN_UNKNOWN_ERROR);
    if (!added) return sen_invalid_argument;
    // The bulk builder takes documents in ascending id order only.
    if (bulk_ && id <= last_bulk_id_) {
        sen_rc rc = Finish();
        if (rc != sen_success) return rc;
    }
    if (bulk_) {
        grn_rc rc = BulkAppend(db_, bulk_, id, Database::kPathSection, path);
        if (rc == GRN_SUCCESS) rc = BulkAppend(db_, bulk_, id, Database::kTextSection, text);
        if (rc == GRN_SUCCESS)
            rc = UpdateIndex(db_, db_.chars(), id, Database::kPathSection, path, true);
        if (rc == GRN_SUCCESS)
            rc = UpdateIndex(db_, db_.chars(), id, Database::kTextSection, text, true);
        last_bulk_id_ = id;
        std::string probe = ProbeOf(ctx, text.empty() ? path : text);
        if (!probe.empty()) {
            probe_id_ = id;
            probe_ = std::move(probe);
        }
        // Postings already handed to the builder cannot be taken back.
        if (rc != GRN_SUCCESS) failed_ = true;
        return FromGroonga(rc);
    }
    grn_rc rc = UpdateSection(db_, id, Database::kPathSection, path, true);
    if (rc == GRN_SUCCESS) rc = UpdateSection(db_, id, Database::kTextSection, text, true);
    if (rc == GRN_SUCCESS) return sen_success;
    // Leave no half-indexed document behind.
    UpdateSection(db_, id, Database::kPathSection, path, false);
    UpdateSection(db_, id, Database::kTextSection, text, false);
    grn_table_delete_by_id(ctx, db_.docs(), id);
    return FromGroonga(rc);
}

sen_rc IndexWriter::Delete(std::string_view key, std::string_view path, std::string_view text) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    grn_ctx* ctx = db_.ctx();
    grn_id id = grn_table_get(ctx, db_.docs(), key.data(), static_cast<unsigned>(key.size()));
    if (id == GRN_ID_NIL) return sen_invalid_argument;
    // Postings still in the bulk builder can only be removed once they are in the index.
    sen_rc finished = Finish();
    if (finished != sen_success) return finished;
    grn_rc a = UpdateSection(db_, id, Database::kPathSection, path, false);
    grn_rc b = UpdateSection(db_, id, Database::kTextSection, text, false);
    grn_rc c = grn_table_delete_by_id(ctx, db_.docs(), id);
    return FromGroonga(a != GRN_SUCCESS ? a : b != GRN_SUCCESS ? b : c);
}

}  // namespace senna
