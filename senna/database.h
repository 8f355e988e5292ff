// One Groonga database of an index generation: its own Groonga context, the document
// table, the bigram lexicon with its index column and the character lexicon with its
// document-level index column, all opened up front so that nothing is opened
// lazily from a folder that may be removed later.
#pragma once

#include <groonga.h>

#include <memory>
#include <string>

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

    grn_ctx* ctx() { return &ctx_; }
    grn_obj* docs() { return docs_; }
    grn_obj* terms() { return terms_; }
    grn_obj* index() { return index_; }
    // Character index: which documents hold a character, for single-character terms. May be
    // null in a generation made without it; single characters then go through index().
    grn_obj* chars() { return chars_; }

    // Name of the database file inside a generation folder.
    static constexpr const char* kFileName = "db";
    // Index sections: the folded path and the folded text.
    static constexpr unsigned kPathSection = 1;
    static constexpr unsigned kTextSection = 2;

  private:
    Database();
    bool Init(const std::string& dir, bool create);

    grn_ctx ctx_;
    bool ctx_ready_ = false;
    grn_obj* db_ = nullptr;
    grn_obj* docs_ = nullptr;
    grn_obj* terms_ = nullptr;
    grn_obj* index_ = nullptr;
    grn_obj* chars_ = nullptr;
};

}  // namespace senna
