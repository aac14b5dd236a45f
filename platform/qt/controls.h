#pragma once

#include <algorithm>
#include <cstdint>

#include <QAbstractButton>
#include <QColor>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QWidget>

#include "platform/form_description.h"

namespace tintcast::platform::qt {

// A caption-less button filled with its face colour, exactly, under any style.
class ColorButton : public QAbstractButton {
    Q_OBJECT
public:
    ColorButton(QColor face, QWidget* parent);
    QColor face() const { return face_; }

protected:
    void paintEvent(QPaintEvent* event) override;

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

    // Screen readers see the form value, not the inner one; the same factory gives
    // frames and the top-level window their roles.
    static void installAccessibility();

private:
    BarRange range_;
    int sign_ = 1;
};

// A line edit that reports focus the way a form expects: entry by the mouse is
// reported after the press has placed the caret, and neither a popup (its own
// context menu) nor a switch to another window counts as leaving it.
class FormLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FormLineEdit(QWidget* parent);

signals:
    void gotFocus();
    void lostFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool enteredByMouse_ = false;
};

}  // namespace tintcast::platform::qt
