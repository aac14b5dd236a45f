#include "platform/qt/buttons.h"

#include <QKeyEvent>

namespace tintcast::platform::qt {

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

}  // namespace tintcast::platform::qt
