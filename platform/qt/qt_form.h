#pragma once

#include <memory>
#include <vector>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "platform/view_services.h"

class QMessageBox;
class QProxyStyle;

namespace tintcast::platform::qt {

// What the window system lets a program do beyond drawing its window.
struct Capabilities {
    bool keepOnTop = true;  // no protocol offers it on Wayland
};

// Whether a Qt platform plugin can keep a window above others.
bool PlatformKeepsOnTop(std::string_view platformName);

// Builds the widgets of any form description and serves its handlers. Places and
// sizes are twips, turned into logical pixels once, at creation.
class QtForm final : public ViewServices {
public:
    explicit QtForm(const FormSpec& spec);
    QtForm(const FormSpec& spec, Capabilities capabilities);
    ~QtForm();
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    // Delivers the load notification, then shows the window.
    void Load(FormEvents& events);

    QWidget* window() const { return window_; }
    // The widget of a control, or null when the form has no such control.
    QWidget* widget(const ControlRef& control) const;

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
    void ChainTabOrder();
    void TrackOptionTabStops(QWidget* group);
    template <typename T>
    T* Find(const ControlRef& control) const;
    void Deliver(Notification notification, const ControlRef& control);
    void ReportFailure(const QString& message);

    FormSpec spec_;
    Capabilities capabilities_;
    QPointer<QWidget> window_;
    QPixmap icon_;
    std::unique_ptr<QProxyStyle> barStyle_;
    std::vector<Control> controls_;
    FormEvents* events_ = nullptr;
    QPointer<QMessageBox> failureBox_;
};

}  // namespace tintcast::platform::qt
