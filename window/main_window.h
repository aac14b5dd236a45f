#pragma once

#include <cstdint>

#include "platform/view_services.h"
#include "window/layout.h"
#include "window/presets.h"

namespace tintcast::window {

// The program's one window. It keeps no state of its own: the controls hold it all,
// and every handler reads what it needs afresh through the view.
class frmMain final : public platform::FormEvents {
public:
    explicit frmMain(platform::ViewServices& view) : view_(view) {}

    void Notify(platform::Notification notification, const platform::ControlRef& control) override;

    void Form_Load();
    // Paints the swatch, then writes the text, from the bars and the selected notation.
    void UpdateColor();
    void sclColor_Change(std::int16_t Index);
    void optType_Click(std::int16_t Index);
    void cmdStandard_Click(std::int16_t Index);
    void txtHex_GotFocus();
    void txtHex_LostFocus();
    void Command1_Click();
    void chkTop_Click();
    void cmdExit_Click();

private:
    notation::ColorNotation SelectedNotation() const;

    platform::ViewServices& view_;
};

}  // namespace tintcast::window
