#include "app/forward_slashes.h"

#include "text/utf8.h"

std::string ToForwardSlashes(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        if (out[i] == '\\') out[i] = '/';
        i += CharStep(static_cast<unsigned char>(out[i]));
    }
    return out;
}
