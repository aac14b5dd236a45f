#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/form_description.h"
#include "platform/form_events.h"

namespace tintcast::window {

namespace name {
inline constexpr std::string_view frmMain = "frmMain";
inline constexpr std::string_view chkTop = "chkTop";
inline constexpr std::string_view Frame4 = "Frame4";
inline constexpr std::string_view cmdStandard = "cmdStandard";
inline constexpr std::string_view Frame2 = "Frame2";
inline constexpr std::string_view optType = "optType";
inline constexpr std::string_view Command1 = "Command1";
inline constexpr std::string_view Frame1 = "Frame1";
inline constexpr std::string_view txtHex = "txtHex";
inline constexpr std::string_view sclColor = "sclColor";
inline constexpr std::string_view cmdExit = "cmdExit";
inline constexpr std::string_view txtColor = "txtColor";
inline constexpr std::string_view Image1 = "Image1";
inline constexpr std::string_view Label15 = "Label15";
inline constexpr std::string_view Label11 = "Label11";
inline constexpr std::string_view Label3 = "Label3";
inline constexpr std::string_view Label2 = "Label2";
inline constexpr std::string_view Label1 = "Label1";
}  // namespace name

constexpr platform::ControlRef sclColor(std::int16_t index) {
    return {name::sclColor, index};
}
constexpr platform::ControlRef optType(std::int16_t index) {
    return {name::optType, index};
}
constexpr platform::ControlRef cmdStandard(std::int16_t index) {
    return {name::cmdStandard, index};
}
inline constexpr platform::ControlRef txtHex{name::txtHex};
inline constexpr platform::ControlRef txtColor{name::txtColor};
inline constexpr platform::ControlRef chkTop{name::chkTop};
inline constexpr platform::ControlRef Command1{name::Command1};
inline constexpr platform::ControlRef cmdExit{name::cmdExit};

inline constexpr std::string_view kWebAddress = "http://www.olundar.example/";

// The main window and its controls, in creation order.
platform::FormSpec MainFormSpec();

std::span<const char* const> AppIconXpm();

}  // namespace tintcast::window
