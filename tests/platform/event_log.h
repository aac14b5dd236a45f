#pragma once

#include <string>
#include <vector>

#include "fakes/form_driver.h"
#include "platform/control_name.h"

namespace tintcast::testing {

// Logs every notification as a line such as "Change sclColor(1) 200" (a bar's value
// as it stood when the notification arrived), then passes it on, if asked to.
class EventLog final : public platform::FormEvents {
public:
    explicit EventLog(platform::ViewServices& view) : view_(view) {}

    void ForwardTo(platform::FormEvents* next) { next_ = next; }
    void Notify(platform::Notification notification, const platform::ControlRef& control) override {
        std::string line = Name(notification);
        line += " " + platform::ControlName(control);
        if (notification == platform::Notification::Change) {
            line += " " + std::to_string(view_.BarValue(control));
        }
        lines_.push_back(std::move(line));
        if (next_ != nullptr) {
            next_->Notify(notification, control);
        }
    }

    const std::vector<std::string>& Lines() const { return lines_; }
    void Clear() { lines_.clear(); }

private:
    static const char* Name(platform::Notification notification) {
        switch (notification) {
            case platform::Notification::Load:
                return "Load";
            case platform::Notification::Change:
                return "Change";
            case platform::Notification::Click:
                return "Click";
            case platform::Notification::GotFocus:
                return "GotFocus";
            case platform::Notification::LostFocus:
                return "LostFocus";
        }
        return "?";
    }

    platform::ViewServices& view_;
    platform::FormEvents* next_ = nullptr;
    std::vector<std::string> lines_;
};

}  // namespace tintcast::testing
