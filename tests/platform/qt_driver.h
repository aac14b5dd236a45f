#pragma once

#include <memory>

#include <QRect>
#include <QStyle>

#include "fakes/form_driver.h"
#include "platform/qt/form.h"

class QScrollBar;
class QWidget;

namespace tintcast::testing {

// Acts on a real QtForm through Qt Test's mouse and key events, the way a person
// would: arrows and track are clicked where the style draws them, keys go to the
// focused bar, focus moves by Tab or by a press inside the box.
class QtDriver final : public FormDriver {
public:
    explicit QtDriver(const platform::FormSpec& spec,
                      const platform::Capabilities& capabilities = {.topmost = true});
    ~QtDriver() override;
    QtDriver(const QtDriver&) = delete;
    QtDriver& operator=(const QtDriver&) = delete;

    platform::ViewServices& View() override { return form_; }
    // Loads the form, then makes its window the active one so that keys reach it.
    void Load(platform::FormEvents& events) override;

    void Bar(const platform::ControlRef& bar, BarAction action) override;
    void DragBar(const platform::ControlRef& bar, std::span<const std::int16_t> through) override;
    void Click(const platform::ControlRef& control) override;
    void FocusByTab(const platform::ControlRef& box) override;
    void FocusByMouse(const platform::ControlRef& box) override;
    void FocusOn(const platform::ControlRef& control) override;
    void Key(FormKey key, char letter = '\0') override;

    // Read from the pixels the window last painted, at the centre of the control.
    std::int32_t BackColor(const platform::ControlRef& control) override;
    std::string SelectedText(const platform::ControlRef& box) override;
    std::string ClipboardText() override;
    bool Topmost() override;
    void ActivateAnotherWindow() override;
    bool AnotherWindowActive() override;
    std::string Focused() override;

    platform::qt::QtForm& Form() { return form_; }
    // The control's widget; fails the test when the form has none.
    QWidget* Widget(const platform::ControlRef& control) const;

    // The value nearest to `value` that dragging the thumb can reach: the track has
    // fewer pixels than the bar has values.
    std::int16_t NearestDragValue(const platform::ControlRef& bar, std::int16_t value) const;

    // Where the style puts a part of the bar, in the bar's coordinates.
    static QRect BarPart(const QScrollBar& bar, QStyle::SubControl part);

private:
    platform::FormSpec spec_;
    platform::qt::QtForm form_;
    std::unique_ptr<QWidget> other_;
};

// The value a drag towards `value` ends on for this driver; the fake reaches any.
std::int16_t DragTarget(FormDriver& driver, const platform::ControlRef& bar, std::int16_t value);

}  // namespace tintcast::testing
