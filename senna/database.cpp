// Groonga set-up and the schema of an index generation.
#include "senna/database.h"

#include <cstring>

namespace senna {

namespace {

constexpr const char kDocs[] = "Docs";
constexpr const char kTerms[] = "Terms";
constexpr const char kIndex[] = "Terms.postings";
constexpr const char kIndexColumn[] = "postings";
constexpr const char kChars[] = "Chars";
constexpr const char kCharsIndex[] = "Chars.postings";

grn_obj* Get(grn_ctx* ctx, const char* name) {
    return grn_ctx_get(ctx, name, static_cast<int>(std::strlen(name)));
}

}  // namespace

namespace {
bool done = false;
bool ok = false;
}  // namespace

bool EnsureGroonga() {
    if (!done) {
        done = true;
        // The library runs inside the viewer and the indexer: no log files of its own.
        grn_default_logger_set_max_level(static_cast<grn_log_level>(0));
        grn_default_logger_set_path(nullptr);
        grn_default_query_logger_set_path(nullptr);
        ok = grn_init() == GRN_SUCCESS;
    }
    return ok;
}

void ShutdownGroonga() {
    if (ok) grn_fin();
    ok = false;  // no second initialisation after the end
}

Database::Database() { std::memset(&ctx_, 0, sizeof ctx_); }

Database::~Database() {
    if (db_) grn_obj_close(&ctx_, db_);
    if (ctx_ready_) grn_ctx_fin(&ctx_);
}

std::unique_ptr<Database> Database::Open(const std::string& dir) {
    std::unique_ptr<Database> d(new Database());
    if (!d->Init(dir, false)) return nullptr;
    return d;
}

std::unique_ptr<Database> Database::Create(const std::string& dir) {
    std::unique_ptr<Database> d(new Database());
    if (!d->Init(dir, true)) return nullptr;
    return d;
}

bool Database::Init(const std::string& dir, bool create) {
    if (!EnsureGroonga()) return false;
    if (grn_ctx_init(&ctx_, 0) != GRN_SUCCESS) return false;
    ctx_ready_ = true;
    GRN_CTX_SET_ENCODING(&ctx_, GRN_ENC_UTF8);
    const std::string file = dir + "/" + kFileName;
    if (!create) {
        db_ = grn_db_open(&ctx_, file.c_str());
        if (!db_) return false;
        docs_ = Get(&ctx_, kDocs);
        terms_ = Get(&ctx_, kTerms);
        index_ = Get(&ctx_, kIndex);
        chars_ = Get(&ctx_, kCharsIndex);
        return docs_ && terms_ && index_;
    }
    db_ = grn_db_create(&ctx_, file.c_str(), nullptr);
    if (!db_) return false;
    grn_obj* short_text = grn_ctx_at(&ctx_, GRN_DB_SHORT_TEXT);
    docs_ = grn_table_create(&ctx_, kDocs, sizeof kDocs - 1, nullptr,
                             GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    // A patricia trie so that a single character is looked up as a prefix of the bigrams
    // that start with it. No normaliser: the texts arrive folded.
    terms_ = grn_table_create(&ctx_, kTerms, sizeof kTerms - 1, nullptr,
                              GRN_OBJ_TABLE_PAT_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    if (!docs_ || !terms_) return false;
    grn_obj* bigram = Get(&ctx_, "TokenBigram");
    if (!bigram ||
        grn_obj_set_info(&ctx_, terms_, GRN_INFO_DEFAULT_TOKENIZER, bigram) != GRN_SUCCESS)
        return false;
    // No source columns: postings are fed directly, the texts live in the catalogues.
    index_ = grn_column_create(
        &ctx_, terms_, kIndexColumn, sizeof kIndexColumn - 1, nullptr,
        GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT | GRN_OBJ_WITH_POSITION | GRN_OBJ_WITH_SECTION,
        docs_);
    if (!index_) return false;
    // Every character once per document and section, without positions: a single
    // character is then one short posting list instead of every bigram that starts with it.
    grn_obj* chars =
        grn_table_create(&ctx_, kChars, sizeof kChars - 1, nullptr,
                         GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    grn_obj* unigram = Get(&ctx_, "TokenUnigram");
    if (!chars || !unigram ||
        grn_obj_set_info(&ctx_, chars, GRN_INFO_DEFAULT_TOKENIZER, unigram) != GRN_SUCCESS)
        return false;
    chars_ =
        grn_column_create(&ctx_, chars, kIndexColumn, sizeof kIndexColumn - 1, nullptr,
                          GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT | GRN_OBJ_WITH_SECTION, docs_);
    return chars_ != nullptr;
}

bool Database::Flush() { return db_ && grn_obj_flush_recursive(&ctx_, db_) == GRN_SUCCESS; }

}  // namespace senna
