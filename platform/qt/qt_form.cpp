#include "platform/qt/qt_form.h"

#include <algorithm>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "platform/control_name.h"
#include "platform/qt/accessibility.h"
#include "platform/qt/buttons.h"
#include "platform/qt/controls.h"
#include "platform/qt/conversions.h"
#include "platform/qt/form_line_edit.h"

namespace tintcast::platform::qt {

QtForm::QtForm(const FormSpec& spec, Capabilities capabilities)
    : spec_(spec), capabilities_(capabilities) {
    InstallAccessibility();
    // Fixed size: no maximise button, and the window manager refuses resizing.
    window_ = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                       Qt::WindowCloseButtonHint);
    window_->setObjectName(ToQString(spec.name));
    window_->setWindowTitle(ToQString(spec.caption));
    const QFont font = ToQFont(spec.font);
    // A line edit lays its text out once in the application's font before it takes its
    // own: as the application's font, the form's font is then the only one loaded.
    QApplication::setFont(font);
    window_->setFont(font);
    if (!spec.iconXpm.empty()) {
        icon_ = QPixmap(spec.iconXpm.data());
        window_->setWindowIcon(QIcon(icon_));
    }
    window_->setFixedSize(TwipsToPixels(spec.clientWidth, window_->logicalDpiX()),
                          TwipsToPixels(spec.clientHeight, window_->logicalDpiY()));
    // Fusion's thumb is too faint to find.
    barStyle_ = std::make_unique<BarStyle>();

    controls_.reserve(spec.controls.size());
    for (const ControlSpec& control : spec.controls) {
        QWidget* parent = window_;
        if (!control.parent.empty()) {
            parent = widget({control.parent});
            if (parent == nullptr) {
                throw std::invalid_argument(std::string(control.name) + " names no earlier frame " +
                                            std::string(control.parent));
            }
        }
        QWidget* created = Create(control, parent);
        controls_.push_back({&control, created});
        Connect(control, created);
    }
    ChainTabOrder();
    SetCapabilities(capabilities_);
}

void QtForm::SetCapabilities(const Capabilities& capabilities) {
    capabilities_ = capabilities;
    for (const Control& control : controls_) {
        if (control.spec->setsTopmost && !control.widget.isNull()) {
            control.widget->setEnabled(capabilities.topmost);
            control.widget->setToolTip(
                capabilities.topmost
                    ? QString()
                    : QStringLiteral("This window system does not let a program keep its "
                                     "window above others."));
        }
    }
}

QtForm::~QtForm() {
    delete window_;
}

QWidget* QtForm::Create(const ControlSpec& spec, QWidget* parent) {
    QWidget* created = nullptr;
    const QString caption = ToQString(spec.caption);
    switch (spec.kind) {
        case ControlKind::Frame:
            created = new FrameBox(caption, parent);
            created->setAccessibleName(caption);
            break;
        case ControlKind::Button:
            created = new FormButton(caption, parent);
            break;
        case ControlKind::ColorButton:
            created = new ColorButton(ToQColor(spec.background.value_or(Rgb{})), parent);
            break;
        case ControlKind::Option: {
            auto* option = new FormOptionButton(caption, parent);
            option->setChecked(spec.initiallyOn);
            created = option;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new FormCheckBox(caption, parent);
            box->setChecked(spec.initiallyOn);
            created = box;
            break;
        }
        case ControlKind::VScrollBar: {
            auto* bar = new FormScrollBar(spec.bar, parent);
            bar->setStyle(barStyle_.get());
            bar->setFormValue(spec.initialValue);
            created = bar;
            break;
        }
        case ControlKind::TextBox: {
            auto* edit = new FormLineEdit(parent);
            edit->setReadOnly(spec.readOnly);
            created = edit;
            break;
        }
        case ControlKind::Swatch: {
            auto* swatch = new Swatch(parent);
            swatch->setColor(ToQColor(spec.background.value_or(Rgb{})));
            created = swatch;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setTextFormat(Qt::PlainText);
            label->setText(caption);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextInteractionFlags(Qt::NoTextInteraction);
            QPalette palette = label->palette();
            if (spec.foreground) {
                palette.setColor(QPalette::WindowText, ToQColor(*spec.foreground));
            }
            if (spec.background) {
                palette.setColor(QPalette::Window, ToQColor(*spec.background));
                label->setAutoFillBackground(true);
            }
            label->setPalette(palette);
            created = label;
            break;
        }
        case ControlKind::Image:
            created = new IconView(icon_, parent);
            break;
    }
    created->setObjectName(ToQString(ControlName({spec.name, spec.index})));
    if (spec.font) {
        created->setFont(ToQFont(*spec.font));
    }
    if (!spec.accessibleName.empty()) {
        created->setAccessibleName(ToQString(spec.accessibleName));
    }
    const double dpiX = window_->logicalDpiX();
    const double dpiY = window_->logicalDpiY();
    created->setGeometry(TwipsToPixels(spec.place.left, dpiX), TwipsToPixels(spec.place.top, dpiY),
                         TwipsToPixels(spec.place.width, dpiX),
                         TwipsToPixels(spec.place.height, dpiY));
    if (spec.autoSize) {
        created->adjustSize();
    }
    return created;
}

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
                             widget, [this, ref, widget](bool selected) {
                                 if (selected) {
                                     TrackOptionTabStops(widget->parentWidget());
                                     Notify(Notification::Click, ref);
                                 }
                             });
            TrackOptionTabStops(widget->parentWidget());
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

// An option group is one Tab stop: its selected option, at that option's place.
void QtForm::TrackOptionTabStops(QWidget* group) {
    for (QRadioButton* option : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
        option->setFocusPolicy(option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void QtForm::ChainTabOrder() {
    std::vector<std::pair<int, QWidget*>> order;
    for (const Control& control : controls_) {
        if (control.spec->tabIndex != kNoTab && control.widget->focusPolicy() != Qt::NoFocus) {
            order.emplace_back(control.spec->tabIndex, control.widget);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1].second, order[i].second);
    }
    // The lowest Tab number has the focus when the window first opens.
    for (const auto& [tab, widget] : order) {
        if (widget->focusPolicy() & Qt::TabFocus) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void QtForm::Load(FormEvents& events) {
    if (events_ != nullptr) {
        return;
    }
    events_ = &events;
    Notify(Notification::Load, {spec_.name});
    window_->show();
}

QWidget* QtForm::widget(const ControlRef& control) const {
    for (const Control& candidate : controls_) {
        if (candidate.spec->name == control.name && candidate.spec->index == control.index) {
            return candidate.widget;
        }
    }
    return nullptr;
}

}  // namespace tintcast::platform::qt
