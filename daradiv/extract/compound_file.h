// Read-only access to the streams of an OLE2 compound file held in memory (the container
// of legacy Word, Excel and PowerPoint files), through libgsf, with a cap on stream size.
#pragma once

#include <string>
#include <string_view>

inline constexpr size_t kMaxStreamBytes = 64u << 20;

class CompoundFile {
public:
    CompoundFile() = default;
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    // Opens the compound file in bytes, which must outlive this object. False, with a
    // reason in *error, when the bytes are not one.
    bool Open(std::string_view bytes, std::string* error);

    // Reads the named top-level stream whole. False when it is missing, unreadable or
    // larger than the cap. Names are compared without case, as the format does
    // ("WORKBOOK" is "Workbook"); an exact match wins over one that differs in case.
    bool ReadStream(const char* name, std::string* out) const;

    bool HasStream(const char* name) const;

private:
    void* FindChild(const char* name) const;  // a new GsfInput reference, or null


    void* input_ = nullptr;   // GsfInput
    void* infile_ = nullptr;  // GsfInfile
};
