// Read-only access to a zip archive held in memory, with a cap on what one entry may
// decompress to, so a small archive cannot expand without bound.
#pragma once

#include <string>
#include <string_view>

struct zip;

inline constexpr size_t kMaxZipEntryBytes = 64u << 20;

class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Opens the archive in bytes, which must outlive this object. False, with a reason in
    // *error, when the bytes are not a readable zip archive.
    bool Open(std::string_view bytes, std::string* error);

    // Reads the named entry (names compared without case) whole into *out. False, with a
    // reason, when it is missing, corrupt, encrypted or would decompress past the cap.
    bool Read(const std::string& name, std::string* out, std::string* error) const;

    bool Has(const std::string& name) const;

private:
    struct zip* zip_ = nullptr;
};

// A name inside the archive for target, written relative to folder (a folder name ending in
// "/", or ""): a leading "/" starts from the archive's root, "." and ".." are resolved, and
// ".." never climbs above the root.
std::string ResolveEntryName(const std::string& folder, std::string_view target);
