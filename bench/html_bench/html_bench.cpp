// Seconds the HTML extractor takes on pages of about 1 MB, nested 100,000 deep in several
// ways and not nested at all; the time should follow the size, not the depth.
#include <chrono>
#include <cstdio>
#include <string>

#include "daradiv/extract/extractor.h"

namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

int main() {
    constexpr int kDeep = 100'000;
    struct Page {
        const char* name;
        std::string bytes;
    } pages[] = {
        {"nested div", Repeat("<div>", kDeep) + "word" + Repeat("</div>", kDeep)},
        {"nested b", Repeat("<b>", kDeep) + "word" + Repeat("</b>", kDeep)},
        {"span div crossing", Repeat("<span><div></span>", kDeep / 2)},
        {"reopened font", Repeat("<p><font class=x>a</p>", kDeep / 2)},
        {"flat paragraphs", Repeat("<p>some words here</p>", kDeep / 2)},
    };
    for (const Page& page : pages) {
        auto start = std::chrono::steady_clock::now();
        ExtractResult r = ExtractFromBytes(page.bytes, "html");
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%-20s %8zu bytes  %6.2f s  %s\n", page.name, page.bytes.size(), s,
                    r.ok ? "ok" : "failed");
    }
}
