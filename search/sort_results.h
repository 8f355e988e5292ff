// Orders the hit records in Results by one of their fields: a quicksort with the middle
// entry as pivot whose exact steps fix the order of records with equal keys.
#pragma once

#include "state/viewer_state.h"

// Sorts Results[lo..hi] (both included) ascending by field k of each record: fields 0, 2
// and 4 as signed 32-bit decimals (0 when not a number), every other field as text in
// ordinal UTF-16 order. Not stable. Does nothing when lo..hi is not a range of two or more
// entries of Results.
void SortResults(ViewerState& state, int k, int lo, int hi);

// Exchanges entries a and b of Results.
void SwapResults(ViewerState& state, int a, int b);
