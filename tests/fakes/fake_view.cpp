#include "fakes/fake_view.h"

#include <algorithm>
#include <utility>

namespace tintcast::testing {

namespace {

std::int32_t CountCharacters(std::string_view utf8) {
    std::int32_t count = 0;
    for (const char byte : utf8) {
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    }
    return count;
}

// The byte offset of a character offset within UTF-8 text.
std::size_t ByteOffset(std::string_view utf8, std::int32_t characters) {
    std::size_t offset = 0;
    for (std::int32_t counted = 0; counted < characters && offset < utf8.size(); ++counted) {
        ++offset;
        while (offset < utf8.size() && (static_cast<unsigned char>(utf8[offset]) & 0xC0) == 0x80) {
            ++offset;
        }
    }
    return offset;
}

}  // namespace

using platform::CheckState;
using platform::ControlKind;
using platform::ControlRef;
using platform::Notification;
using platform::ServiceError;

FakeView::FakeView(const platform::FormSpec& spec) : formName_(spec.name) {
    for (const platform::ControlSpec& control : spec.controls) {
        Control state{&control};
        state.value = control.initialValue;
        state.on = control.initiallyOn;
        state.check = control.initiallyOn ? CheckState::Checked : CheckState::Unchecked;
        state.color = control.background ? platform::PackRgb(*control.background) : 0;
        controls_.push_back(state);
    }
}

void FakeView::Load(platform::FormEvents& events) {
    if (events_ != nullptr) {
        return;
    }
    events_ = &events;
    Notify(Notification::Load, {formName_});
}

FakeView::Control& FakeView::Find(const ControlRef& ref, ControlKind kind) {
    return const_cast<Control&>(std::as_const(*this).Find(ref, kind));
}

const FakeView::Control& FakeView::Find(const ControlRef& ref, ControlKind kind) const {
    for (const Control& control : controls_) {
        if (control.spec->name == ref.name && control.spec->index == ref.index) {
            if (control.spec->kind != kind) {
                throw ServiceError("wrong kind of control: " + std::string(ref.name));
            }
            return control;
        }
    }
    throw ServiceError("no such control: " + std::string(ref.name));
}

void FakeView::Notify(Notification notification, const ControlRef& control) {
    if (events_ == nullptr) {
        return;
    }
    try {
        events_->Notify(notification, control);
    } catch (const std::exception& failure) {
        failures_.emplace_back(failure.what());
    }
}

void FakeView::MoveBar(Control& bar, int value) {
    const platform::BarRange& range = bar.spec->bar;
    const auto clamped = static_cast<std::int16_t>(std::clamp<int>(
        value, std::min(range.top, range.bottom), std::max(range.top, range.bottom)));
    if (clamped != bar.value) {
        bar.value = clamped;
        Notify(Notification::Change, {bar.spec->name, bar.spec->index});
    }
}

void FakeView::Bar(const ControlRef& ref, BarAction action) {
    Control& bar = Find(ref, ControlKind::VScrollBar);
    // Clicked or keyed, the bar has the focus.
    FocusOn(ref);
    const platform::BarRange& range = bar.spec->bar;
    const int up = range.top > range.bottom ? 1 : -1;  // the value change of a step up
    switch (action) {
        case BarAction::ArrowUp:
        case BarAction::KeyUp:
            MoveBar(bar, bar.value + up * range.smallChange);
            break;
        case BarAction::ArrowDown:
        case BarAction::KeyDown:
            MoveBar(bar, bar.value - up * range.smallChange);
            break;
        case BarAction::TrackAbove:
        case BarAction::KeyPageUp:
            MoveBar(bar, bar.value + up * range.largeChange);
            break;
        case BarAction::TrackBelow:
        case BarAction::KeyPageDown:
            MoveBar(bar, bar.value - up * range.largeChange);
            break;
        case BarAction::KeyHome:
            MoveBar(bar, range.top);
            break;
        case BarAction::KeyEnd:
            MoveBar(bar, range.bottom);
            break;
    }
}

void FakeView::DragBar(const ControlRef& ref, std::span<const std::int16_t> through) {
    Control& bar = Find(ref, ControlKind::VScrollBar);
    FocusOn(ref);
    // The thumb moves with the mouse, the value only on release.
    if (!through.empty()) {
        MoveBar(bar, through.back());
    }
}

void FakeView::Click(const ControlRef& ref) {
    for (Control& control : controls_) {
        if (control.spec->name != ref.name || control.spec->index != ref.index) {
            continue;
        }
        switch (control.spec->kind) {
            case ControlKind::Button:
            case ControlKind::ColorButton:
            case ControlKind::CheckBox:
            case ControlKind::Option:
                // The press takes the focus before the click is reported.
                FocusOn(ref);
                break;
            default:
                break;
        }
        switch (control.spec->kind) {
            case ControlKind::Button:
            case ControlKind::ColorButton:
                Notify(Notification::Click, ref);
                return;
            case ControlKind::CheckBox:
                control.check =
                    control.check == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
                Notify(Notification::Click, ref);
                return;
            case ControlKind::Option:
                if (control.on) {
                    return;
                }
                for (Control& sibling : controls_) {
                    if (sibling.spec->kind == ControlKind::Option &&
                        sibling.spec->parent == control.spec->parent) {
                        sibling.on = false;
                    }
                }
                control.on = true;
                Notify(Notification::Click, ref);
                return;
            default:
                throw ServiceError("not clickable: " + std::string(ref.name));
        }
    }
    throw ServiceError("no such control: " + std::string(ref.name));
}

void FakeView::FocusByTab(const ControlRef& box) {
    Find(box, ControlKind::TextBox);
    if (focus_ == box) {
        return;
    }
    FocusOn(box);
    Notify(Notification::GotFocus, box);
}

void FakeView::FocusByMouse(const ControlRef& box) {
    if (focus_ == box) {
        // A press inside the box it is already in places the caret.
        Find(box, ControlKind::TextBox).selLength = 0;
        return;
    }
    FocusByTab(box);
}

void FakeView::FocusOn(const ControlRef& target) {
    const std::optional<ControlRef> left = focus_;
    focus_ = target;
    if (left && *left != target) {
        for (const Control& control : controls_) {
            if (control.spec->name == left->name && control.spec->index == left->index &&
                control.spec->kind == ControlKind::TextBox) {
                Notify(Notification::LostFocus, *left);
            }
        }
    }
}

std::int32_t FakeView::BackColor(const ControlRef& control) {
    return Find(control, ControlKind::Swatch).color;
}

std::string FakeView::SelectedText(const ControlRef& box) {
    const Control& control = Find(box, ControlKind::TextBox);
    const std::size_t from = ByteOffset(control.text, control.selStart);
    const std::size_t to = from + ByteOffset(std::string_view(control.text).substr(from), control.selLength);
    return control.text.substr(from, to - from);
}

std::int16_t FakeView::BarValue(const ControlRef& bar) const {
    return Find(bar, ControlKind::VScrollBar).value;
}

void FakeView::SetBarValue(const ControlRef& bar, std::int16_t value) {
    MoveBar(Find(bar, ControlKind::VScrollBar), value);
}

bool FakeView::OptionValue(const ControlRef& option) const {
    return Find(option, ControlKind::Option).on;
}

CheckState FakeView::CheckValue(const ControlRef& box) const {
    return Find(box, ControlKind::CheckBox).check;
}

void FakeView::SetCheckState(const ControlRef& box, CheckState state) {
    Find(box, ControlKind::CheckBox).check = state;
}

void FakeView::SetBackColor(const ControlRef& control, std::int32_t color) {
    Find(control, ControlKind::Swatch).color = color;
}

std::string FakeView::Text(const ControlRef& box) const {
    return Find(box, ControlKind::TextBox).text;
}

void FakeView::SetText(const ControlRef& box, std::string_view text) {
    Control& control = Find(box, ControlKind::TextBox);
    control.text = text;
    control.selStart = CountCharacters(control.text);
    control.selLength = 0;
}

void FakeView::SetSelStart(const ControlRef& box, std::int32_t start) {
    Control& control = Find(box, ControlKind::TextBox);
    control.selStart = std::clamp<std::int32_t>(start, 0, CountCharacters(control.text));
    control.selLength = 0;
}

void FakeView::SetSelLength(const ControlRef& box, std::int32_t length) {
    Control& control = Find(box, ControlKind::TextBox);
    control.selLength =
        std::clamp<std::int32_t>(length, 0, CountCharacters(control.text) - control.selStart);
}

std::int32_t FakeView::SelStart(const ControlRef& box) const {
    return Find(box, ControlKind::TextBox).selStart;
}

std::int32_t FakeView::SelLength(const ControlRef& box) const {
    return Find(box, ControlKind::TextBox).selLength;
}

void FakeView::SetTopmost(platform::NativeWindow window, bool topmost) {
    if (unloaded_ || window != kHandle) {
        throw ServiceError("The window is not open.");
    }
    topmost_ = topmost;
}

void FakeView::SetClipboardText(std::string_view text) {
    if (failClipboard_) {
        throw ServiceError("The text could not be put on the clipboard.");
    }
    clipboard_ = std::string(text);
}

}  // namespace tintcast::testing
