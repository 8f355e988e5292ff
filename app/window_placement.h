// Where the main window goes when it opens: centred on the desktop, but never with its
// title bar off the screen, so a window taller or wider than a small screen can still be
// moved and closed.
#pragma once

struct ScreenArea {
    int x = 0, y = 0, width = 0, height = 0;
};

struct WindowPosition {
    int x = 0, y = 0;
};

// The top-left corner of a frame of frame_width x frame_height centred in available, moved
// right and down as far as needed to keep that corner inside available.
WindowPosition CentredWindowPosition(const ScreenArea& available, int frame_width,
                                     int frame_height);
