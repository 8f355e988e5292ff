#include "daradiv/extract/compound_file.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <mutex>

namespace {

// libgsf reports the faults of a damaged file as GLib criticals on stderr; the reason goes
// to the log instead.
void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// Stream names compare as the format compares them: letters without case. Only ASCII
// letters fold here; every name the readers ask for is ASCII.
bool SameNameWithoutCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = *a, y = *b;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return *a == *b;
}

}  // namespace

CompoundFile::~CompoundFile() {
    if (infile_) g_object_unref(infile_);
    if (input_) g_object_unref(input_);
}

bool CompoundFile::Open(std::string_view bytes, std::string* error) {
    static std::once_flag init;
    std::call_once(init, [] {
        gsf_init();
        for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:OLE"})
            g_log_set_handler(domain, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK), Quiet, nullptr);
    });
    GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                           static_cast<gsf_off_t>(bytes.size()), FALSE);
    if (!input) {
        *error = "複合ファイルとして開けません";
        return false;
    }
    input_ = input;
    GError* err = nullptr;
    GsfInfile* infile = gsf_infile_msole_new(input, &err);
    if (!infile) {
        *error = "Office 97-2003 形式の文書ではありません";
        if (err) g_error_free(err);
        return false;
    }
    infile_ = infile;
    return true;
}

bool CompoundFile::ReadStream(const char* name, std::string* out) const {
    out->clear();
    if (!infile_) return false;
    auto* child = static_cast<GsfInput*>(FindChild(name));
    if (!child) return false;
    gsf_off_t size = gsf_input_size(child);
    bool ok = size >= 0 && static_cast<size_t>(size) <= kMaxStreamBytes;
    if (ok) {
        out->resize(static_cast<size_t>(size));
        size_t done = 0;
        while (done < out->size()) {
            size_t n = std::min<size_t>(out->size() - done, 65536);
            if (!gsf_input_read(child, n, reinterpret_cast<guint8*>(out->data() + done))) {
                ok = false;
                break;
            }
            done += n;
        }
    }
    g_object_unref(child);
    if (!ok) out->clear();
    return ok;
}

void* CompoundFile::FindChild(const char* name) const {
    if (!infile_) return nullptr;
    GsfInfile* dir = GSF_INFILE(infile_);
    if (GsfInput* exact = gsf_infile_child_by_name(dir, name)) return exact;
    int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        const char* child_name = gsf_infile_name_by_index(dir, i);
        if (child_name && SameNameWithoutCase(child_name, name))
            return gsf_infile_child_by_index(dir, i);
    }
    return nullptr;
}

bool CompoundFile::HasStream(const char* name) const {
    auto* child = static_cast<GsfInput*>(FindChild(name));
    if (child) g_object_unref(child);
    return child != nullptr;
}
