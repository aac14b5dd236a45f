#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// A key as a person presses it on the form: Alt stands for Alt with the letter given.
enum class FormKey { Tab, BackTab, Up, Down, Left, Right, Return, Space, Alt };

// Acts on a form as a person does and reads back what they would see, so that one
// set of scenarios runs against the in-memory fake and the real widgets alike.
class FormDriver {
public:
    virtual ~FormDriver() = default;

    virtual platform::ViewServices& View() = 0;
    virtual void Load(platform::FormEvents& events) = 0;

    virtual void Bar(const platform::ControlRef& bar, BarAction action) = 0;
    // Presses on the thumb, moves it through the values, releases it on the last.
    virtual void DragBar(const platform::ControlRef& bar,
                         std::span<const std::int16_t> through) = 0;
    // A mouse click on a button, option or check box.
    virtual void Click(const platform::ControlRef& control) = 0;
    virtual void FocusByTab(const platform::ControlRef& box) = 0;
    virtual void FocusByMouse(const platform::ControlRef& box) = 0;
    // Gives a control the keyboard focus without activating it; a text box it leaves
    // loses the focus.
    virtual void FocusOn(const platform::ControlRef& control) = 0;
    // A key pressed and released with the focus where it is; `letter` for Alt.
    virtual void Key(FormKey key, char letter = '\0') = 0;

    virtual std::int32_t BackColor(const platform::ControlRef& control) = 0;
    virtual std::string SelectedText(const platform::ControlRef& box) = 0;
    virtual std::string ClipboardText() = 0;
    virtual bool Topmost() = 0;
    // Opens a window apart from the form, as another program's, and makes it active.
    virtual void ActivateAnotherWindow() = 0;
    // Whether that other window is still the active one.
    virtual bool AnotherWindowActive() = 0;
    // The control with the keyboard focus, as the handlers name it; "" for none.
    virtual std::string Focused() = 0;
};

// Presses a key `count` times, noting where the focus lands each time.
inline std::vector<std::string> Walk(FormDriver& person, FormKey key, int count) {
    std::vector<std::string> visited;
    for (int i = 0; i < count; ++i) {
        person.Key(key);
        visited.push_back(person.Focused());
    }
    return visited;
}

}  // namespace tintcast::testing
