// One Groonga database of an index generation: its own Groonga context, the document
// table with the key of each document, the key table, the bigram lexicon with its two index
// columns and the character lexicon with its document-level index column, all opened up
// front so that nothing is opened lazily from a folder that may be removed later.
//
// Document ids only grow and are never reused: a removed document keeps its id with an
// empty key, so postings left behind by it can never be taken for another document's. The
// bigram index of a fresh generation is filled in bulk, in sessions of bounded size, each
// into a column of its own that is never written again; the documents added to later copies
// go into the "added" column, which stays small.
// Incremental updates of a large Groonga index rewrite its chunks and let its files grow
// far beyond a bulk-built one; the compaction of the indexer makes a fresh generation.
#pragma once

#include <groonga.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace senna {

// Initialises Groonga once per process (logging off). Returns false when that failed.
bool EnsureGroonga();
// Finalises Groonga at process exit; every Database must be gone by then.
void ShutdownGroonga();

class Database {
  public:
    // Opens the database in dir; nullptr when it is missing or not an index of ours.
    static std::unique_ptr<Database> Open(const std::string& dir);
    // Creates an empty database with the index schema in dir (which must exist).
    static std::unique_ptr<Database> Create(const std::string& dir);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Writes every pending change to the files.
    bool Flush();
    // The folder of the database's files, absolute and without symbolic links.
    const std::string& dir() const { return dir_; }

    grn_ctx* ctx() { return &ctx_; }
    // Document table (ids only) and its column naming each document's record in keys();
    // a removed document names none.
    grn_obj* docs() { return docs_; }
    grn_obj* doc_keys() { return doc_keys_; }
    // Key table of the documents present, each with its document id as value.
    grn_obj* keys() { return keys_; }
    grn_obj* terms() { return terms_; }
    // Bigram index columns of the documents of the last fresh build, one for each session
    // of the bulk builder (generations made before sessions hold one). A document's
    // bigrams are in exactly one of them, or in added().
    const std::vector<grn_obj*>& indexes() const { return indexes_; }
    // Creates the next bulk column, empty; nullptr when that failed.
    grn_obj* AddIndexColumn();
    // Bigram index of the documents added since then.
    grn_obj* added() { return added_; }
    // Character index: which documents hold a character, for single-character terms.
    grn_obj* chars() { return chars_; }
    // Word lexicon: every run of ASCII letters and digits of the texts (long runs in
    // overlapping pieces), with the documents holding it and, in the bigram lexicon, an
    // index of its own letters, so that the words holding a Latin term are found from the
    // lexicon alone. nullptr in generations made before it existed.
    grn_obj* words() { return words_; }
    grn_obj* word_postings() { return word_postings_; }
    grn_obj* word_grams() { return word_grams_; }
    // Index of the documents holding each run of three characters with one outside ASCII
    // and no blank: narrows a Japanese term to few documents before any position is read.
    // Its lexicon is the column's table. nullptr in generations made before it existed.
    grn_obj* triples() { return triples_; }

    // Records that every document so far came from a fresh build.
    bool MarkFreshBuild();

    // Whether the documents' ids ascend in the order of their keys, every key a plain
    // decimal number from 1: then a set of documents in id order is in delivery order, and
    // a reader may take the first few without reading every key. last is the largest key
    // number put so far. Generations made before this was kept read as not ascending.
    struct KeyOrder {
        bool ascending = false;
        uint64_t last = 0;
    };
    KeyOrder ReadKeyOrder();
    bool WriteKeyOrder(const KeyOrder& order);
    // Documents put one by one since the last fresh build, removed ones included.
    long long AddedSinceFreshBuild();

    // The key of document id, "" when it was removed.
    std::string KeyOf(grn_id id);
    // The document id that key record kid names, GRN_ID_NIL when none.
    grn_id DocOf(grn_id kid);

    // Name of the database file inside a generation folder.
    static constexpr const char* kFileName = "db";
    // Index sections: the folded path and the folded text.
    static constexpr unsigned kPathSection = 1;
    static constexpr unsigned kTextSection = 2;

  private:
    Database();
    bool Init(const std::string& dir, bool create);

    grn_ctx ctx_;
    std::string dir_;
    bool ctx_ready_ = false;
    grn_obj* db_ = nullptr;
    grn_obj* docs_ = nullptr;
    grn_obj* doc_keys_ = nullptr;
    grn_obj* keys_ = nullptr;
    grn_obj* terms_ = nullptr;
    std::vector<grn_obj*> indexes_;
    grn_obj* added_ = nullptr;
    grn_obj* chars_ = nullptr;
    grn_obj* words_ = nullptr;
    grn_obj* word_postings_ = nullptr;
    grn_obj* word_grams_ = nullptr;
    grn_obj* triples_ = nullptr;
};

}  // namespace senna
