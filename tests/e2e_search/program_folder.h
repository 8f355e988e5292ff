// A small program folder for the end-to-end tests: documents on disk, daradiv.ini naming
// their folders, the catalogue pair and information file as the indexer writes them, and
// optionally the full-text index.
#pragma once

#include <string>
#include <vector>

struct FixtureDocument {
    std::string name;      // file name inside the category folder
    std::string category;  // category folder and name
    std::string text;      // display text
};

class ProgramFolder {
  public:
    // Creates a fresh folder under the temporary directory, named after tag.
    explicit ProgramFolder(const std::string& tag);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // Writes the documents, daradiv.ini (one target folder per category, in order of first
    // appearance), catalogue pair 1, sindexi.dat and, when with_index, the index. A document
    // whose name starts with "unindexed" is left out of the index, so a search that goes
    // through the index cannot find it.
    void Build(const std::vector<FixtureDocument>& docs, bool with_index);

    // The folder with a trailing "/".
    const std::string& app_dir() const { return app_dir_; }
    // Full path of a document written by Build.
    std::string DocumentPath(const FixtureDocument& doc) const;

  private:
    std::string app_dir_;
};
