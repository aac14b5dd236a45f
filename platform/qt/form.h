#pragma once

#include <memory>
#include <vector>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "platform/capabilities.h"
#include "platform/tab_order.h"
#include "platform/view_services.h"

class QMessageBox;

namespace tintcast::platform::qt {

class BarStyle;

// Builds the widgets of any form description and serves its handlers. Places and
// sizes are twips, turned into logical pixels once, at creation.
//
// form.cpp builds the widgets and keeps the keyboard order; form_services.cpp serves
// the operations; form_notifications.cpp turns the widgets' signals into
// notifications and shows the failures the handlers let through.
class QtForm final : public ViewServices {
public:
    // The capabilities are those of the window system the application started on.
    QtForm(const FormSpec& spec, const Capabilities& capabilities);
    ~QtForm();
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    // The window system now allows something else (a window manager restarted):
    // controls that need what it no longer allows are disabled, with a tooltip saying why.
    void SetCapabilities(const Capabilities& capabilities);

    // Sends the load notification, then shows the window.
    void Load(FormEvents& events);

    QWidget* window() const { return window_; }
    // The widget of a control, or null when the form has no such control.
    QWidget* control(const ControlRef& control) const;

    std::int16_t BarValue(const ControlRef& bar) const override;
    void SetBarValue(const ControlRef& bar, std::int16_t value) override;
    bool OptionValue(const ControlRef& option) const override;
    CheckState CheckValue(const ControlRef& box) const override;
    void SetBackColor(const ControlRef& control, std::int32_t color) override;
    std::string Text(const ControlRef& box) const override;
    void SetText(const ControlRef& box, std::string_view text) override;
    void SetSelStart(const ControlRef& box, std::int32_t start) override;
    void SetSelLength(const ControlRef& box, std::int32_t length) override;
    NativeWindow WindowHandle() const override;
    void SetTopmost(NativeWindow window, bool topmost) override;
    void UnloadForm() override;
    void EndProgram() override;
    void SetClipboardText(std::string_view text) override;

private:
    struct Control {
        const ControlSpec* spec;
        QPointer<QWidget> widget;
    };

    QWidget* Create(const ControlSpec& spec, QWidget* parent);
    void Connect(const ControlSpec& spec, QWidget* widget);
    // Chains the Tab stops in keyboard order and returns that order.
    std::vector<KeyboardPlace> ChainTabOrder();

    template <typename T>
    T* Find(const ControlRef& control, ControlKind kind) const;
    // Passes a notification to the handlers; a failure they let through is shown.
    void Notify(Notification notification, const ControlRef& control);
    void ReportFailure(const QString& message);

    FormSpec spec_;
    Capabilities capabilities_;
    QPointer<QWidget> window_;
    QPixmap icon_;
    std::unique_ptr<BarStyle> barStyle_;
    std::vector<Control> controls_;
    FormEvents* events_ = nullptr;
    QPointer<QMessageBox> failureBox_;
};

}  // namespace tintcast::platform::qt
