#pragma once

#include <algorithm>
#include <cstdint>

namespace tintcast::platform {

// A bar runs from `top` at its upper end to `bottom` at its lower end; either may be
// the larger. Arrows step by `smallChange`, clicks in the track by `largeChange`.
struct BarRange {
    std::int16_t top = 0;
    std::int16_t bottom = 0;
    std::int16_t smallChange = 1;
    std::int16_t largeChange = 1;
};

// A native scroll bar has its minimum at the top. A range whose larger end is at the
// top is held negated inside it, so that the arrows, the track, the keys and a drag
// all move the value the way the thumb moves: -1 then, else 1.
constexpr int BarSign(const BarRange& range) {
    return range.top > range.bottom ? -1 : 1;
}

// The native bar's own range: its minimum stands for `top`, its maximum for `bottom`.
constexpr int InnerMinimum(const BarRange& range) {
    return BarSign(range) * range.top;
}
constexpr int InnerMaximum(const BarRange& range) {
    return BarSign(range) * range.bottom;
}

// A value the handlers see, as the native bar holds it, and back.
constexpr int ToInner(const BarRange& range, int value) {
    return BarSign(range) * value;
}
constexpr std::int16_t FromInner(const BarRange& range, int inner) {
    return static_cast<std::int16_t>(BarSign(range) * inner);
}

// The range's ends by size, whichever is at the top.
constexpr int LowestValue(const BarRange& range) {
    return std::min(range.top, range.bottom);
}
constexpr int HighestValue(const BarRange& range) {
    return std::max(range.top, range.bottom);
}

// A value held within the range.
constexpr std::int16_t ClampToBar(const BarRange& range, int value) {
    return static_cast<std::int16_t>(std::clamp(value, LowestValue(range), HighestValue(range)));
}

}  // namespace tintcast::platform
