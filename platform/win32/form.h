#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "platform/view_services.h"

namespace tintcast::platform::win32 {

// Builds the standard controls of any form description in one top-level window and
// serves its handlers. Places and sizes are twips, turned into pixels at the window's
// own DPI, and again whenever that changes.
class Win32Form final : public ViewServices {
public:
    explicit Win32Form(const FormSpec& spec);
    ~Win32Form();
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Delivers the load notification, then shows the window.
    void Load(FormEvents& events);
    // Tab, arrows among options, access keys and Enter, as in a dialog; true when the
    // message was handled.
    bool DialogKey(MSG& message);

    HWND window() const { return window_; }
    // The control's window, or null when the form has no such control.
    HWND control(const ControlRef& control) const;
    UINT dpi() const { return dpi_; }

    std::int16_t BarValue(const ControlRef& bar) const override;
    void SetBarValue(const ControlRef& bar, std::int16_t value) override;
    bool OptionValue(const ControlRef& option) const override;
    CheckState CheckValue(const ControlRef& box) const override;
    void SetBackColor(const ControlRef& control, std::int32_t color) override;
    std::string Text(const ControlRef& box) const override;
    void SetText(const ControlRef& box, std::string_view text) override;
    void SetSelStart(const ControlRef& box, std::int32_t start) override;
    void SetSelLength(const ControlRef& box, std::int32_t length) override;
    NativeWindow WindowHandle() const override;
    void SetTopmost(NativeWindow window, bool topmost) override;
    void UnloadForm() override;
    void EndProgram() override;
    void SetClipboardText(std::string_view text) override;

private:
    // Posted to the form to show failures once the notification has returned.
    static constexpr UINT kReportFailure = WM_APP + 1;
    // The first control's id: clear of IDOK and IDCANCEL, which the dialog keys send.
    static constexpr int kFirstId = 100;

    struct Control {
        const ControlSpec* spec = nullptr;
        HWND hwnd = nullptr;
        HFONT font = nullptr;         // owned, for the control's own font
        HBRUSH background = nullptr;  // owned, for labels with a background colour
        bool selected = false;        // options: selected when last looked
        int sign = 1;                 // bars: -1 when the larger value is at the top
    };

    static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleEdit(Control& edit, UINT message, WPARAM wParam, LPARAM lParam);

    void Release();
    void Create(Control& control);
    void Layout();
    void MakeFonts();
    void ChainTabOrder();
    RECT PixelPlace(const ControlSpec& spec) const;
    void Command(Control& control, int code);
    void Scroll(Control& bar, int code, int thumb);
    void MoveBar(Control& bar, int inner);
    void OptionClicked(Control& option);
    void Draw(const DRAWITEMSTRUCT& item);
    LRESULT Colour(HDC dc, HWND hwnd);
    void NextControl(WPARAM wParam, LPARAM lParam);
    HWND FirstTabStop() const;
    bool Inside(HWND hwnd) const;

    Control* FromHwnd(HWND hwnd);
    const Control& Find(const ControlRef& ref, ControlKind kind) const;
    Control& Find(const ControlRef& ref, ControlKind kind);
    void Notify(Notification notification, const ControlRef& control);
    void ReportFailure(const std::string& message);

    FormSpec spec_;
    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    HICON icon_ = nullptr;
    HFONT formFont_ = nullptr;
    std::vector<Control> controls_;
    FormEvents* events_ = nullptr;
    HWND savedFocus_ = nullptr;
    HWND enteringByMouse_ = nullptr;
    std::vector<std::string> pendingFailures_;
    bool destroying_ = false;
};

}  // namespace tintcast::platform::win32
