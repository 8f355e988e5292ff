#include "app/home_state.h"

void ResetHomeState(ViewerState& state) {
    state.Results.clear();
    state.Keyword.clear();
    state.SortKey = 0;
    state.PageIndex = 0;
    state.CheckedCategories = state.Categories;
}
