#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fakes/form_driver.h"
#include "platform/tab_order.h"

namespace tintcast::testing {

// The controls of a form description held in memory, with the semantics the
// handlers rely on: a set that changes a bar raises Change, options of one frame
// are exclusive, Load comes once, a clicked control takes the focus, and text
// offsets count characters, not bytes.
class FakeView final : public FormDriver, public platform::ViewServices {
public:
    explicit FakeView(const platform::FormSpec& spec);

    platform::ViewServices& View() override { return *this; }
    void Load(platform::FormEvents& events) override;
    void Bar(const platform::ControlRef& bar, BarAction action) override;
    void DragBar(const platform::ControlRef& bar, std::span<const std::int16_t> through) override;
    void Click(const platform::ControlRef& control) override;
    void FocusByTab(const platform::ControlRef& box) override;
    void FocusByMouse(const platform::ControlRef& box) override;
    void FocusOn(const platform::ControlRef& target) override;
    void Key(FormKey key, char letter = '\0') override;
    std::int32_t BackColor(const platform::ControlRef& control) override;
    std::string SelectedText(const platform::ControlRef& box) override;
    std::string ClipboardText() override { return clipboard_.value_or(""); }
    bool Topmost() override { return topmost_; }
    // Nothing in the fake activates its window: the other stays active once made so.
    void ActivateAnotherWindow() override { otherActive_ = true; }
    bool AnotherWindowActive() override { return otherActive_; }
    std::string Focused() override;

    std::int16_t BarValue(const platform::ControlRef& bar) const override;
    void SetBarValue(const platform::ControlRef& bar, std::int16_t value) override;
    bool OptionValue(const platform::ControlRef& option) const override;
    platform::CheckState CheckValue(const platform::ControlRef& box) const override;
    void SetBackColor(const platform::ControlRef& control, std::int32_t color) override;
    std::string Text(const platform::ControlRef& box) const override;
    void SetText(const platform::ControlRef& box, std::string_view text) override;
    void SetSelStart(const platform::ControlRef& box, std::int32_t start) override;
    void SetSelLength(const platform::ControlRef& box, std::int32_t length) override;
    platform::NativeWindow WindowHandle() const override { return unloaded_ ? 0 : kHandle; }
    void SetTopmost(platform::NativeWindow window, bool topmost) override;
    void UnloadForm() override { unloaded_ = true; }
    void EndProgram() override { ended_ = true; }
    void SetClipboardText(std::string_view text) override;

    // Test controls beyond what a person can do.
    void SetCheckState(const platform::ControlRef& box, platform::CheckState state);
    void FailClipboard(bool fail) { failClipboard_ = fail; }
    bool Unloaded() const { return unloaded_; }
    bool Ended() const { return ended_; }
    std::optional<std::string> Clipboard() const { return clipboard_; }
    // Messages of the failures a handler let through, as the person would see them.
    const std::vector<std::string>& Failures() const { return failures_; }
    std::int32_t SelStart(const platform::ControlRef& box) const;
    std::int32_t SelLength(const platform::ControlRef& box) const;

    static constexpr platform::NativeWindow kHandle = 0x4200001;

private:
    struct Control {
        const platform::ControlSpec* spec;
        std::int16_t value = 0;
        bool on = false;
        platform::CheckState check = platform::CheckState::Unchecked;
        std::int32_t color = 0;
        std::string text;
        std::int32_t selStart = 0;
        std::int32_t selLength = 0;
    };

    Control& Find(const platform::ControlRef& ref, platform::ControlKind kind);
    const Control& Find(const platform::ControlRef& ref, platform::ControlKind kind) const;
    void Notify(platform::Notification notification, const platform::ControlRef& control);
    void MoveBar(Control& bar, int value);
    // Focus moved by the keyboard: a text box it reaches is entered.
    void Enter(const platform::ControlRef& target);
    void Select(Control& option);
    void Arrow(int step);
    std::vector<platform::KeyboardPlace> Order() const;
    std::vector<platform::ControlRef> TabStops() const;
    platform::ControlRef Ref(const Control& control) const;
    bool Is(const platform::ControlRef& ref, platform::ControlKind kind) const;

    std::string formName_;
    std::span<const platform::ControlSpec> specs_;
    std::vector<Control> controls_;
    platform::FormEvents* events_ = nullptr;
    std::optional<platform::ControlRef> focus_;
    std::optional<std::string> clipboard_;
    std::vector<std::string> failures_;
    bool failClipboard_ = false;
    bool topmost_ = false;
    bool otherActive_ = false;
    bool unloaded_ = false;
    bool ended_ = false;
};

}  // namespace tintcast::testing
