#include "fakes/recording_view.h"

#include "platform/control_name.h"

namespace tintcast::testing {

void RecordingView::Log(std::string_view operation, const platform::ControlRef& control,
                        std::string_view value) {
    std::string line(operation);
    if (!control.name.empty()) {
        line += " ";
        line += platform::ControlName(control);
    }
    if (!value.empty()) {
        line += " ";
        line += value;
    }
    writes_.push_back(std::move(line));
}

std::vector<std::string> RecordingView::Writes(std::string_view operation) const {
    std::vector<std::string> matching;
    for (const std::string& line : writes_) {
        if (line.starts_with(operation) &&
            (line.size() == operation.size() || line[operation.size()] == ' ')) {
            matching.push_back(line);
        }
    }
    return matching;
}

void RecordingView::SetBarValue(const platform::ControlRef& bar, std::int16_t value) {
    Log("SetBarValue", bar, std::to_string(value));
    inner_.SetBarValue(bar, value);
}

void RecordingView::SetBackColor(const platform::ControlRef& control, std::int32_t color) {
    Log("SetBackColor", control, std::to_string(color));
    inner_.SetBackColor(control, color);
}

void RecordingView::SetText(const platform::ControlRef& box, std::string_view text) {
    Log("SetText", box, text);
    inner_.SetText(box, text);
}

void RecordingView::SetSelStart(const platform::ControlRef& box, std::int32_t start) {
    Log("SetSelStart", box, std::to_string(start));
    inner_.SetSelStart(box, start);
}

void RecordingView::SetSelLength(const platform::ControlRef& box, std::int32_t length) {
    Log("SetSelLength", box, std::to_string(length));
    inner_.SetSelLength(box, length);
}

void RecordingView::SetTopmost(platform::NativeWindow window, bool topmost) {
    Log("SetTopmost", {}, topmost ? "on" : "off");
    inner_.SetTopmost(window, topmost);
}

void RecordingView::UnloadForm() {
    Log("UnloadForm", {}, "");
    inner_.UnloadForm();
}

void RecordingView::EndProgram() {
    Log("EndProgram", {}, "");
    inner_.EndProgram();
}

void RecordingView::SetClipboardText(std::string_view text) {
    Log("SetClipboardText", {}, text);
    inner_.SetClipboardText(text);
}

}  // namespace tintcast::testing
