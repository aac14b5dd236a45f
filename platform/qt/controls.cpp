#include "platform/qt/controls.h"

#include <algorithm>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace tintcast::platform::qt {

namespace {

QColor Contrasting(QColor face) {
    return qGray(face.rgb()) > 128 ? Qt::black : Qt::white;
}

// A dotted rectangle inset from the edge; it leaves the middle of the face alone.
void DrawFocusMark(QPainter& painter, const QRect& area, QColor face) {
    painter.save();
    painter.setPen(QPen(Contrasting(face), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(3, 3, -4, -4));
    painter.restore();
}

class BarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarAccessible(FormScrollBar* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Value) {
            return QString::number(bar()->formValue());
        }
        return QAccessibleWidget::text(which);
    }
    QVariant currentValue() const override { return int{bar()->formValue()}; }
    void setCurrentValue(const QVariant& value) override {
        bar()->setFormValue(static_cast<std::int16_t>(value.toInt()));
    }
    QVariant maximumValue() const override { return bar()->formMaximum(); }
    QVariant minimumValue() const override { return bar()->formMinimum(); }
    QVariant minimumStepSize() const override { return bar()->formStep(); }

private:
    FormScrollBar* bar() const { return static_cast<FormScrollBar*>(widget()); }
};

QAccessibleInterface* FormAccessibleFactory(const QString& className, QObject* object) {
    if (auto* bar = qobject_cast<FormScrollBar*>(object)) {
        return new BarAccessible(bar);
    }
    // A frame groups the controls inside it, and a plain top-level widget is a window
    // with a title: without these roles both would be anonymous fillers.
    if (auto* frame = qobject_cast<FrameBox*>(object)) {
        return new QAccessibleWidget(frame, QAccessible::Grouping);
    }
    if (className == QLatin1String("QWidget") && object->isWidgetType() &&
        static_cast<QWidget*>(object)->isWindow()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

ColorButton::ColorButton(QColor face, QWidget* parent) : QAbstractButton(parent), face_(face) {
    setFocusPolicy(Qt::StrongFocus);
}

void ColorButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QBrush fill(face_);
    qDrawWinButton(&painter, rect(), palette(), isDown(), &fill);
    if (hasFocus()) {
        DrawFocusMark(painter, rect(), face_);
    }
}

Swatch::Swatch(QWidget* parent) : QWidget(parent), color_(Qt::black) {
    setFocusPolicy(Qt::StrongFocus);
}

void Swatch::setColor(QColor color) {
    if (color != color_) {
        color_ = color;
        update();
    }
}

void Swatch::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QBrush fill(color_);
    qDrawWinPanel(&painter, rect(), palette(), true, &fill);
    if (hasFocus()) {
        DrawFocusMark(painter, rect(), color_);
    }
}

FrameBox::FrameBox(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {}

void FrameBox::paintEvent(QPaintEvent* event) {
    const QFontMetrics metrics(font());
    const int lineY = metrics.height() / 2;
    // A control inside repaints over the middle alone, below the caption and within
    // the two-pixel border, where the frame draws nothing.
    QRect middle = rect().adjusted(2, 0, -2, -2);
    middle.setTop(std::max(lineY + 2, metrics.height()));
    if (middle.contains(event->rect())) {
        return;
    }
    QPainter painter(this);
    qDrawShadeRect(&painter, rect().adjusted(0, lineY, 0, 0), palette(), true, 1, 0);
    if (caption_.isEmpty()) {
        return;
    }
    constexpr int kIndent = 6;
    constexpr int kGap = 2;
    const QRect label(kIndent, 0, metrics.horizontalAdvance(caption_) + 2 * kGap, metrics.height());
    // Clear only the border behind the caption: a neighbour may overlap the rows above it.
    painter.fillRect(QRect(label.left(), lineY, label.width(), 2), palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(label, Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

IconView::IconView(QPixmap pixmap, QWidget* parent) : QWidget(parent), pixmap_(std::move(pixmap)) {}

void IconView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(QRect(QPoint(0, 0), pixmap_.size() / pixmap_.devicePixelRatio()), pixmap_);
}

FormScrollBar::FormScrollBar(const BarRange& range, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), range_(range), sign_(range.top > range.bottom ? -1 : 1) {
    setRange(std::min(sign_ * range.top, sign_ * range.bottom),
             std::max(sign_ * range.top, sign_ * range.bottom));
    setSingleStep(range.smallChange);
    setPageStep(range.largeChange);
    setInvertedAppearance(false);
    // Up, Page Up and the wheel turned away move the thumb up, toward the top end, as
    // the top arrow does; without inverted controls they would move it down.
    setInvertedControls(true);
    // The value follows the thumb only when it is released.
    setTracking(false);
    setFocusPolicy(Qt::StrongFocus);
}

void FormScrollBar::installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(FormAccessibleFactory);
        return true;
    }();
    (void)installed;
}

FormLineEdit::FormLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FormLineEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    switch (event->reason()) {
        case Qt::MouseFocusReason:
            enteredByMouse_ = true;  // reported once the press has placed the caret
            break;
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
            break;
        default:
            emit gotFocus();
            break;
    }
}

void FormLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    enteredByMouse_ = false;
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
        emit lostFocus();
    }
}

void FormLineEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (enteredByMouse_) {
        enteredByMouse_ = false;
        emit gotFocus();
    }
}

}  // namespace tintcast::platform::qt
