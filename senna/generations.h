// Generations of an index: the index name (a symbolic link) names the current generation
// folder beside it; a new generation is built in a folder of its own and made current by
// renaming a fresh link over the name, so readers never see a half-written index.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "senna/senna.h"

namespace senna {

// The folder of the current generation of the index called path, or "" when there is none.
std::string ResolveCurrent(const std::string& path);

// Makes a new, empty generation folder beside path; "" when it cannot be made.
std::string MakeNextGeneration(const std::string& path);

// Copies the database files (not the identity record) of generation from into to.
bool CopyGenerationFiles(const std::string& from, const std::string& to);

// Writes every file of generation dir to disk, then points path at it in one rename.
bool SwitchTo(const std::string& path, const std::string& dir);

// A hold on a generation folder for as long as it is read or written: a shared lock on a
// file inside it. Groonga opens some of its files only when they are first needed, so a
// folder must not be removed while any process holds it.
class Lease {
  public:
    // Takes a hold on dir; nullptr when it cannot (the folder is gone or being removed).
    static std::unique_ptr<Lease> Take(const std::string& dir);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

  private:
    explicit Lease(int fd) : fd_(fd) {}
    int fd_;
};

// Removes every generation folder and leftover link of path except the current one and
// those some process holds a lease on. False when one could not be removed.
bool RemoveStale(const std::string& path);

// Removes a generation folder and everything in it.
void RemoveGeneration(const std::string& dir);

// Disk space taken by the regular files in dir, holes not counted (0 when it does not exist).
long long FolderSize(const std::string& dir);

// The identity record of a generation: read (nullopt when none or unreadable) and write.
std::optional<sen_file_identity> ReadIdentity(const std::string& dir);
bool WriteIdentity(const std::string& dir, const sen_file_identity& id);

}  // namespace senna
