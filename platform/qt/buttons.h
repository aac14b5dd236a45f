#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

class QKeyEvent;

// Buttons that respond as a form's user expects: Return and keypad Enter click a
// focused push button as Space does, and a check box or option takes a click anywhere
// in its rectangle, not only on its indicator and caption.
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

}  // namespace tintcast::platform::qt
