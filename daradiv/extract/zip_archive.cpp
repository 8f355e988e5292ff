#include "daradiv/extract/zip_archive.h"

#include <vector>

#include <zip.h>

ZipArchive::~ZipArchive() {
    if (zip_) zip_discard(zip_);
}

bool ZipArchive::Open(std::string_view bytes, std::string* error) {
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &err);
    if (!src) {
        *error = "ZIP として開けません";
        zip_error_fini(&err);
        return false;
    }
    zip_ = zip_open_from_source(src, ZIP_RDONLY, &err);
    if (!zip_) {
        zip_source_free(src);
        *error = std::string("ZIP として開けません: ") + zip_error_strerror(&err);
        zip_error_fini(&err);
        return false;
    }
    zip_error_fini(&err);
    return true;
}

bool ZipArchive::Has(const std::string& name) const {
    return zip_ && zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE) >= 0;
}

bool ZipArchive::Read(const std::string& name, std::string* out, std::string* error) const {
    out->clear();
    if (!zip_) return false;
    zip_int64_t index = zip_name_locate(zip_, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) {
        *error = name + " がありません";
        return false;
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) == 0 &&
        (st.valid & ZIP_STAT_SIZE) && st.size > kMaxZipEntryBytes) {
        *error = name + " が大きすぎます";
        return false;
    }
    zip_file_t* f = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
    if (!f) {
        *error = name + " を読めません: " + zip_strerror(zip_);
        return false;
    }
    // The stored size may lie: the cap is enforced on what actually comes out.
    char buf[65536];
    bool ok = true;
    while (true) {
        zip_int64_t n = zip_fread(f, buf, sizeof buf);
        if (n < 0) {
            *error = name + " を読めません: " + zip_file_strerror(f);
            ok = false;
            break;
        }
        if (n == 0) break;
        if (out->size() + static_cast<size_t>(n) > kMaxZipEntryBytes) {
            *error = name + " が大きすぎます";
            ok = false;
            break;
        }
        out->append(buf, static_cast<size_t>(n));
    }
    zip_fclose(f);
    if (!ok) out->clear();
    return ok;
}

std::string ResolveEntryName(const std::string& folder, std::string_view target) {
    std::string path = !target.empty() && target[0] == '/' ? std::string(target.substr(1))
                                                          : folder + std::string(target);
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}
