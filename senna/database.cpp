// Groonga set-up and the schema of an index generation.
#include "senna/database.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace senna {

namespace {

constexpr const char kDocs[] = "Docs";
constexpr const char kKeyColumn[] = "key";
constexpr const char kDocKeys[] = "Docs.key";
constexpr const char kKeys[] = "Keys";
constexpr const char kTerms[] = "Terms";
constexpr const char kIndex[] = "Terms.postings";
constexpr const char kIndexColumn[] = "postings";
// Later bulk columns are numbered from 2: Terms.postings2, Terms.postings3, ...
constexpr int kMaxIndexColumns = 1000;
// The bigram columns. No source columns: postings are fed directly, the texts live in the
// catalogues.
constexpr grn_column_flags kBigramFlags =
    GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT | GRN_OBJ_WITH_POSITION | GRN_OBJ_WITH_SECTION;
constexpr const char kAddedIndex[] = "Terms.added";
constexpr const char kAddedColumn[] = "added";
// Configuration entry: how many documents the last fresh build put in.
constexpr const char kFreshCount[] = "ruvudar.fresh_documents";
// Configuration entry: "ascending N" while ids ascend with the keys, N the last key number.
constexpr const char kKeyOrder[] = "ruvudar.key_order";
constexpr const char kAscending[] = "ascending ";
constexpr const char kChars[] = "Chars";
constexpr const char kCharsIndex[] = "Chars.postings";
constexpr const char kWords[] = "Words";
constexpr const char kWordPostings[] = "Words.postings";
constexpr const char kWordGramsColumn[] = "words";
constexpr const char kWordGrams[] = "Terms.words";
constexpr const char kTriples[] = "Triples";
constexpr const char kTriplesIndex[] = "Triples.postings";

grn_obj* Get(grn_ctx* ctx, const char* name) {
    return grn_ctx_get(ctx, name, static_cast<int>(std::strlen(name)));
}

bool groonga_tried = false;  // grn_init is called once per process
bool groonga_ready = false;

}  // namespace

bool EnsureGroonga() {
    if (!groonga_tried) {
        groonga_tried = true;
        // The library runs inside the viewer and the indexer: no log files of its own.
        grn_default_logger_set_max_level(static_cast<grn_log_level>(0));
        grn_default_logger_set_path(nullptr);
        grn_default_query_logger_set_path(nullptr);
        groonga_ready = grn_init() == GRN_SUCCESS;
    }
    return groonga_ready;
}

void ShutdownGroonga() {
    if (groonga_ready) grn_fin();
    groonga_ready = false;  // no second initialisation after the end
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
    char real[PATH_MAX];
    dir_ = realpath(dir.c_str(), real) ? real : dir;
    const std::string file = dir + "/" + kFileName;
    if (!create) {
        db_ = grn_db_open(&ctx_, file.c_str());
        if (!db_) return false;
        docs_ = Get(&ctx_, kDocs);
        doc_keys_ = Get(&ctx_, kDocKeys);
        keys_ = Get(&ctx_, kKeys);
        terms_ = Get(&ctx_, kTerms);
        if (grn_obj* index = Get(&ctx_, kIndex)) indexes_.push_back(index);
        // Optional: generations made before bulk sessions have only the first column.
        while (!indexes_.empty() && static_cast<int>(indexes_.size()) < kMaxIndexColumns) {
            const std::string name = kIndex + std::to_string(indexes_.size() + 1);
            grn_obj* index = Get(&ctx_, name.c_str());
            if (!index) break;
            indexes_.push_back(index);
        }
        added_ = Get(&ctx_, kAddedIndex);
        chars_ = Get(&ctx_, kCharsIndex);
        // Optional: older generations go without the word lexicon.
        words_ = Get(&ctx_, kWords);
        word_postings_ = Get(&ctx_, kWordPostings);
        word_grams_ = Get(&ctx_, kWordGrams);
        if (!words_ || !word_postings_ || !word_grams_)
            words_ = word_postings_ = word_grams_ = nullptr;
        triples_ = Get(&ctx_, kTriplesIndex);
        // A generation of another layout is not ours to read: the indexer rebuilds it.
        return docs_ && doc_keys_ && keys_ && terms_ && !indexes_.empty() && added_ && chars_ &&
               docs_->header.type == GRN_TABLE_NO_KEY &&
               grn_obj_get_range(&ctx_, doc_keys_) == grn_obj_id(&ctx_, keys_);
    }
    db_ = grn_db_create(&ctx_, file.c_str(), nullptr);
    if (!db_) return false;
    grn_obj* short_text = grn_ctx_at(&ctx_, GRN_DB_SHORT_TEXT);
    grn_obj* uint32 = grn_ctx_at(&ctx_, GRN_DB_UINT32);
    // An array: its ids only grow, so a removed document's id is never given to another.
    docs_ = grn_table_create(&ctx_, kDocs, sizeof kDocs - 1, nullptr,
                             GRN_OBJ_TABLE_NO_KEY | GRN_OBJ_PERSISTENT, nullptr, nullptr);
    if (!docs_) return false;
    keys_ = grn_table_create(&ctx_, kKeys, sizeof kKeys - 1, nullptr,
                             GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_PERSISTENT, short_text, uint32);
    if (!keys_) return false;
    // Each document's record in the key table: fixed width, read fast for every hit.
    doc_keys_ = grn_column_create(&ctx_, docs_, kKeyColumn, sizeof kKeyColumn - 1, nullptr,
                                  GRN_OBJ_COLUMN_SCALAR | GRN_OBJ_PERSISTENT, keys_);
    // A patricia trie so that a single character is looked up as a prefix of the bigrams
    // that start with it. No normaliser: the texts arrive folded.
    terms_ = grn_table_create(&ctx_, kTerms, sizeof kTerms - 1, nullptr,
                              GRN_OBJ_TABLE_PAT_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    if (!doc_keys_ || !keys_ || !terms_) return false;
    grn_obj* bigram = Get(&ctx_, "TokenBigram");
    if (!bigram ||
        grn_obj_set_info(&ctx_, terms_, GRN_INFO_DEFAULT_TOKENIZER, bigram) != GRN_SUCCESS)
        return false;
    if (!AddIndexColumn()) return false;
    added_ = grn_column_create(&ctx_, terms_, kAddedColumn, sizeof kAddedColumn - 1, nullptr,
                               kBigramFlags, docs_);
    if (!added_) return false;
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
    if (!chars_) return false;
    // Words and triples come as vectors of whole keys, no tokenizer between; documents
    // without positions.
    words_ = grn_table_create(&ctx_, kWords, sizeof kWords - 1, nullptr,
                              GRN_OBJ_TABLE_PAT_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    if (!words_) return false;
    word_postings_ =
        grn_column_create(&ctx_, words_, kIndexColumn, sizeof kIndexColumn - 1, nullptr,
                          GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT, docs_);
    word_grams_ = grn_column_create(&ctx_, terms_, kWordGramsColumn, sizeof kWordGramsColumn - 1,
                                    nullptr,
                                    GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT | GRN_OBJ_WITH_POSITION,
                                    words_);
    grn_obj* triples =
        grn_table_create(&ctx_, kTriples, sizeof kTriples - 1, nullptr,
                         GRN_OBJ_TABLE_HASH_KEY | GRN_OBJ_PERSISTENT, short_text, nullptr);
    if (!triples) return false;
    triples_ = grn_column_create(&ctx_, triples, kIndexColumn, sizeof kIndexColumn - 1, nullptr,
                                 GRN_OBJ_COLUMN_INDEX | GRN_OBJ_PERSISTENT, docs_);
    return word_postings_ && word_grams_ && triples_;
}

grn_obj* Database::AddIndexColumn() {
    if (!terms_ || static_cast<int>(indexes_.size()) >= kMaxIndexColumns) return nullptr;
    std::string name = kIndexColumn;
    if (!indexes_.empty()) name += std::to_string(indexes_.size() + 1);
    grn_obj* index =
        grn_column_create(&ctx_, terms_, name.data(), static_cast<unsigned>(name.size()), nullptr,
                          kBigramFlags, docs_);
    if (index) indexes_.push_back(index);
    return index;
}

bool Database::MarkFreshBuild() {
    const std::string count = std::to_string(grn_table_size(&ctx_, docs_));
    return grn_config_set(&ctx_, kFreshCount, sizeof kFreshCount - 1, count.data(),
                          static_cast<int32_t>(count.size())) == GRN_SUCCESS;
}

long long Database::AddedSinceFreshBuild() {
    const long long all = static_cast<long long>(grn_table_size(&ctx_, docs_));
    const char* value = nullptr;
    uint32_t size = 0;
    if (grn_config_get(&ctx_, kFreshCount, sizeof kFreshCount - 1, &value, &size) != GRN_SUCCESS ||
        !value)
        return all;
    long long fresh = 0;
    for (uint32_t k = 0; k < size && value[k] >= '0' && value[k] <= '9'; ++k)
        fresh = fresh * 10 + (value[k] - '0');
    return fresh <= all ? all - fresh : 0;
}

Database::KeyOrder Database::ReadKeyOrder() {
    const char* value = nullptr;
    uint32_t size = 0;
    KeyOrder order;
    if (grn_config_get(&ctx_, kKeyOrder, sizeof kKeyOrder - 1, &value, &size) != GRN_SUCCESS ||
        !value)
        return order;
    const std::string_view text(value, size);
    if (!text.starts_with(kAscending)) return order;
    const std::string_view digits = text.substr(sizeof kAscending - 1);
    if (digits.empty() || digits.size() > 19) return order;
    for (char c : digits) {
        if (c < '0' || c > '9') return order;
        order.last = order.last * 10 + static_cast<uint64_t>(c - '0');
    }
    order.ascending = true;
    return order;
}

bool Database::WriteKeyOrder(const KeyOrder& order) {
    const std::string value =
        order.ascending ? kAscending + std::to_string(order.last) : std::string("mixed");
    return grn_config_set(&ctx_, kKeyOrder, sizeof kKeyOrder - 1, value.data(),
                          static_cast<int32_t>(value.size())) == GRN_SUCCESS;
}

std::string Database::KeyOf(grn_id id) {
    grn_obj value;
    GRN_RECORD_INIT(&value, 0, grn_obj_id(&ctx_, keys_));
    grn_obj_get_value(&ctx_, doc_keys_, id, &value);
    grn_id kid = GRN_BULK_VSIZE(&value) >= sizeof(grn_id) ? GRN_RECORD_VALUE(&value) : GRN_ID_NIL;
    GRN_OBJ_FIN(&ctx_, &value);
    if (kid == GRN_ID_NIL) return "";
    char key[GRN_TABLE_MAX_KEY_SIZE];
    int len = grn_table_get_key(&ctx_, keys_, kid, key, sizeof key);
    if (len <= 0 || len > static_cast<int>(sizeof key)) return "";
    return std::string(key, static_cast<size_t>(len));
}

grn_id Database::DocOf(grn_id kid) {
    grn_obj value;
    GRN_UINT32_INIT(&value, 0);
    grn_obj_get_value(&ctx_, keys_, kid, &value);
    grn_id doc = GRN_BULK_VSIZE(&value) >= sizeof(uint32_t) ? GRN_UINT32_VALUE(&value) : GRN_ID_NIL;
    GRN_OBJ_FIN(&ctx_, &value);
    return doc;
}

bool Database::Flush() { return db_ && grn_obj_flush_recursive(&ctx_, db_) == GRN_SUCCESS; }

}  // namespace senna
