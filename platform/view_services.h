#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/form_description.h"
#include "platform/form_events.h"

namespace tintcast::platform {

// Raised by an operation that the window system refused; the runtime reports it to
// the person and keeps running.
class ServiceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class CheckState : std::int16_t { Unchecked = 0, Checked = 1, Grayed = 2 };

using NativeWindow = std::uintptr_t;

// The operations a form's handlers use. Controls are addressed by name and index.
class ViewServices {
public:
    // Current position of a bar, within its range.
    virtual std::int16_t BarValue(const ControlRef& bar) const = 0;
    // Moves a bar; a set that changes the value raises Change as a user action does.
    virtual void SetBarValue(const ControlRef& bar, std::int16_t value) = 0;
    // True for the selected option; exactly one option of a group is selected.
    virtual bool OptionValue(const ControlRef& option) const = 0;
    // State of a check box.
    virtual CheckState CheckValue(const ControlRef& box) const = 0;
    // Background colour of a control, packed 0x00BBGGRR.
    virtual void SetBackColor(const ControlRef& control, std::int32_t color) = 0;
    // The whole text of a text box, UTF-8.
    virtual std::string Text(const ControlRef& box) const = 0;
    // Replaces the whole text of a text box.
    virtual void SetText(const ControlRef& box, std::string_view text) = 0;
    // Puts the caret at a character offset and removes the selection.
    virtual void SetSelStart(const ControlRef& box, std::int32_t start) = 0;
    // Selects this many characters from the selection start; 0 leaves only the caret.
    virtual void SetSelLength(const ControlRef& box, std::int32_t length) = 0;
    // The form's native window; 0 while it has none.
    virtual NativeWindow WindowHandle() const = 0;
    // Switches always-on-top without moving, resizing or activating the window.
    virtual void SetTopmost(NativeWindow window, bool topmost) = 0;
    // Destroys the form's window.
    virtual void UnloadForm() = 0;
    // Ends the program once the current notification returns, with exit status 0.
    virtual void EndProgram() = 0;
    // Puts the text on the system clipboard as plain text, replacing what is there.
    virtual void SetClipboardText(std::string_view text) = 0;

protected:
    ~ViewServices() = default;
};

}  // namespace tintcast::platform
