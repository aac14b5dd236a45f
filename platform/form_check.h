#pragma once

#include <span>
#include <stdexcept>
#include <string>

#include "platform/control_lookup.h"
#include "platform/control_name.h"

namespace tintcast::platform {

// A form description every runtime can build: each control is named once, and a
// control held in a frame names a frame created before it. Throws
// std::invalid_argument for the first control that breaks either.
inline void CheckForm(const FormSpec& form) {
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
        const ControlSpec& control = form.controls[i];
        const std::span<const ControlSpec> earlier = form.controls.first(i);
        const ControlRef self{control.name, control.index};
        if (ControlPlace(earlier, self)) {
            throw std::invalid_argument(ControlName(self) + " is named twice");
        }
        if (control.parent.empty()) {
            continue;
        }
        const ControlSpec* frame = FindControl(earlier, {control.parent});
        if (frame == nullptr || frame->kind != ControlKind::Frame) {
            throw std::invalid_argument(ControlName(self) + " names no earlier frame " +
                                        std::string(control.parent));
        }
    }
}

}  // namespace tintcast::platform
