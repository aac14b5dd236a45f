#pragma once

#include <array>

#include "notation/color_text.h"

namespace tintcast::window {

// The colours the eight preset buttons set, by button index: bit 0 of the index is
// red, bit 1 green, bit 2 blue, each at full strength.
inline constexpr std::array<notation::ChannelSet, 8> PresetTable{{
    {0, 0, 0},        // black
    {255, 0, 0},      // red
    {0, 255, 0},      // green
    {255, 255, 0},    // yellow
    {0, 0, 255},      // blue
    {255, 0, 255},    // magenta
    {0, 255, 255},    // cyan
    {255, 255, 255},  // white
}};

}  // namespace tintcast::window
