#include "daradiv/extract/image_text.h"

#include <leptonica/allheaders.h>

#include <cstdio>
#include <memory>

#include "daradiv/extract/ocr_engine.h"
#include "daradiv/extract/ocr_pages.h"

namespace {

using PixPtr = std::unique_ptr<Pix, void (*)(Pix*)>;
PixPtr Own(Pix* p) { return PixPtr(p, [](Pix* q) { pixDestroy(&q); }); }

// The number of pages of a TIFF in memory (1 for a TIFF that cannot be counted).
int TiffPages(const l_uint8* data, size_t size) {
    FILE* f = fmemopen(const_cast<l_uint8*>(data), size, "rb");
    if (!f) return 1;
    l_int32 n = 1;
    if (tiffGetCount(f, &n) != 0 || n < 1) n = 1;
    fclose(f);
    return n;
}

}  // namespace

ExtractResult ExtractImage(std::string_view bytes, const ExtractOptions& options) {
    ExtractResult r;
    setMsgSeverity(L_SEVERITY_NONE);
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.data());
    l_int32 format = IFF_UNKNOWN, w = 0, h = 0, bps = 0, spp = 0, cmap = 0;
    if (bytes.size() < 12 || findFileFormatBuffer(data, &format) != 0 || format == IFF_UNKNOWN ||
        pixReadHeaderMem(data, bytes.size(), &format, &w, &h, &bps, &spp, &cmap) != 0) {
        r.error = "画像として読めません";
        return r;
    }
    // Decoding alone could pass the worker's memory cap; the header tells the size first.
    if (static_cast<long long>(w) * h > kOcrMaxPixels) {
        r.error = "画像が大きすぎます";
        return r;
    }
    OcrPages pages(options, L_FORMAT_IS_TIFF(format) ? TiffPages(data, bytes.size()) : 1);
    if (L_FORMAT_IS_TIFF(format)) {
        size_t offset = 0;
        for (int i = 0; i < pages.count(); ++i) {
            PixPtr pix = Own(pixReadMemFromMultipageTiff(data, bytes.size(), &offset));
            pages.Read(i, pix.get());
            if (offset == 0) break;  // the last page
        }
    } else {
        PixPtr pix = Own(pixReadMem(data, bytes.size()));
        pages.Read(0, pix.get());
    }
    return pages.Finish();
}
