#include "platform/qt/edit.h"

#include <string_view>

#include <QFocusEvent>

#include "platform/text_offsets.h"

namespace tintcast::platform::qt {

namespace {

// The QString position `characters` characters after `from`.
int Advance(const QString& text, int from, std::int32_t characters) {
    return platform::AdvanceCharacters(
        std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size())), from,
        characters);
}

}  // namespace

FormLineEdit::FormLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FormLineEdit::setSelStart(std::int32_t characters) {
    setCursorPosition(Advance(text(), 0, characters));
}

void FormLineEdit::setSelLength(std::int32_t characters) {
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = Advance(text(), start, characters);
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
