#pragma once

#include <cstdint>

#include <QAbstractButton>
#include <QCheckBox>
#include <QColor>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>

#include "platform/form_description.h"

class QKeyEvent;

// The custom controls a form is built from. Those that draw their own face share one
// focus mark. Buttons respond as a form's user expects: Return and keypad Enter click
// a focused push button as Space does, and a check box or option takes a click
// anywhere in its rectangle, not only on its indicator and caption.
namespace tintcast::platform::qt {

// Clicks the button for Return or keypad Enter without other modifiers; true if it did.
bool ClickOnEnter(QAbstractButton& button, const QKeyEvent& event);

class FormButton : public QPushButton {
    Q_OBJECT
public:
    FormButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class FormCheckBox : public QCheckBox {
    Q_OBJECT
public:
    FormCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

class FormOptionButton : public QRadioButton {
    Q_OBJECT
public:
    FormOptionButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {}

protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

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

// A vertical bar whose form value may run either way (see bar_range.h).
class FormScrollBar : public QScrollBar {
    Q_OBJECT
public:
    FormScrollBar(const BarRange& range, QWidget* parent);
    std::int16_t formValue() const { return FromInner(range_, value()); }
    void setFormValue(std::int16_t value) { setValue(ToInner(range_, value)); }
    int formMinimum() const { return LowestValue(range_); }
    int formMaximum() const { return HighestValue(range_); }
    int formStep() const { return range_.smallChange; }

private:
    BarRange range_;
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
