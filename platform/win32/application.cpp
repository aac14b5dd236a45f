#include "platform/win32/application.h"

namespace tintcast::platform::win32 {

int RunMessageLoop(Win32Form& form) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!form.DialogKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace tintcast::platform::win32
