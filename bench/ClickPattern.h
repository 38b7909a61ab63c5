#pragma once
// Where the n-th click of a benchmark lands, shared by the script generator and the raw loop so that both
// make the same requests. Successive clicks are at least 6 pixels apart on both axes, so a window under
// them never sees two of them as a double click.

struct SBenchRect {
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;
};

struct SBenchPoint {
    int x = 0;
    int y = 0;
};

inline SBenchPoint BenchClickPosition(int n, const SBenchRect& rect) {
    // Steps of 37 and 53 are coprime with the usual sizes, so the clicks sweep the whole rectangle.
    return {rect.x + int((long long)n * 37 % rect.width), rect.y + int((long long)n * 53 % rect.height)};
}

// Parses "X,Y,WxH" or "X,Y,W,H"; false when it is neither or the size is below 64x64.
bool ParseBenchRect(const char* text, SBenchRect* rect);
