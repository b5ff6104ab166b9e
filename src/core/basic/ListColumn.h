#pragma once

// A list column as a window shows it: the header text and the starting width in pixels.
struct ListColumn {
    const char* header;
    int width;
};
