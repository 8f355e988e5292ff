#include <gtest/gtest.h>

#include "app/window_placement.h"

TEST(WindowPlacement, CentredAndTitleBarKeptOnScreen) {
    struct Case {
        ScreenArea available;
        int width, height;
        int want_x, want_y;
    } cases[] = {
        {{0, 0, 1920, 1080}, 784, 800, 568, 140},   // fits: centred
        {{0, 0, 1366, 768}, 784, 800, 291, 0},      // taller than the screen: top kept at 0
        {{0, 28, 1366, 740}, 784, 800, 291, 28},    // a panel above: below the panel
        {{1920, 0, 640, 480}, 784, 800, 1920, 0},   // second screen smaller than the window
    };
    for (const Case& c : cases) {
        WindowPosition p = CentredWindowPosition(c.available, c.width, c.height);
        EXPECT_EQ(p.x, c.want_x);
        EXPECT_EQ(p.y, c.want_y);
    }
}
