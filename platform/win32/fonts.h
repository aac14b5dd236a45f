#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include <windows.h>

#include "platform/form_description.h"

namespace tintcast::platform::win32 {

// The fonts of a form's controls at one DPI: the form's, and one for each control
// with a font of its own. They are deleted with this object, so a DPI change makes
// the next set before this one goes.
class FormFonts {
public:
    FormFonts() = default;
    FormFonts(const FormSpec& form, UINT dpi);
    ~FormFonts();
    FormFonts(FormFonts&& other) noexcept;
    FormFonts& operator=(FormFonts&& other) noexcept;

    // The font of the control at this place in the form's description.
    HFONT For(std::size_t control) const;

private:
    void Delete();

    HFONT form_ = nullptr;
    std::vector<HFONT> own_;  // null where the control takes the form's
};

// The size of a label that fits its text in this font.
SIZE LabelSize(HFONT font, std::wstring_view text);

}  // namespace tintcast::platform::win32
