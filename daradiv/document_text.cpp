#include "daradiv/document_text.h"

#include "search/index_files.h"
#include "search/normalize.h"
#include "text/utf8.h"

namespace daradiv {

TextBlocks MakeTextBlocks(std::string text) {
    NormalizeSpacingInPlace(text);
    TextBlocks blocks;
    const size_t whole = text.size();
    text.resize(CutAtCharBoundary(text, index_files::kMaxTextBlock));
    blocks.cut_bytes = whole - text.size();
    blocks.folded = FoldedCopy(text);
    blocks.display = std::move(text);
    return blocks;
}

std::string CutTextNote(size_t cut_bytes, bool at_least) {
    // 5000000 as "5,000,000".
    std::string limit = std::to_string(index_files::kMaxTextBlock);
    for (size_t at = limit.size(); at > 3; at -= 3) limit.insert(at - 3, ",");
    return "本文が上限の " + limit + " バイトを超えたため、後ろの " + std::to_string(cut_bytes) +
           (at_least ? " バイト以上" : " バイト") + "を索引していません";
}

std::string MakePathBlock(const std::string& path) {
    return path.substr(0, CutAtCharBoundary(path, index_files::kMaxPathBlock));
}

}  // namespace daradiv
