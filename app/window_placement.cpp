#include "app/window_placement.h"

#include <algorithm>

WindowPosition CentredWindowPosition(const ScreenArea& available, int frame_width,
                                     int frame_height) {
    WindowPosition p;
    p.x = available.x + (available.width - frame_width) / 2;
    p.y = available.y + (available.height - frame_height) / 2;
    p.x = std::max(p.x, available.x);
    p.y = std::max(p.y, available.y);
    return p;
}
