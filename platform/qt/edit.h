#pragma once

#include <cstdint>

#include <QLineEdit>

namespace tintcast::platform::qt {

// A line edit as a form's text box: it reports focus the way a form expects, and
// places its selection in characters.
//
// Entry by the mouse is reported after the press has placed the caret, and neither a
// popup (its own context menu) nor a switch to another window counts as leaving it.
class FormLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FormLineEdit(QWidget* parent);

    // Puts the caret at a character offset and removes the selection.
    void setSelStart(std::int32_t characters);
    // Selects this many characters from the selection start; 0 leaves only the caret.
    void setSelLength(std::int32_t characters);

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
