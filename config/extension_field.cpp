#include "config/extension_field.h"

#include "text/text_rules.h"

std::vector<std::string> ExtensionPieces(std::string_view text) {
    std::vector<std::string> pieces;
    std::string_view rest = Trim(text);
    while (true) {
        size_t colon = rest.find(':');
        std::string piece = LowerCase(Trim(rest.substr(0, colon)));
        if (piece.find('.') != std::string::npos) pieces.push_back(std::move(piece));
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return pieces;
}

std::string NormaliseExtensionField(std::string_view text) {
    std::string field;
    for (const std::string& piece : ExtensionPieces(text)) {
        if (!field.empty()) field += " : ";
        field += piece;
    }
    return field;
}
