#include "platform/qt/qt_form.h"

#include <algorithm>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QWindow>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_strings.h"

namespace tintcast::platform::qt {

namespace {

QColor ToQColor(Rgb c) {
    return QColor(c.red, c.green, c.blue);
}

QFont ToQFont(const FontSpec& spec) {
    QFont font;
    QStringList families;
    for (const std::string_view family : spec.families) {
        families << ToQString(family);
    }
    // A missing family costs a fontconfig fallback search for every font loaded from
    // the list; the installed ones, in the same order, pick the same face.
    // QFontDatabase::hasFamily would ask fontconfig for aliases, at about the same cost.
    const QStringList known = QFontDatabase::families();
    QStringList installed = families;
    installed.removeIf(
        [&known](const QString& family) { return !known.contains(family, Qt::CaseInsensitive); });
    if (!installed.isEmpty()) {
        families = installed;
    }
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    if (spec.pointSize > 0) {
        font.setPointSize(spec.pointSize);
    }
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    return font;
}

std::string Describe(const ControlRef& control) {
    std::string text(control.name);
    if (control.index != kNoIndex) {
        text += "(" + std::to_string(control.index) + ")";
    }
    return text;
}

// Square arrow buttons and a square thumb, each as tall as the bar is wide, rather
// than the style's fixed-height buttons and long thumb.
class SquareThumbStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if ((metric == PM_ScrollBarSliderMin || metric == PM_ScrollBarExtent) && widget != nullptr) {
            return widget->width();
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    // The style shows nothing on a bar that has the keyboard focus: mark its thumb.
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control == CC_ScrollBar && (option->state & State_HasFocus)) {
            const QRect thumb = subControlRect(control, option, SC_ScrollBarSlider, widget);
            painter->save();
            painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 1, Qt::DotLine));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(thumb.adjusted(3, 3, -4, -4));
            painter->restore();
        }
    }
};

// The position `characters` characters after `from`, within the text. Offsets count
// characters; QString positions count UTF-16 units, two for a character beyond U+FFFF.
int AdvanceCharacters(const QString& text, int from, std::int32_t characters) {
    int position = from;
    for (std::int32_t counted = 0; counted < characters && position < text.size(); ++counted) {
        position += text.at(position).isHighSurrogate() && position + 1 < text.size() &&
                            text.at(position + 1).isLowSurrogate()
                        ? 2
                        : 1;
    }
    return position;
}

}  // namespace

bool PlatformKeepsOnTop(std::string_view platformName) {
    return !platformName.starts_with("wayland");
}

QtForm::QtForm(const FormSpec& spec)
    : QtForm(spec, {.keepOnTop = PlatformKeepsOnTop(QGuiApplication::platformName().toStdString())}) {}

QtForm::QtForm(const FormSpec& spec, Capabilities capabilities)
    : spec_(spec), capabilities_(capabilities) {
    FormScrollBar::installAccessibility();
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
    // Bars get the classic bevelled look: Fusion's thumb is too faint to find.
    barStyle_ = std::make_unique<SquareThumbStyle>(QStringLiteral("windows"));

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
            created = new QPushButton(caption, parent);
            break;
        case ControlKind::ColorButton:
            created = new ColorButton(ToQColor(spec.background.value_or(Rgb{})), parent);
            break;
        case ControlKind::Option: {
            auto* option = new QRadioButton(caption, parent);
            option->setChecked(spec.initiallyOn);
            created = option;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(caption, parent);
            box->setChecked(spec.initiallyOn);
            if (spec.switchesTopmost && !capabilities_.keepOnTop) {
                box->setEnabled(false);
                box->setToolTip(QStringLiteral(
                    "This window system does not let a program keep its window above others."));
            }
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
    created->setObjectName(ToQString(Describe({spec.name, spec.index})));
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
        case ControlKind::CheckBox:
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, widget,
                             [this, ref] { Deliver(Notification::Click, ref); });
            break;
        case ControlKind::Option:
            QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::toggled, widget,
                             [this, ref, widget](bool selected) {
                                 if (selected) {
                                     TrackOptionTabStops(widget->parentWidget());
                                     Deliver(Notification::Click, ref);
                                 }
                             });
            TrackOptionTabStops(widget->parentWidget());
            break;
        case ControlKind::VScrollBar:
            QObject::connect(static_cast<QScrollBar*>(widget), &QScrollBar::valueChanged, widget,
                             [this, ref] { Deliver(Notification::Change, ref); });
            break;
        case ControlKind::TextBox: {
            auto* edit = static_cast<FormLineEdit*>(widget);
            QObject::connect(edit, &FormLineEdit::gotFocus, edit,
                             [this, ref] { Deliver(Notification::GotFocus, ref); });
            QObject::connect(edit, &FormLineEdit::lostFocus, edit,
                             [this, ref] { Deliver(Notification::LostFocus, ref); });
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
    Deliver(Notification::Load, {spec_.name});
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

template <typename T>
T* QtForm::Find(const ControlRef& control) const {
    QWidget* found = widget(control);
    if (found == nullptr) {
        throw ServiceError("The form has no control " + Describe(control) + ".");
    }
    auto* typed = qobject_cast<T*>(found);
    if (typed == nullptr) {
        throw ServiceError("The control " + Describe(control) + " does not support this operation.");
    }
    return typed;
}

void QtForm::Deliver(Notification notification, const ControlRef& control) {
    if (events_ == nullptr) {
        return;
    }
    try {
        events_->Notify(notification, control);
    } catch (const std::exception& failure) {
        ReportFailure(QString::fromUtf8(failure.what()));
    }
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
    QLineEdit* edit = Find<QLineEdit>(box);
    edit->setCursorPosition(AdvanceCharacters(edit->text(), 0, start));
}

void QtForm::SetSelLength(const ControlRef& box, std::int32_t length) {
    QLineEdit* edit = Find<QLineEdit>(box);
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const int end = AdvanceCharacters(edit->text(), start, length);
    if (end == start) {
        edit->setCursorPosition(start);
    } else {
        edit->setSelection(start, end - start);
    }
}

NativeWindow QtForm::WindowHandle() const {
    return window_.isNull() ? 0 : static_cast<NativeWindow>(window_->internalWinId());
}

void QtForm::SetTopmost(NativeWindow window, bool topmost) {
    if (!capabilities_.keepOnTop) {
        throw ServiceError("This window system does not let a program keep its window above others.");
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
