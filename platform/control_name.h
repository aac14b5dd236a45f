#pragma once

#include <string>

#include "platform/form_events.h"

namespace tintcast::platform {

// A control as the handlers name it: "txtHex", or "sclColor(1)" for a member of an array.
inline std::string ControlName(const ControlRef& control) {
    std::string text(control.name);
    if (control.index != kNoIndex) {
        text += "(" + std::to_string(control.index) + ")";
    }
    return text;
}

}  // namespace tintcast::platform
