#include "platform/qt/form.h"

#include <string>

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QRadioButton>
#include <QWindow>

#include "platform/control_name.h"
#include "platform/qt/clipboard_handover.h"
#include "platform/qt/controls.h"
#include "platform/qt/conversions.h"
#include "platform/qt/edit.h"

namespace tintcast::platform::qt {

template <typename T>
T* QtForm::Find(const ControlRef& control) const {
    QWidget* found = this->control(control);
    if (found == nullptr) {
        throw ServiceError("The form has no control " + ControlName(control) + ".");
    }
    auto* typed = qobject_cast<T*>(found);
    if (typed == nullptr) {
        throw ServiceError("The control " + ControlName(control) +
                           " does not support this operation.");
    }
    return typed;
}

std::int16_t QtForm::BarValue(const ControlRef& bar) const {
    return Find<FormScrollBar>(bar)->formValue();
}

void QtForm::SetBarValue(const ControlRef& bar, std::int16_t value) {
    Find<FormScrollBar>(bar)->setFormValue(value);
}

bool QtForm::OptionValue(const ControlRef& option) const {
    return Find<QRadioButton>(option)->isChecked();
}

CheckState QtForm::CheckValue(const ControlRef& box) const {
    switch (Find<QCheckBox>(box)->checkState()) {
        case Qt::Checked:
            return CheckState::Checked;
        case Qt::PartiallyChecked:
            return CheckState::Grayed;
        default:
            return CheckState::Unchecked;
    }
}

void QtForm::SetBackColor(const ControlRef& control, std::int32_t color) {
    Find<Swatch>(control)->setColor(ToQColor(UnpackRgb(color)));
}

std::string QtForm::Text(const ControlRef& box) const {
    return Find<QLineEdit>(box)->text().toStdString();
}

void QtForm::SetText(const ControlRef& box, std::string_view text) {
    Find<QLineEdit>(box)->setText(ToQString(text));
}

void QtForm::SetSelStart(const ControlRef& box, std::int32_t start) {
    Find<FormLineEdit>(box)->setSelStart(start);
}

void QtForm::SetSelLength(const ControlRef& box, std::int32_t length) {
    Find<FormLineEdit>(box)->setSelLength(length);
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
    // Leaving the event loop lets the application object hand the clipboard over.
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
