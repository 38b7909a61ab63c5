#include "bench/ClickPattern.h"

#include <cstdio>

bool ParseBenchRect(const char* text, SBenchRect* rect) {
    SBenchRect r;
    char sep = 0;
    if (std::sscanf(text, "%d,%d,%d%c%d", &r.x, &r.y, &r.width, &sep, &r.height) != 5 ||
        (sep != 'x' && sep != ','))
        return false;
    // Narrower than that, the 37- and 53-pixel steps would wrap round to neighbours.
    if (r.width < 64 || r.height < 64)
        return false;
    *rect = r;
    return true;
}
