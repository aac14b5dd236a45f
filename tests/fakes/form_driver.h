#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/view_services.h"

namespace tintcast::testing {

enum class BarAction {
    ArrowUp,
    ArrowDown,
    TrackAbove,  // a click in the track above the thumb
    TrackBelow,
    KeyUp,
    KeyDown,
    KeyPageUp,
    KeyPageDown,
    KeyHome,
    KeyEnd,
};

// Acts on a form as a person does and reads back what they would see, so that one
// set of scenarios runs against the in-memory fake and the real widgets alike.
class FormDriver {
public:
    virtual ~FormDriver() = default;

    virtual platform::ViewServices& View() = 0;
    virtual void Load(platform::FormEvents& events) = 0;

    virtual void Bar(const platform::ControlRef& bar, BarAction action) = 0;
    // Presses on the thumb, moves it through the values, releases it on the last.
    virtual void DragBar(const platform::ControlRef& bar, std::span<const std::int16_t> through) = 0;
    // A mouse click on a button, option or check box.
    virtual void Click(const platform::ControlRef& control) = 0;
    virtual void FocusByTab(const platform::ControlRef& box) = 0;
    virtual void FocusByMouse(const platform::ControlRef& box) = 0;
    // Gives a control the keyboard focus without activating it; a text box it leaves
    // loses the focus.
    virtual void FocusOn(const platform::ControlRef& control) = 0;

    virtual std::int32_t BackColor(const platform::ControlRef& control) = 0;
    virtual std::string SelectedText(const platform::ControlRef& box) = 0;
    virtual std::string ClipboardText() = 0;
    virtual bool Topmost() = 0;
};

}  // namespace tintcast::testing
