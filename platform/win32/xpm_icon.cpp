#include "platform/win32/xpm_icon.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tintcast::platform::win32 {

namespace {

constexpr std::uint32_t kTransparent = 0;

struct Header {
    int width = 0;
    int height = 0;
    int colours = 0;
    int perPixel = 0;
};

// Reads the next decimal number; false when there is none.
bool ReadNumber(const char*& text, int& value) {
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    const char* end = text + std::strlen(text);
    const auto [next, error] = std::from_chars(text, end, value);
    text = next;
    return error == std::errc{};
}

bool ParseHeader(const char* line, Header& header) {
    return ReadNumber(line, header.width) && ReadNumber(line, header.height) &&
           ReadNumber(line, header.colours) && ReadNumber(line, header.perPixel) &&
           header.width > 0 && header.height > 0 && header.width <= 256 && header.height <= 256 &&
           header.colours > 0 && header.perPixel == 1;
}

// 0xAARRGGBB, or kTransparent for "None".
bool ParseColour(const char* value, std::uint32_t& argb) {
    if (std::strcmp(value, "None") == 0) {
        argb = kTransparent;
        return true;
    }
    std::uint32_t rgb = 0;
    const char* end = value + std::strlen(value);
    if (value[0] != '#' || end - value != 7 ||
        std::from_chars(value + 1, end, rgb, 16).ptr != end) {
        return false;
    }
    argb = 0xFF000000u | rgb;
    return true;
}

}  // namespace

HICON IconFromXpm(std::span<const char* const> xpm) {
    Header header;
    if (xpm.empty() || !ParseHeader(xpm[0], header) ||
        xpm.size() != static_cast<std::size_t>(1 + header.colours + header.height)) {
        return nullptr;
    }
    std::array<std::uint32_t, 256> palette{};
    std::array<bool, 256> known{};
    for (int i = 1; i <= header.colours; ++i) {
        const char* line = xpm[static_cast<std::size_t>(i)];
        const auto key = static_cast<unsigned char>(line[0]);
        const char* value = std::strstr(line + 1, " c ");
        if (value == nullptr || !ParseColour(value + 3, palette[key])) {
            return nullptr;
        }
        known[key] = true;
    }

    const int w = header.width;
    const int h = header.height;
    std::vector<std::uint32_t> colour(static_cast<std::size_t>(w * h));
    // The monochrome mask: 1 where the picture is transparent, rows padded to 16 bits.
    const int maskStride = ((w + 15) / 16) * 2;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(maskStride * h), 0);
    for (int y = 0; y < h; ++y) {
        const char* row = xpm[static_cast<std::size_t>(1 + header.colours + y)];
        if (std::strlen(row) != static_cast<std::size_t>(w)) {
            return nullptr;
        }
        for (int x = 0; x < w; ++x) {
            const auto key = static_cast<unsigned char>(row[x]);
            if (!known[key]) {
                return nullptr;
            }
            const std::uint32_t argb = palette[key];
            colour[static_cast<std::size_t>(y * w + x)] = argb;
            if (argb == kTransparent) {
                mask[static_cast<std::size_t>(y * maskStride + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }

    BITMAPV5HEADER info{};
    info.bV5Size = sizeof info;
    info.bV5Width = w;
    info.bV5Height = -h;  // top-down, like the XPM rows
    info.bV5Planes = 1;
    info.bV5BitCount = 32;
    info.bV5Compression = BI_BITFIELDS;
    info.bV5RedMask = 0x00FF0000;
    info.bV5GreenMask = 0x0000FF00;
    info.bV5BlueMask = 0x000000FF;
    info.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colourBitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info),
                                            DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (colourBitmap == nullptr) {
        return nullptr;
    }
    std::memcpy(bits, colour.data(), colour.size() * sizeof(std::uint32_t));
    HBITMAP maskBitmap = CreateBitmap(w, h, 1, 1, mask.data());
    ICONINFO icon{TRUE, 0, 0, maskBitmap, colourBitmap};
    HICON created = maskBitmap != nullptr ? CreateIconIndirect(&icon) : nullptr;
    DeleteObject(colourBitmap);
    if (maskBitmap != nullptr) {
        DeleteObject(maskBitmap);
    }
    return created;
}

}  // namespace tintcast::platform::win32
