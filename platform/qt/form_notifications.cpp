#include <QAbstractButton>
#include <QMessageBox>
#include <QScrollBar>

#include "platform/deliver.h"
#include "platform/qt/edit.h"
#include "platform/qt/form.h"

namespace tintcast::platform::qt {

void QtForm::Connect(const ControlSpec& spec, QWidget* widget) {
    const ControlRef ref{spec.name, spec.index};
    switch (spec.kind) {
        case ControlKind::Button:
        case ControlKind::ColorButton:
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked,
                             widget, [this, ref] { Notify(Notification::Click, ref); });
            break;
        case ControlKind::CheckBox:
            // Every change by the person, including a screen reader's Toggle, which
            // changes the box without a click.
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled,
                             widget, [this, ref] { Notify(Notification::Click, ref); });
            break;
        case ControlKind::Option:
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled,
                             widget, [this, ref](bool selected) {
                                 if (selected) {
                                     // However it was selected (a click, an arrow, a
                                     // screen reader), the group's Tab stop moves to it.
                                     ChainTabOrder();
                                     Notify(Notification::Click, ref);
                                 }
                             });
            break;
        case ControlKind::VScrollBar:
            QObject::connect(static_cast<QScrollBar*>(widget), &QScrollBar::valueChanged, widget,
                             [this, ref] { Notify(Notification::Change, ref); });
            break;
        case ControlKind::TextBox: {
            auto* edit = static_cast<FormLineEdit*>(widget);
            QObject::connect(edit, &FormLineEdit::gotFocus, edit,
                             [this, ref] { Notify(Notification::GotFocus, ref); });
            QObject::connect(edit, &FormLineEdit::lostFocus, edit,
                             [this, ref] { Notify(Notification::LostFocus, ref); });
            break;
        }
        default:
            break;
    }
}

void QtForm::Notify(Notification notification, const ControlRef& control) {
    Deliver(events_, notification, control,
            [this](const char* failure) { ReportFailure(QString::fromUtf8(failure)); });
}

void QtForm::ReportFailure(const QString& message) {
    if (failureBox_.isNull()) {
        failureBox_ = new QMessageBox(QMessageBox::Warning, window_->windowTitle(), message,
                                      QMessageBox::Ok, window_);
        failureBox_->setAttribute(Qt::WA_DeleteOnClose);
        failureBox_->setWindowModality(Qt::NonModal);
    }
    failureBox_->setText(message);
    failureBox_->show();
}

}  // namespace tintcast::platform::qt
