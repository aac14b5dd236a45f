#include "platform/win32/form.h"

#include <algorithm>
#include <stdexcept>

#include "platform/control_name.h"
#include "platform/text_offsets.h"
#include "platform/win32/controls.h"
#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

namespace {

// How long Copy waits for another program to close the clipboard.
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardRetryMs = 20;

}  // namespace

std::int16_t Win32Form::BarValue(const ControlRef& ref) const {
    const Control& bar = Find(ref, ControlKind::VScrollBar);
    return FromInner(bar.spec->bar, GetScrollPos(bar.hwnd, SB_CTL));
}

void Win32Form::SetBarValue(const ControlRef& ref, std::int16_t value) {
    Control& bar = Find(ref, ControlKind::VScrollBar);
    MoveBar(bar, ToInner(bar.spec->bar, value));
}

bool Win32Form::OptionValue(const ControlRef& ref) const {
    return SendMessageW(Find(ref, ControlKind::Option).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

CheckState Win32Form::CheckValue(const ControlRef& ref) const {
    switch (SendMessageW(Find(ref, ControlKind::CheckBox).hwnd, BM_GETCHECK, 0, 0)) {
        case BST_CHECKED:
            return CheckState::Checked;
        case BST_INDETERMINATE:
            return CheckState::Grayed;
        default:
            return CheckState::Unchecked;
    }
}

void Win32Form::SetBackColor(const ControlRef& ref, std::int32_t color) {
    SetSwatchColor(Find(ref, ControlKind::Swatch).hwnd, ToColorRef(UnpackRgb(color)));
}

namespace {

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

std::string Win32Form::Text(const ControlRef& ref) const {
    return Narrow(WindowText(Find(ref, ControlKind::TextBox).hwnd));
}

void Win32Form::SetText(const ControlRef& ref, std::string_view text) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    const std::wstring wide = Widen(text);
    SetWindowTextW(edit, wide.c_str());
    // The caret after the new text, as where a person's typing would have left it.
    SendMessageW(edit, EM_SETSEL, wide.size(), static_cast<LPARAM>(wide.size()));
}

void Win32Form::SetSelStart(const ControlRef& ref, std::int32_t start) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    const int at = AdvanceCharacters<wchar_t>(WindowText(edit), 0, start);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(at), at);
}

void Win32Form::SetSelLength(const ControlRef& ref, std::int32_t length) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    DWORD start = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    const int end = AdvanceCharacters<wchar_t>(WindowText(edit), static_cast<int>(start), length);
    SendMessageW(edit, EM_SETSEL, start, end);
}

NativeWindow Win32Form::WindowHandle() const {
    return reinterpret_cast<NativeWindow>(window_);
}

void Win32Form::SetTopmost(NativeWindow window, bool topmost) {
    if (window_ == nullptr || window != reinterpret_cast<NativeWindow>(window_)) {
        throw ServiceError("The window is not open.");
    }
    // The result is not examined: the stacking state is all this asks for.
    SetWindowPos(reinterpret_cast<HWND>(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Form::UnloadForm() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void Win32Form::EndProgram() {
    PostQuitMessage(0);
}

void Win32Form::SetClipboardText(std::string_view text) {
    const std::wstring wide = Widen(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    // Another program may hold the clipboard open for a moment.
    bool open = false;
    for (int attempt = 0; attempt < kClipboardAttempts && !open; ++attempt) {
        if (attempt > 0) {
            Sleep(kClipboardRetryMs);
        }
        open = OpenClipboard(window_) != FALSE;
    }
    if (!open) {
        throw ServiceError("Another program is using the clipboard. The text was not copied.");
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (memory != nullptr && EmptyClipboard()) {
        if (void* target = GlobalLock(memory)) {
            std::copy_n(wide.c_str(), wide.size() + 1, static_cast<wchar_t*>(target));
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
    }
    CloseClipboard();
    if (!placed) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        throw ServiceError("The text could not be put on the clipboard.");
    }
}

}  // namespace tintcast::platform::win32
