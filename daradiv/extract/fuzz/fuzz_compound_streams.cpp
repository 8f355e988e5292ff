// libFuzzer target over the legacy Office record readers: the input's chunks become the
// streams of a freshly built compound file, so mutations reach the records (PowerPoint
// containers, Word file information, Excel strings) and the stream names instead of dying
// on the container's sector tables. Each chunk is a name byte, a 16-bit length and the
// stream's bytes; the name byte picks a stream name, in another case when its top bit is set.
#include <gsf/gsf.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "daradiv/extract/extractor.h"
#include "text/utf8.h"

namespace {

const char* const kNames[] = {"WordDocument", "1Table", "0Table", "Workbook", "Book",
                              "PowerPoint Document", "Current User", "\005SummaryInformation"};

std::string OtherCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

std::string MakeCompoundFile(const std::map<std::string, std::string>& streams) {
    GsfOutput* mem = gsf_output_memory_new();
    GsfOutfile* ole = gsf_outfile_msole_new(mem);
    for (const auto& [name, content] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name.c_str(), FALSE);
        if (!child) continue;
        gsf_output_write(child, content.size(), reinterpret_cast<const guint8*>(content.data()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    std::string bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem))),
                      static_cast<size_t>(gsf_output_size(mem)));
    g_object_unref(mem);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool initialised = (gsf_init(), true);
    (void)initialised;
    std::map<std::string, std::string> streams;
    size_t at = 0;
    while (at + 3 <= size && streams.size() < 8) {
        uint8_t pick = data[at];
        size_t len = data[at + 1] | (static_cast<size_t>(data[at + 2]) << 8);
        at += 3;
        len = std::min(len, size - at);
        std::string name = kNames[(pick & 0x7F) % (sizeof kNames / sizeof kNames[0])];
        if (pick & 0x80) name = OtherCase(name);
        streams[name].assign(reinterpret_cast<const char*>(data + at), len);
        at += len;
    }
    if (streams.empty()) return 0;
    ExtractResult r = ExtractFromBytes(MakeCompoundFile(streams), "doc");
    if (r.ok && !IsValidUtf8(r.text)) __builtin_trap();
    if (!r.ok && r.error.empty()) __builtin_trap();
    return 0;
}
