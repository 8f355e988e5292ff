#include "daradiv/document_text.h"

#include "search/index_files.h"
#include "search/normalize.h"
#include "text/utf8.h"

namespace daradiv {

TextBlocks MakeTextBlocks(std::string text) {
    NormalizeSpacingInPlace(text);
    text.resize(CutAtCharBoundary(text, index_files::kMaxTextBlock));
    TextBlocks blocks;
    blocks.folded = FoldedCopy(text);
    blocks.display = std::move(text);
    return blocks;
}

std::string MakePathBlock(const std::string& path) {
    return path.substr(0, CutAtCharBoundary(path, index_files::kMaxPathBlock));
}

}  // namespace daradiv
