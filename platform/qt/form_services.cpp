#include "platform/qt/form.h"

#include <string>

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QRadioButton>
#include <QWindow>

#include "platform/control_lookup.h"
#include "platform/qt/controls.h"
#include "platform/qt/conversions.h"
#include "platform/qt/edit.h"
#include "platform/qt/x11_event.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::qt {

namespace {

// Whether the clipboard now holds this text put there by this program. Under X11 the
// server is asked who owns it: QClipboard::ownsClipboard() stays true after a take that
// the server ignored because another program had copied at a later time. Elsewhere
// ownership is not reported, so the text is read back.
bool ClipboardHolds(const QString& text) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) {
        return QGuiApplication::clipboard()->text(QClipboard::Clipboard) == text;
    }
    return x11::CreatedBy(connection,
                          x11::SelectionOwner(connection, x11::Intern(connection, "CLIPBOARD")));
}

}  // namespace

template <typename T>
T* QtForm::Find(const ControlRef& control, ControlKind kind) const {
    const std::size_t place = RequireControl(spec_.controls, control, kind);
    T* widget =
        place < controls_.size() ? qobject_cast<T*>(controls_[place].widget.data()) : nullptr;
    if (widget == nullptr) {
        throw ServiceError("The window is not open.");  // its widgets went with it
    }
    return widget;
}

std::int16_t QtForm::BarValue(const ControlRef& bar) const {
    return Find<FormScrollBar>(bar, ControlKind::VScrollBar)->formValue();
}

void QtForm::SetBarValue(const ControlRef& bar, std::int16_t value) {
    Find<FormScrollBar>(bar, ControlKind::VScrollBar)->setFormValue(value);
}

bool QtForm::OptionValue(const ControlRef& option) const {
    return Find<QRadioButton>(option, ControlKind::Option)->isChecked();
}

CheckState QtForm::CheckValue(const ControlRef& box) const {
    switch (Find<QCheckBox>(box, ControlKind::CheckBox)->checkState()) {
        case Qt::Checked:
            return CheckState::Checked;
        case Qt::PartiallyChecked:
            return CheckState::Grayed;
        default:
            return CheckState::Unchecked;
    }
}

void QtForm::SetBackColor(const ControlRef& control, std::int32_t color) {
    Find<Swatch>(control, ControlKind::Swatch)->setColor(ToQColor(UnpackRgb(color)));
}

std::string QtForm::Text(const ControlRef& box) const {
    return Find<QLineEdit>(box, ControlKind::TextBox)->text().toStdString();
}

void QtForm::SetText(const ControlRef& box, std::string_view text) {
    Find<QLineEdit>(box, ControlKind::TextBox)->setText(ToQString(text));
}

void QtForm::SetSelStart(const ControlRef& box, std::int32_t start) {
    Find<FormLineEdit>(box, ControlKind::TextBox)->setSelStart(start);
}

void QtForm::SetSelLength(const ControlRef& box, std::int32_t length) {
    Find<FormLineEdit>(box, ControlKind::TextBox)->setSelLength(length);
}

NativeWindow QtForm::WindowHandle() const {
    return window_.isNull() ? 0 : static_cast<NativeWindow>(window_->internalWinId());
}

void QtForm::SetTopmost(NativeWindow window, bool topmost) {
    if (!capabilities_.topmost) {
        throw ServiceError(std::string(kNoTopmostReason));
    }
    QWindow* native = window_.isNull() ? nullptr : window_->windowHandle();
    if (native == nullptr || window == 0 || static_cast<NativeWindow>(native->winId()) != window) {
        throw ServiceError("The window is not open.");
    }
    // Changing the flags of the existing native window keeps its place, size and
    // activation; QWidget::setWindowFlag would re-create it.
    Qt::WindowFlags flags = native->flags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    native->setFlags(flags);
    window_->overrideWindowFlags(flags);
}

void QtForm::UnloadForm() {
    if (!window_.isNull()) {
        window_->close();
        window_->deleteLater();
    }
}

void QtForm::EndProgram() {
    // Leaving the event loop lets the program hand the copied text over before it ends.
    QCoreApplication::exit(0);
}

void QtForm::SetClipboardText(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString copied = ToQString(text);
    clipboard->setText(copied, QClipboard::Clipboard);
    if (!ClipboardHolds(copied)) {
        throw ServiceError("The text could not be put on the clipboard.");
    }
}

}  // namespace tintcast::platform::qt
