#include "platform/qt/controls.h"

#include <algorithm>

#include <qdrawutil.h>

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionComplex>

namespace tintcast::platform::qt {

namespace {

QColor Contrasting(QColor face) {
    return qGray(face.rgb()) > 128 ? Qt::black : Qt::white;
}

// A dotted rectangle inset from the edge of a face; it leaves the middle of the face alone.
void DrawFocusMark(QPainter& painter, const QRect& area, QColor face) {
    painter.save();
    painter.setPen(QPen(Contrasting(face), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(3, 3, -4, -4));
    painter.restore();
}

}  // namespace

bool ClickOnEnter(QAbstractButton& button, const QKeyEvent& event) {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    if (!enter || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    button.click();
    return true;
}

void FormButton::keyPressEvent(QKeyEvent* event) {
    if (!ClickOnEnter(*this, *event)) {
        QPushButton::keyPressEvent(event);
    }
}

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

void ColorButton::keyPressEvent(QKeyEvent* event) {
    if (!ClickOnEnter(*this, *event)) {
        QAbstractButton::keyPressEvent(event);
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
    : QScrollBar(Qt::Vertical, parent), range_(range) {
    setRange(InnerMinimum(range), InnerMaximum(range));
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

BarStyle::BarStyle() : QProxyStyle(QStringLiteral("windows")) {}

int BarStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                          const QWidget* widget) const {
    if ((metric == PM_ScrollBarSliderMin || metric == PM_ScrollBarExtent) && widget != nullptr) {
        return widget->width();
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

// The style itself shows nothing on a bar that has the keyboard focus.
void BarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                  QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ScrollBar && (option->state & State_HasFocus)) {
        const QRect thumb = subControlRect(control, option, SC_ScrollBarSlider, widget);
        DrawFocusMark(*painter, thumb, option->palette.color(QPalette::Button));
    }
}

}  // namespace tintcast::platform::qt
