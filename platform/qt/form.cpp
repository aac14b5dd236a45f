#include "platform/qt/form.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>

#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/form_check.h"
#include "platform/qt/accessibility.h"
#include "platform/qt/controls.h"
#include "platform/qt/conversions.h"
#include "platform/qt/edit.h"
#include "platform/qt/fonts.h"
#include "platform/tab_order.h"

namespace tintcast::platform::qt {

QtForm::QtForm(const FormSpec& spec, const Capabilities& capabilities)
    : spec_(spec), capabilities_(capabilities) {
    CheckForm(spec);
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
        QWidget* parent = control.parent.empty() ? window_.data() : this->control({control.parent});
        QWidget* created = Create(control, parent);
        controls_.push_back({&control, created});
        Connect(control, created);
    }
    // The first Tab stop has the focus when the window first opens.
    for (const KeyboardPlace& place : ChainTabOrder()) {
        QWidget* widget = controls_[place.control].widget;
        if (place.tabStop && (widget->focusPolicy() & Qt::TabFocus)) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    SetCapabilities(capabilities_);
}

void QtForm::SetCapabilities(const Capabilities& capabilities) {
    capabilities_ = capabilities;
    for (const Control& control : controls_) {
        if (control.spec->setsTopmost && !control.widget.isNull()) {
            control.widget->setEnabled(capabilities.topmost);
            control.widget->setToolTip(capabilities.topmost ? QString()
                                                            : ToQString(kNoTopmostReason));
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

// The option groups' stops move with their selection: the chain is made again.
std::vector<KeyboardPlace> QtForm::ChainTabOrder() {
    const auto selected = [this](std::size_t i) {
        const auto* option = qobject_cast<const QRadioButton*>(controls_[i].widget.data());
        return option != nullptr && option->isChecked();
    };
    std::vector<KeyboardPlace> order = KeyboardOrder(spec_.controls, selected);
    QWidget* previous = nullptr;
    for (const KeyboardPlace& place : order) {
        const Control& control = controls_[place.control];
        if (!TakesFocus(*control.spec)) {
            continue;
        }
        if (control.spec->kind == ControlKind::Option) {
            control.widget->setFocusPolicy(place.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control.widget);
        }
        previous = control.widget;
    }
    return order;
}

void QtForm::Load(FormEvents& events) {
    if (events_ != nullptr) {
        return;
    }
    events_ = &events;
    Notify(Notification::Load, {spec_.name});
    window_->show();
}

QWidget* QtForm::control(const ControlRef& control) const {
    const std::optional<std::size_t> place = ControlPlace(spec_.controls, control);
    return place && *place < controls_.size() ? controls_[*place].widget.data() : nullptr;
}

}  // namespace tintcast::platform::qt
