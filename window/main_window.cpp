#include "window/main_window.h"

#include <string>

#include "platform/utf8.h"

namespace tintcast::window {

using platform::Notification;

void frmMain::Notify(Notification notification, const platform::ControlRef& control) {
    const auto is = [&control](std::string_view controlName) {
        return control.name == controlName;
    };
    switch (notification) {
        case Notification::Load:
            if (is(name::frmMain)) {
                Form_Load();
            }
            break;
        case Notification::Change:
            if (is(name::sclColor)) {
                sclColor_Change(control.index);
            }
            break;
        case Notification::Click:
            if (is(name::optType)) {
                optType_Click(control.index);
            } else if (is(name::cmdStandard)) {
                cmdStandard_Click(control.index);
            } else if (is(name::Command1)) {
                Command1_Click();
            } else if (is(name::chkTop)) {
                chkTop_Click();
            } else if (is(name::cmdExit)) {
                cmdExit_Click();
            }
            break;
        case Notification::GotFocus:
            if (is(name::txtHex)) {
                txtHex_GotFocus();
            }
            break;
        case Notification::LostFocus:
            if (is(name::txtHex)) {
                txtHex_LostFocus();
            }
            break;
    }
}

void frmMain::Form_Load() {
    UpdateColor();
}

notation::ColorNotation frmMain::SelectedNotation() const {
    if (view_.OptionValue(optType(0))) {
        return notation::ColorNotation::VBasic;
    }
    if (view_.OptionValue(optType(1))) {
        return notation::ColorNotation::Html;
    }
    return notation::ColorNotation::DBasic;
}

void frmMain::UpdateColor() {
    const notation::ColorNotation selected = SelectedNotation();
    notation::ChannelSet channels{};
    for (std::int16_t i = 0; i < 3; ++i) {
        channels[static_cast<std::size_t>(i)] = view_.BarValue(sclColor(i));
    }
    view_.SetBackColor(txtColor, notation::ComposeDisplayColor(channels));
    view_.SetText(txtHex, notation::FormatColorText(channels, selected));
}

void frmMain::sclColor_Change(std::int16_t /*Index*/) {
    UpdateColor();
}

void frmMain::optType_Click(std::int16_t /*Index*/) {
    UpdateColor();
}

// Sets the bars one by one and lets each changed bar's notification refresh the output.
void frmMain::cmdStandard_Click(std::int16_t Index) {
    if (Index < 0 || static_cast<std::size_t>(Index) >= PresetTable.size()) {
        return;
    }
    const notation::ChannelSet& row = PresetTable[static_cast<std::size_t>(Index)];
    for (std::int16_t i = 0; i < 3; ++i) {
        view_.SetBarValue(sclColor(i), static_cast<std::int16_t>(row[static_cast<std::size_t>(i)]));
    }
}

void frmMain::txtHex_GotFocus() {
    view_.SetSelStart(txtHex, 0);
    view_.SetSelLength(txtHex, platform::CountCharacters(view_.Text(txtHex)));
}

void frmMain::txtHex_LostFocus() {
    view_.SetSelLength(txtHex, 0);
}

void frmMain::Command1_Click() {
    view_.SetClipboardText(view_.Text(txtHex));
}

void frmMain::chkTop_Click() {
    const bool topmost = view_.CheckValue(chkTop) == platform::CheckState::Checked;
    view_.SetTopmost(view_.WindowHandle(), topmost);
}

void frmMain::cmdExit_Click() {
    view_.UnloadForm();
    view_.EndProgram();
}

}  // namespace tintcast::window
