#pragma once

#include <exception>

#include "platform/form_events.h"

namespace tintcast::platform {

// Passes a notification to the form's handlers, if it has any yet. A failure they
// let through goes to `report` rather than into the window system's event loop:
// the person is told, and the program carries on.
template <typename Report>
void Deliver(FormEvents* events, Notification notification, const ControlRef& control,
             Report report) {
    if (events == nullptr) {
        return;
    }
    try {
        events->Notify(notification, control);
    } catch (const std::exception& failure) {
        report(failure.what());
    }
}

}  // namespace tintcast::platform
