#include "platform/qt/form_line_edit.h"

#include <QFocusEvent>

namespace tintcast::platform::qt {

namespace {

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

FormLineEdit::FormLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FormLineEdit::setSelStart(std::int32_t characters) {
    setCursorPosition(AdvanceCharacters(text(), 0, characters));
}

void FormLineEdit::setSelLength(std::int32_t characters) {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = AdvanceCharacters(text(), start, characters);
    if (end == start) {
        setCursorPosition(start);
    } else {
        setSelection(start, end - start);
    }
}

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
