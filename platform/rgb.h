#pragma once

#include <cstdint>

namespace tintcast::platform {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// The form runtime's colour: red in the low byte, 0x00BBGGRR, as SetBackColor takes it.
constexpr std::int32_t PackRgb(Rgb c) {
    return c.red | (c.green << 8) | (c.blue << 16);
}
constexpr Rgb UnpackRgb(std::int32_t packed) {
    return {static_cast<std::uint8_t>(packed & 0xFF),
            static_cast<std::uint8_t>((packed >> 8) & 0xFF),
            static_cast<std::uint8_t>((packed >> 16) & 0xFF)};
}

}  // namespace tintcast::platform
