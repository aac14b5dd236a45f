#include "platform/win32/edit.h"

#include <commctrl.h>

namespace tintcast::platform::win32 {

namespace {

struct EditState {
    bool pressing = false;      // within a button press that began outside the box
    bool entryPending = false;  // entered by that press, not reported yet
};

// Whether the focus came from, or goes to, another control of the same window.
bool WithinForm(HWND edit, WPARAM other) {
    const auto hwnd = reinterpret_cast<HWND>(other);
    return hwnd != nullptr && IsChild(GetAncestor(edit, GA_ROOT), hwnd);
}

bool IsPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_LBUTTONDBLCLK;
}

bool EndsPress(UINT message) {
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP ||
           message == WM_CAPTURECHANGED;
}

void Report(HWND hwnd, UINT notification) {
    SendMessageW(GetParent(hwnd), notification, 0, reinterpret_cast<LPARAM>(hwnd));
}

void ReportPendingEntry(HWND hwnd, EditState& state) {
    if (state.entryPending && GetCapture() != hwnd) {
        state.entryPending = false;
        Report(hwnd, kEditEntered);
    }
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
    auto& state = *reinterpret_cast<EditState*>(data);
    if (IsPress(message)) {
        state.pressing = GetFocus() != hwnd;
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        state.pressing = false;
        ReportPendingEntry(hwnd, state);  // at once when the box did not capture the mouse
        return result;
    }
    if (EndsPress(message)) {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        ReportPendingEntry(hwnd, state);
        return result;
    }
    switch (message) {
        case WM_SETFOCUS: {
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            if (WithinForm(hwnd, wParam)) {
                if (state.pressing) {
                    state.entryPending = true;
                } else {
                    Report(hwnd, kEditEntered);
                }
            }
            return result;
        }
        case WM_KILLFOCUS: {
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            state.entryPending = false;
            if (WithinForm(hwnd, wParam)) {
                Report(hwnd, kEditLeft);
            }
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, EditProc, 0);
            delete &state;
            return DefSubclassProc(hwnd, message, wParam, lParam);
        default:
            return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace

void SubclassEdit(HWND edit) {
    auto* state = new EditState{};
    if (!SetWindowSubclass(edit, EditProc, 0, reinterpret_cast<DWORD_PTR>(state))) {
        delete state;
    }
}

}  // namespace tintcast::platform::win32
