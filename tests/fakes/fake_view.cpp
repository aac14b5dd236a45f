#include "fakes/fake_view.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/deliver.h"
#include "platform/form_check.h"
#include "platform/utf8.h"

namespace tintcast::testing {

using platform::CheckState;
using platform::ControlKind;
using platform::ControlRef;
using platform::CountCharacters;
using platform::Notification;
using platform::ServiceError;

FakeView::FakeView(const platform::FormSpec& spec) : formName_(spec.name), specs_(spec.controls) {
    platform::CheckForm(spec);
    for (const platform::ControlSpec& control : spec.controls) {
        Control state{&control};
        state.value = control.initialValue;
        state.on = control.initiallyOn;
        state.check = control.initiallyOn ? CheckState::Checked : CheckState::Unchecked;
        state.color = control.background ? platform::PackRgb(*control.background) : 0;
        controls_.push_back(state);
    }
    // The first Tab stop has the focus when the window opens.
    if (const std::vector<ControlRef> stops = TabStops(); !stops.empty()) {
        focus_ = stops.front();
    }
}

// The keyboard order with the options selected now.
std::vector<platform::KeyboardPlace> FakeView::Order() const {
    return platform::KeyboardOrder(specs_, [this](std::size_t i) { return controls_[i].on; });
}

std::vector<ControlRef> FakeView::TabStops() const {
    std::vector<ControlRef> stops;
    for (const platform::KeyboardPlace& place : Order()) {
        if (place.tabStop) {
            stops.push_back(Ref(controls_[place.control]));
        }
    }
    return stops;
}

bool FakeView::Is(const ControlRef& ref, ControlKind kind) const {
    const platform::ControlSpec* spec = platform::FindControl(specs_, ref);
    return spec != nullptr && spec->kind == kind;
}

ControlRef FakeView::Ref(const Control& control) const {
    return {control.spec->name, control.spec->index};
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
    return controls_[platform::RequireControl(specs_, ref, kind)];
}

void FakeView::Notify(Notification notification, const ControlRef& control) {
    platform::Deliver(events_, notification, control,
                      [this](const char* failure) { failures_.emplace_back(failure); });
}

void FakeView::MoveBar(Control& bar, int value) {
    const std::int16_t clamped = platform::ClampToBar(bar.spec->bar, value);
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
    // As a native bar moves: up lowers its own value.
    const auto step = [&](int by) {
        MoveBar(bar, platform::FromInner(range, platform::ToInner(range, bar.value) + by));
    };
    switch (action) {
        case BarAction::ArrowUp:
        case BarAction::KeyUp:
            step(-range.smallChange);
            break;
        case BarAction::ArrowDown:
        case BarAction::KeyDown:
            step(range.smallChange);
            break;
        case BarAction::TrackAbove:
        case BarAction::KeyPageUp:
            step(-range.largeChange);
            break;
        case BarAction::TrackBelow:
        case BarAction::KeyPageDown:
            step(range.largeChange);
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
    Control& control = controls_[platform::RequireControl(specs_, ref)];
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
            Select(control);
            return;
        default:
            throw ServiceError("not clickable: " + std::string(ref.name));
    }
}

void FakeView::Select(Control& option) {
    if (option.on) {
        return;
    }
    for (Control& sibling : controls_) {
        if (sibling.spec->kind == ControlKind::Option &&
            sibling.spec->parent == option.spec->parent) {
            sibling.on = false;
        }
    }
    option.on = true;
    Notify(Notification::Click, Ref(option));
}

void FakeView::Enter(const ControlRef& target) {
    if (focus_ == target) {
        return;
    }
    FocusOn(target);
    if (Is(target, ControlKind::TextBox)) {
        Notify(Notification::GotFocus, target);
    }
}

// Up and Left, Down and Right, move within an option group in its keyboard order,
// selecting as they go; on a bar, up and down step it.
void FakeView::Arrow(int step) {
    if (!focus_) {
        return;
    }
    const std::optional<std::size_t> at = platform::ControlPlace(specs_, *focus_);
    const ControlKind kind = controls_[*at].spec->kind;
    if (kind == ControlKind::VScrollBar) {
        Bar(*focus_, step < 0 ? BarAction::KeyUp : BarAction::KeyDown);
        return;
    }
    if (kind != ControlKind::Option) {
        return;
    }
    std::vector<std::size_t> group;
    for (const platform::KeyboardPlace& place : Order()) {
        const platform::ControlSpec& spec = specs_[place.control];
        if (spec.kind == ControlKind::Option && spec.parent == specs_[*at].parent) {
            group.push_back(place.control);
        }
    }
    const auto self = std::find(group.begin(), group.end(), *at) - group.begin();
    const auto size = static_cast<std::ptrdiff_t>(group.size());
    Control& next = controls_[group[static_cast<std::size_t>((self + step + size) % size)]];
    FocusOn(Ref(next));
    Select(next);
}

void FakeView::Key(FormKey key, char letter) {
    switch (key) {
        case FormKey::Tab:
        case FormKey::BackTab: {
            const std::vector<ControlRef> stops = TabStops();
            if (stops.empty()) {
                return;
            }
            const auto size = static_cast<std::ptrdiff_t>(stops.size());
            const auto self =
                focus_ ? std::find(stops.begin(), stops.end(), *focus_) - stops.begin() : size - 1;
            const std::ptrdiff_t step = key == FormKey::Tab ? 1 : -1;
            Enter(stops[static_cast<std::size_t>((self + step + size) % size)]);
            return;
        }
        case FormKey::Up:
        case FormKey::Left:
            Arrow(-1);
            return;
        case FormKey::Down:
        case FormKey::Right:
            Arrow(1);
            return;
        case FormKey::Return:
        case FormKey::Space: {
            if (!focus_) {
                return;
            }
            const ControlKind kind = specs_[*platform::ControlPlace(specs_, *focus_)].kind;
            const bool pushButton = kind == ControlKind::Button || kind == ControlKind::ColorButton;
            if (pushButton || (key == FormKey::Space && kind == ControlKind::CheckBox)) {
                Click(*focus_);
            }
            return;
        }
        case FormKey::Alt:
            // "&" marks the access key of a caption; a button clicks without the focus.
            for (const Control& control : controls_) {
                const std::string_view caption = control.spec->caption;
                const std::size_t mark = caption.find('&');
                if (mark != std::string_view::npos && mark + 1 < caption.size() &&
                    std::toupper(static_cast<unsigned char>(caption[mark + 1])) ==
                        std::toupper(static_cast<unsigned char>(letter)) &&
                    control.spec->kind == ControlKind::Button) {
                    Notify(Notification::Click, Ref(control));
                    return;
                }
            }
            return;
    }
}

std::string FakeView::Focused() {
    return focus_ ? platform::ControlName(*focus_) : "";
}

void FakeView::FocusByTab(const ControlRef& box) {
    Find(box, ControlKind::TextBox);
    Enter(box);
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
    if (left && *left != target && Is(*left, ControlKind::TextBox)) {
        Notify(Notification::LostFocus, *left);
    }
}

std::int32_t FakeView::BackColor(const ControlRef& control) {
    return Find(control, ControlKind::Swatch).color;
}

std::string FakeView::SelectedText(const ControlRef& box) {
    const Control& control = Find(box, ControlKind::TextBox);
    const std::size_t from = platform::ByteOffset(control.text, control.selStart);
    const std::size_t to =
        from + platform::ByteOffset(std::string_view(control.text).substr(from), control.selLength);
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
