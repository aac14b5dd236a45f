#include "platform/win32/fonts.h"

#include <string>

#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

namespace {

bool FamilyInstalled(const std::wstring& family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    family.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM seen) -> int {
            *reinterpret_cast<bool*>(seen) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

HFONT MakeFont(const FontSpec& spec, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(spec.pointSize > 0 ? spec.pointSize : 8, static_cast<int>(dpi), 72);
    font.lfWeight = spec.weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    for (const std::string_view family : spec.families) {
        const std::wstring name = Widen(family);
        if (name.size() < LF_FACESIZE && FamilyInstalled(name)) {
            name.copy(font.lfFaceName, LF_FACESIZE - 1);
            break;
        }
    }
    return CreateFontIndirectW(&font);
}

}  // namespace tintcast::platform::win32
