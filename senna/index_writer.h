// Adding and removing documents in a generation being built. The texts are not stored:
// their postings go straight into the index columns. A fresh generation's bigram index is
// filled through Groonga's bulk builder, which is much faster and packs the index tighter
// than document-by-document updates. The builder's commit holds memory in proportion to the
// text it took, so it is committed after a bounded amount of text and a new builder fills
// a new column: each column is built once, never updated. The documents added to a copy go
// into the small "added" column one by one. A removal only hides the document: its postings
// stay, unseen, until the next fresh generation. The pages of the index files that the
// writing maps are let go whenever they pass a budget, so the writer's memory does not grow
// with the index.
#pragma once

#include <string>
#include <string_view>

#include "senna/database.h"
#include "senna/senna.h"

namespace senna {

// Longest key accepted: a key must fit the reader's 128-byte key buffer.
constexpr size_t kMaxKeyBytes = 127;

class IndexWriter {
  public:
    // fresh: db is a newly created, empty generation, so the bulk builder may be used.
    // session_bytes: text the builder takes before it is committed into its column; 0 for
    // the default, which the environment variable RUVUDAR_BULK_SESSION_BYTES overrides.
    IndexWriter(Database& db, bool fresh, size_t session_bytes = 0);
    ~IndexWriter();
    IndexWriter(const IndexWriter&) = delete;
    IndexWriter& operator=(const IndexWriter&) = delete;

    // Adds key with its folded path and text; sen_invalid_argument when the key is empty,
    // too long or already present.
    sen_rc Put(std::string_view key, std::string_view path, std::string_view text);

    // Removes key from every search; sen_invalid_argument when absent.
    sen_rc Delete(std::string_view key);

    // Writes out what the bulk builder holds; later changes are applied one by one.
    sen_rc Finish();

  private:
    // Starts a bulk session on a bigram column of its own (the first one is made with the
    // database).
    grn_rc OpenSession();
    // Writes what the builder holds into its column and closes it.
    grn_rc CommitSession();
    // Keeps track of whether ids still ascend with the keys' numbers after key was put.
    void NoteKeyOrder(std::string_view key);

    Database& db_;
    bool bulk_building_;  // fresh and not finished: bigrams go to the builder
    size_t session_bound_;
    grn_obj* bulk_index_ = nullptr;  // the column of the open session
    grn_ii_buffer* bulk_ = nullptr;  // the open session's builder, bigram index only
    size_t session_bytes_ = 0;       // text the open session took
    // A piece of the last document given to the builder, looked up after the commit: a
    // builder that lost the end of its input must not make an index that misses documents.
    grn_id probe_id_ = GRN_ID_NIL;
    std::string probe_;
    bool failed_ = false;
    Database::KeyOrder key_order_;  // written with the rest at Finish
    size_t mapped_base_ = 0;      // file-mapped memory before the writing began
    unsigned puts_since_check_ = 0;
};

}  // namespace senna
