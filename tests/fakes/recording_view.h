#pragma once

#include <string>
#include <vector>

#include "platform/view_services.h"

namespace tintcast::testing {

// Passes every operation on to another view and keeps a log of the writes, in order,
// such as "SetText txtHex &H0" or "SetBarValue sclColor(1) 255".
class RecordingView final : public platform::ViewServices {
public:
    explicit RecordingView(platform::ViewServices& inner) : inner_(inner) {}

    const std::vector<std::string>& Writes() const { return writes_; }
    // The writes whose log line starts with the operation's name.
    std::vector<std::string> Writes(std::string_view operation) const;
    void Clear() { writes_.clear(); }

    std::int16_t BarValue(const platform::ControlRef& bar) const override {
        return inner_.BarValue(bar);
    }
    void SetBarValue(const platform::ControlRef& bar, std::int16_t value) override;
    bool OptionValue(const platform::ControlRef& option) const override {
        return inner_.OptionValue(option);
    }
    platform::CheckState CheckValue(const platform::ControlRef& box) const override {
        return inner_.CheckValue(box);
    }
    void SetBackColor(const platform::ControlRef& control, std::int32_t color) override;
    std::string Text(const platform::ControlRef& box) const override { return inner_.Text(box); }
    void SetText(const platform::ControlRef& box, std::string_view text) override;
    void SetSelStart(const platform::ControlRef& box, std::int32_t start) override;
    void SetSelLength(const platform::ControlRef& box, std::int32_t length) override;
    platform::NativeWindow WindowHandle() const override { return inner_.WindowHandle(); }
    void SetTopmost(platform::NativeWindow window, bool topmost) override;
    void UnloadForm() override;
    void EndProgram() override;
    void SetClipboardText(std::string_view text) override;

private:
    void Log(std::string_view operation, const platform::ControlRef& control,
             std::string_view value);

    platform::ViewServices& inner_;
    std::vector<std::string> writes_;
};

}  // namespace tintcast::testing
