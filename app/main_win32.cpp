#include <windows.h>

#include <cstdlib>
#include <exception>

#include "platform/win32/application.h"
#include "platform/win32/form.h"
#include "platform/win32/wide.h"
#include "window/main_window.h"

// The library's default handler for an escaped exception prints its demangled type,
// which links the whole C++ demangler in (about a fifth of the program); a GUI
// program has nowhere to print it. Exceptions never get this far: the form reports
// every failure of an operation and goes on, and a failed start is reported below.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace tintcast;
    try {
        platform::win32::Win32Form form(window::MainFormSpec(), platform::Capabilities{});
        window::frmMain frmMain(form);
        form.Load(frmMain);
        return platform::win32::RunMessageLoop(form);
    } catch (const std::exception& failure) {
        // Only the start can fail here: the window or its controls could not be made.
        MessageBoxW(nullptr, platform::win32::Widen(failure.what()).c_str(), L"Tintcast",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
}
