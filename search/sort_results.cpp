#include "search/sort_results.h"

#include <string>
#include <utility>
#include <vector>

#include "text/record_field.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace {

bool IsNumericKey(int k) { return k == 0 || k == 2 || k == 4; }

// Keys are read once per record and travel with it: reading them at every comparison, as the
// order is defined, gives the same results because a key depends only on its record.
struct Sorter {
    ViewerState& state;
    bool numeric;
    std::vector<int32_t> numbers;    // by entry, numeric keys
    std::vector<std::string> texts;  // by entry, text keys
    int base;                        // entry of index 0 in the key vectors

    void Swap(int a, int b) {
        SwapResults(state, a, b);
        if (numeric) {
            std::swap(numbers[a - base], numbers[b - base]);
        } else {
            std::swap(texts[a - base], texts[b - base]);
        }
    }

    void Sort(int lo, int hi) {
        int mid = (lo + hi) / 2;
        // The pivot's key is copied: it is not read again while entries move.
        int32_t pivot_number = numeric ? numbers[mid - base] : 0;
        std::string pivot_text = numeric ? std::string() : texts[mid - base];
        auto key_less_pivot = [&](int a) {
            return numeric ? numbers[a - base] < pivot_number
                           : CompareUtf16Ordinal(texts[a - base], pivot_text) < 0;
        };
        auto pivot_less_key = [&](int a) {
            return numeric ? pivot_number < numbers[a - base]
                           : CompareUtf16Ordinal(pivot_text, texts[a - base]) < 0;
        };
        int i = lo;
        int j = hi;
        for (;;) {
            while (key_less_pivot(i)) ++i;
            while (pivot_less_key(j)) --j;
            if (i >= j) break;
            Swap(i, j);
            ++i;
            --j;
        }
        if (lo < i - 1) Sort(lo, i - 1);
        if (j + 1 < hi) Sort(j + 1, hi);
    }
};

}  // namespace

void SwapResults(ViewerState& state, int a, int b) {
    std::swap(state.Results[static_cast<size_t>(a)], state.Results[static_cast<size_t>(b)]);
}

void SortResults(ViewerState& state, int k, int lo, int hi) {
    if (lo < 0 || hi >= static_cast<int>(state.Results.size()) || lo >= hi || k < 0) return;
    Sorter sorter{state, IsNumericKey(k), {}, {}, lo};
    size_t n = static_cast<size_t>(hi - lo + 1);
    if (sorter.numeric) {
        sorter.numbers.reserve(n);
        for (int e = lo; e <= hi; ++e)
            sorter.numbers.push_back(ReadDecimal(RecordField(state.Results[e], k)));
    } else {
        sorter.texts.reserve(n);
        for (int e = lo; e <= hi; ++e) sorter.texts.emplace_back(RecordField(state.Results[e], k));
    }
    sorter.Sort(lo, hi);
}
