#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/form_description.h"
#include "platform/form_events.h"

namespace tintcast::platform {

// Where the control a handler names stands in the form's creation order. Each runtime
// keeps its controls in that order, so the place finds its own record too.
inline std::optional<std::size_t> ControlPlace(std::span<const ControlSpec> controls,
                                               const ControlRef& control) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].name == control.name && controls[i].index == control.index) {
            return i;
        }
    }
    return std::nullopt;
}

inline const ControlSpec* FindControl(std::span<const ControlSpec> controls,
                                      const ControlRef& control) {
    const std::optional<std::size_t> place = ControlPlace(controls, control);
    return place ? &controls[*place] : nullptr;
}

}  // namespace tintcast::platform
