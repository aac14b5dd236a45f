#pragma once

#include <cstdint>
#include <string_view>

#include "platform/form_description.h"

namespace tintcast::platform {

// A control by its name and, for a member of a control array, its index.
struct ControlRef {
    std::string_view name;
    std::int16_t index = kNoIndex;
    friend constexpr bool operator==(const ControlRef&, const ControlRef&) = default;
};

enum class Notification {
    Load,       // on the form, once, when every control holds its initial value, before first show
    Change,     // a bar's value changed: arrow, track, key, end of a drag, or a set
    Click,      // a button, option or check box was activated by the user
    GotFocus,   // a text box received the keyboard focus
    LostFocus,  // a text box lost the keyboard focus
};

// What a form implements to receive its notifications; all arrive on the one UI thread.
class FormEvents {
public:
    virtual void Notify(Notification notification, const ControlRef& control) = 0;

protected:
    ~FormEvents() = default;
};

}  // namespace tintcast::platform
