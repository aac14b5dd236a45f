#pragma once

#include <algorithm>
#include <cstdint>

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QProxyStyle>
#include <QScrollBar>
#include <QWidget>

#include "platform/form_description.h"

// The custom controls a form is built from, each drawing its own face and sharing one
// focus mark.
namespace tintcast::platform::qt {

// A caption-less button filled with its face colour, exactly, under any style.
class ColorButton : public QAbstractButton {
    Q_OBJECT
public:
    ColorButton(QColor face, QWidget* parent);
    QColor face() const { return face_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor face_;
};

// A sunken box showing nothing but its colour.
class Swatch : public QWidget {
    Q_OBJECT
public:
    explicit Swatch(QWidget* parent);
    void setColor(QColor color);
    QColor color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
};

// An etched border with its caption set into the top edge. Lighter than QGroupBox,
// which loads image plugins on its first paint.
class FrameBox : public QWidget {
    Q_OBJECT
public:
    FrameBox(const QString& caption, QWidget* parent);
    QString caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

// Shows a pixmap at its natural logical size; scaled without smoothing, so pixel art
// stays sharp at any device pixel ratio.
class IconView : public QWidget {
    Q_OBJECT
public:
    IconView(QPixmap pixmap, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap pixmap_;
};

// A vertical bar whose form value may run either way: a range with its larger end
// at the top is held negated, so that the arrows, the track, the keys and a drag all
// move the form value the way the thumb moves.
class FormScrollBar : public QScrollBar {
    Q_OBJECT
public:
    FormScrollBar(const BarRange& range, QWidget* parent);
    std::int16_t formValue() const { return static_cast<std::int16_t>(sign_ * value()); }
    void setFormValue(std::int16_t value) { setValue(sign_ * value); }
    int formMinimum() const { return std::min(range_.top, range_.bottom); }
    int formMaximum() const { return std::max(range_.top, range_.bottom); }
    int formStep() const { return range_.smallChange; }

private:
    BarRange range_;
    int sign_ = 1;
};

// The bars' look: the classic bevels, whose thumb is easy to find, with square arrow
// buttons and a square thumb, each as tall as the bar is wide, and the focus marked
// on the thumb.
class BarStyle : public QProxyStyle {
public:
    BarStyle();
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
};

}  // namespace tintcast::platform::qt
