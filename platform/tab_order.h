#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <tuple>
#include <vector>

#include "platform/form_description.h"

namespace tintcast::platform {

// Frames, labels and images never take the keyboard focus, whatever their Tab number.
constexpr bool TakesFocus(const ControlSpec& control) {
    return control.tabIndex != kNoTab && control.kind != ControlKind::Frame &&
           control.kind != ControlKind::Label && control.kind != ControlKind::Image;
}

struct KeyboardPlace {
    std::size_t control;  // its place in the form's creation order
    bool tabStop;         // Tab and Shift+Tab land on it
};

// Every control of a form in keyboard order, by Tab number. The options sharing a
// frame are one group and one Tab stop, their selected option, and stand together at
// that option's place, among themselves by their own Tab numbers: the arrows walk
// them in that order. Controls outside the Tab order follow, frames last (a window
// system that stacks in this order draws them beneath what they hold).
// `isSelected(i)` tells whether the option at place i is the selected one.
template <typename IsSelected>
std::vector<KeyboardPlace> KeyboardOrder(std::span<const ControlSpec> controls,
                                         IsSelected isSelected) {
    constexpr int kLast = 1 << 20;
    const auto selectedTab = [&](const ControlSpec& option) {
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].kind == ControlKind::Option && controls[i].parent == option.parent &&
                isSelected(i)) {
                return controls[i].tabIndex;
            }
        }
        return option.tabIndex;
    };
    std::vector<std::tuple<int, int, std::size_t>> keyed;  // place, own Tab number, control
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlSpec& control = controls[i];
        int place = control.tabIndex == kNoTab ? kLast : control.tabIndex;
        if (control.kind == ControlKind::Frame) {
            place = kLast + 1;
        } else if (control.kind == ControlKind::Option && control.tabIndex != kNoTab) {
            place = selectedTab(control);
        }
        keyed.emplace_back(place, control.tabIndex, i);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<KeyboardPlace> order;
    order.reserve(keyed.size());
    for (const auto& [place, tab, i] : keyed) {
        const ControlSpec& control = controls[i];
        const bool stop =
            TakesFocus(control) && (control.kind != ControlKind::Option || isSelected(i));
        order.push_back({i, stop});
    }
    return order;
}

}  // namespace tintcast::platform
