#pragma once

#include <cmath>

namespace tintcast::platform {

// Places and sizes are in twips, 1/1440 inch.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Logical pixels for a length in twips at the given logical dots per inch.
inline int TwipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

}  // namespace tintcast::platform
