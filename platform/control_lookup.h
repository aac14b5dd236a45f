#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/control_name.h"
#include "platform/form_description.h"
#include "platform/form_events.h"
#include "platform/view_services.h"

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

// The place of a control an operation names. Every runtime fails the same way for a
// control the form lacks, and, where a kind is given, for a control of another kind.
inline std::size_t RequireControl(std::span<const ControlSpec> controls,
                                  const ControlRef& control) {
    const std::optional<std::size_t> place = ControlPlace(controls, control);
    if (!place) {
        throw ServiceError("The form has no control " + ControlName(control) + ".");
    }
    return *place;
}

inline std::size_t RequireControl(std::span<const ControlSpec> controls, const ControlRef& control,
                                  ControlKind kind) {
    const std::size_t place = RequireControl(controls, control);
    if (controls[place].kind != kind) {
        throw ServiceError("The control " + ControlName(control) +
                           " does not support this operation.");
    }
    return place;
}

}  // namespace tintcast::platform
