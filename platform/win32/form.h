#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "platform/capabilities.h"
#include "platform/view_services.h"
#include "platform/win32/fonts.h"

namespace tintcast::platform::win32 {

// Builds the standard controls of any form description in one top-level window and
// serves its handlers. Places and sizes are twips, turned into pixels at the window's
// own DPI, and again whenever that changes.
class Win32Form final : public ViewServices {
public:
    Win32Form(const FormSpec& spec, const Capabilities& capabilities);
    ~Win32Form();
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Delivers the load notification, then shows the window.
    void Load(FormEvents& events);
    // Tab, arrows among options, access keys (Alt with a letter) and Enter, as in a
    // dialog; true when the message was handled.
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
    static constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    // Posted to the form to show failures once the notification has returned.
    static constexpr UINT kReportFailure = WM_APP + 1;
    // The first control's id: clear of IDOK and IDCANCEL, which the dialog keys send.
    static constexpr int kFirstId = 100;

    struct Control {
        const ControlSpec* spec = nullptr;
        HWND hwnd = nullptr;
        HBRUSH background = nullptr;  // owned, for labels with a background colour
        HICON icon = nullptr;         // owned, for images
        bool selected = false;        // options: selected when last looked
    };

    // form.cpp: building
    void Release();
    void Create(Control& control, const Control* previous);
    std::vector<Control*> KeyboardOrder();
    static LONG_PTR KeyboardStyle(const Control& control, const Control* previous);
    void ChainTabOrder();
    HWND FirstTabStop() const;
    bool Inside(HWND hwnd) const;
    std::size_t IndexOf(const Control& control) const { return &control - controls_.data(); }
    Control* FromHwnd(HWND hwnd);
    const Control& Find(const ControlRef& ref, ControlKind kind) const;
    Control& Find(const ControlRef& ref, ControlKind kind);

    // dpi.cpp: places, fonts and icons at the window's DPI
    RECT PixelPlace(const ControlSpec& spec) const;
    RECT FinalPlace(const Control& control) const;
    void FitClientArea();
    void PlaceControls();
    void LoadIcons();
    bool OnGetDpiScaledSize(UINT dpi, SIZE& size) const;
    void OnDpiChanged(UINT dpi, const RECT& suggested);

    // form_notifications.cpp: window messages turned into notifications
    static LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(HWND from, int code);
    void OnVScroll(HWND from, int code, int thumb);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnCtlColorStatic(HDC dc, HWND hwnd);
    void OnNextDlgCtl(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDefId();
    void OnActivate(WORD state);
    void OnChangeUiState(WORD action, WORD flags);
    void OnUpdateUiState(WPARAM wParam);
    void OnReportFailure();
    void OnNcDestroy();
    void OnEditFocus(HWND edit, bool gained);
    void MoveBar(Control& bar, int inner);
    void OptionClicked(Control& option);
    void Notify(Notification notification, const ControlRef& control);
    void ReportFailure(const std::string& message);

    FormSpec spec_;
    Capabilities capabilities_;
    HWND window_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    FormFonts fonts_;
    HICON bigIcon_ = nullptr;  // the window's own, at another DPI than the class's
    HICON smallIcon_ = nullptr;
    UINT classIconDpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<Control> controls_;
    FormEvents* events_ = nullptr;
    HWND savedFocus_ = nullptr;
    bool hideFocus_ = false;  // focus marks hidden until the keyboard is used
    std::vector<std::string> pendingFailures_;
    bool destroying_ = false;
};

}  // namespace tintcast::platform::win32
