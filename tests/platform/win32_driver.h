#pragma once

#include <windows.h>

#include <string>

#include "fakes/form_driver.h"
#include "platform/win32/form.h"

namespace tintcast::testing {

// Acts on a real Win32Form with the window messages a person's input produces: the
// bar's scroll requests, keys through the dialog keys, mouse presses on buttons and
// on the text box. Reads back the painted pixels, the clipboard and the window's
// stacking style.
class Win32Driver final : public FormDriver {
public:
    explicit Win32Driver(const platform::FormSpec& spec);
    ~Win32Driver() override;
    Win32Driver(const Win32Driver&) = delete;
    Win32Driver& operator=(const Win32Driver&) = delete;

    platform::ViewServices& View() override { return form_; }
    // Loads the form, then makes its window the active one so that keys reach it.
    void Load(platform::FormEvents& events) override;

    void Bar(const platform::ControlRef& bar, BarAction action) override;
    void DragBar(const platform::ControlRef& bar, std::span<const std::int16_t> through) override;
    void Click(const platform::ControlRef& control) override;
    void FocusByTab(const platform::ControlRef& box) override;
    void FocusByMouse(const platform::ControlRef& box) override;
    void FocusOn(const platform::ControlRef& other) override;
    void Key(FormKey key, char letter = '\0') override;

    // Read from the pixels: the centre of the control as painted.
    std::int32_t BackColor(const platform::ControlRef& control) override;
    // One pixel of the control's client area as it paints itself now.
    COLORREF Pixel(const platform::ControlRef& control, int x, int y);
    std::string SelectedText(const platform::ControlRef& box) override;
    std::string ClipboardText() override;
    bool Topmost() override;
    void ActivateAnotherWindow() override;
    bool AnotherWindowActive() override;
    std::string Focused() override;

    platform::win32::Win32Form& Form() { return form_; }
    // The control's window; fails the test when the form has none.
    HWND Hwnd(const platform::ControlRef& control) const;
    // A key pressed and released as the message loop delivers it, with Alt or Shift
    // held or not.
    void VirtualKey(UINT key, bool alt = false, bool shift = false);

private:
    platform::FormSpec spec_;
    platform::win32::Win32Form form_;
    HWND other_ = nullptr;
    DWORD clipboardSequence_ = 0;
    std::string clipboardText_;
};

// Any value can be dragged to: the thumb's place travels in the scroll message.
std::int16_t DragTarget(FormDriver& driver, const platform::ControlRef& bar, std::int16_t value);

}  // namespace tintcast::testing
