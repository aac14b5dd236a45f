#include "platform/win32/fonts.h"

#include <string>
#include <utility>

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

// The installed face of a list of families, looked up once per list: the fonts of a
// form share their lists, and a DPI change asks again.
std::wstring InstalledFace(std::span<const std::string_view> families) {
    struct Known {
        const std::string_view* list = nullptr;
        wchar_t face[LF_FACESIZE] = {};
    };
    static Known known[4];
    for (const Known& entry : known) {
        if (entry.list == families.data()) {
            return entry.face;
        }
    }
    std::wstring face;
    for (const std::string_view family : families) {
        const std::wstring name = Widen(family);
        if (name.size() < LF_FACESIZE && FamilyInstalled(name)) {
            face = name;
            break;
        }
    }
    for (Known& entry : known) {
        if (entry.list == nullptr) {
            entry.list = families.data();
            face.copy(entry.face, LF_FACESIZE - 1);
            break;
        }
    }
    return face;
}

// The font of a description at a DPI: the first of its families that is installed.
HFONT MakeFont(const FontSpec& spec, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(spec.pointSize > 0 ? spec.pointSize : 8, static_cast<int>(dpi), 72);
    font.lfWeight = spec.weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    InstalledFace(spec.families).copy(font.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

}  // namespace

FormFonts::FormFonts(const FormSpec& form, UINT dpi) : form_(MakeFont(form.font, dpi)) {
    own_.reserve(form.controls.size());
    for (const ControlSpec& control : form.controls) {
        own_.push_back(control.font ? MakeFont(*control.font, dpi) : nullptr);
    }
}

FormFonts::~FormFonts() {
    Delete();
}

FormFonts::FormFonts(FormFonts&& other) noexcept
    : form_(std::exchange(other.form_, nullptr)), own_(std::exchange(other.own_, {})) {}

FormFonts& FormFonts::operator=(FormFonts&& other) noexcept {
    if (this != &other) {
        Delete();
        form_ = std::exchange(other.form_, nullptr);
        own_ = std::exchange(other.own_, {});
    }
    return *this;
}

void FormFonts::Delete() {
    for (HFONT font : own_) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    own_.clear();
    if (form_ != nullptr) {
        DeleteObject(std::exchange(form_, nullptr));
    }
}

HFONT FormFonts::For(std::size_t control) const {
    return control < own_.size() && own_[control] != nullptr ? own_[control] : form_;
}

SIZE LabelSize(HFONT font, std::wstring_view text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.data(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // Room for one more character: a renderer may draw the text a few pixels wider
    // than measured (Wine does), and the label must not cut it.
    return {extent.cx + metrics.tmAveCharWidth, extent.cy};
}

}  // namespace tintcast::platform::win32
