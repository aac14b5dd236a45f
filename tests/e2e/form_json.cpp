// Prints the main window's form description as JSON, so that the end-to-end tests
// place their clicks and checks from the program's own layout.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/bar_range.h"
#include "platform/control_name.h"
#include "platform/tab_order.h"
#include "window/layout.h"

namespace {

using tintcast::platform::ControlKind;
using tintcast::platform::ControlSpec;

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Frame:
            return "Frame";
        case ControlKind::Button:
            return "Button";
        case ControlKind::ColorButton:
            return "ColorButton";
        case ControlKind::Option:
            return "Option";
        case ControlKind::CheckBox:
            return "CheckBox";
        case ControlKind::VScrollBar:
            return "VScrollBar";
        case ControlKind::TextBox:
            return "TextBox";
        case ControlKind::Swatch:
            return "Swatch";
        case ControlKind::Label:
            return "Label";
        case ControlKind::Image:
            return "Image";
    }
    return "?";
}

std::string Control(const ControlSpec& c) {
    std::string out =
        "{\"name\": " + Quoted(c.name) + ", \"index\": " + std::to_string(c.index) +
        ", \"kind\": \"" + KindName(c.kind) + "\", \"caption\": " + Quoted(c.caption) +
        ", \"parent\": " + Quoted(c.parent) + ", \"place\": [" + std::to_string(c.place.left) +
        ", " + std::to_string(c.place.top) + ", " + std::to_string(c.place.width) + ", " +
        std::to_string(c.place.height) + "], \"tabIndex\": " + std::to_string(c.tabIndex) +
        ", \"accessibleName\": " + Quoted(c.accessibleName) +
        ", \"initiallyOn\": " + (c.initiallyOn ? "true" : "false");
    if (c.background) {
        out += ", \"background\": [" + std::to_string(c.background->red) + ", " +
               std::to_string(c.background->green) + ", " + std::to_string(c.background->blue) +
               "]";
    }
    if (c.kind == ControlKind::VScrollBar) {
        using namespace tintcast::platform;
        out += ", \"bar\": {\"top\": " + std::to_string(c.bar.top) +
               ", \"bottom\": " + std::to_string(c.bar.bottom) +
               ", \"smallChange\": " + std::to_string(c.bar.smallChange) +
               ", \"largeChange\": " + std::to_string(c.bar.largeChange) +
               ", \"innerMinimum\": " + std::to_string(InnerMinimum(c.bar)) +
               ", \"innerMaximum\": " + std::to_string(InnerMaximum(c.bar)) +
               ", \"sign\": " + std::to_string(BarSign(c.bar)) + "}";
    }
    return out + "}";
}

}  // namespace

int main() {
    const tintcast::platform::FormSpec form = tintcast::window::MainFormSpec();
    std::string out = "{\"name\": " + Quoted(form.name) + ", \"caption\": " + Quoted(form.caption) +
                      ", \"clientWidth\": " + std::to_string(form.clientWidth) +
                      ", \"clientHeight\": " + std::to_string(form.clientHeight) +
                      ",\n \"controls\": [\n";
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
        out += "  " + Control(form.controls[i]) + (i + 1 < form.controls.size() ? ",\n" : "\n");
    }
    // The Tab stops as the window opens, in order.
    out += " ],\n \"tabStops\": [";
    const auto initially = [&form](std::size_t i) { return form.controls[i].initiallyOn; };
    bool first = true;
    for (const auto& place : tintcast::platform::KeyboardOrder(form.controls, initially)) {
        if (place.tabStop) {
            const ControlSpec& c = form.controls[place.control];
            out += (first ? "" : ", ") + Quoted(tintcast::platform::ControlName({c.name, c.index}));
            first = false;
        }
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
