#include "qt_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <stdexcept>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>
#include <QWindow>

#include "platform/control_lookup.h"
#include "platform/control_name.h"

namespace tintcast::testing {

namespace {

using platform::ControlRef;

// Filled by hand: the bar's own initStyleOption is protected.
QStyleOptionSlider BarOption(const QScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_None;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    if (bar.orientation() == Qt::Horizontal) {
        option.state |= QStyle::State_Horizontal;
    }
    return option;
}

// Thumb travel of a vertical bar: first pixel row of the thumb's top, and how far it runs.
struct Travel {
    int start = 0;
    int span = 0;
};

Travel ThumbTravel(const QScrollBar& bar) {
    const QRect groove = QtDriver::BarPart(bar, QStyle::SC_ScrollBarGroove);
    const QRect thumb = QtDriver::BarPart(bar, QStyle::SC_ScrollBarSlider);
    return {groove.top(), groove.height() - thumb.height()};
}

// The form value a thumb at `offset` pixels from the top of its travel shows.
int FormValueAt(const QScrollBar& bar, const platform::BarRange& range, int offset, int span) {
    return platform::FromInner(
        range, QStyle::sliderValueFromPosition(bar.minimum(), bar.maximum(), offset, span,
                                               bar.invertedAppearance()));
}

}  // namespace

QtDriver::QtDriver(const platform::FormSpec& spec, const platform::Capabilities& capabilities)
    : spec_(spec), form_(spec, capabilities) {}

QtDriver::~QtDriver() {
    // The handlers usually die before the form: widgets torn down must not call them.
    if (QWidget* window = form_.window()) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            child->blockSignals(true);
        }
    }
}

void QtDriver::Load(platform::FormEvents& events) {
    form_.Load(events);
    QWidget* window = form_.window();
    if (window == nullptr) {
        return;  // a handler unloaded the form while loading
    }
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) {
        ADD_FAILURE() << "the form's window did not become active";
    }
}

QWidget* QtDriver::Widget(const ControlRef& control) const {
    QWidget* found = form_.control(control);
    if (found == nullptr) {
        ADD_FAILURE() << "the form has no control " << platform::ControlName(control);
        throw std::invalid_argument("no control " + platform::ControlName(control));
    }
    return found;
}

QRect QtDriver::BarPart(const QScrollBar& bar, QStyle::SubControl part) {
    const QStyleOptionSlider option = BarOption(bar);
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar);
}

void QtDriver::Bar(const ControlRef& control, BarAction action) {
    auto* bar = qobject_cast<QScrollBar*>(Widget(control));
    ASSERT_NE(bar, nullptr) << platform::ControlName(control) << " is no scroll bar";
    const auto clickPart = [bar](QStyle::SubControl part) {
        QRect area = BarPart(*bar, part);
        if (area.isEmpty()) {
            // No track left beyond the thumb: the person's click lands on the thumb.
            area = BarPart(*bar, QStyle::SC_ScrollBarSlider);
        }
        QTest::mouseClick(bar, Qt::LeftButton, {}, area.center());
    };
    const auto press = [bar](Qt::Key key) {
        if (!bar->hasFocus()) {
            bar->setFocus(Qt::TabFocusReason);
        }
        QTest::keyClick(bar, key);
    };
    switch (action) {
        case BarAction::ArrowUp:
            clickPart(QStyle::SC_ScrollBarSubLine);
            break;
        case BarAction::ArrowDown:
            clickPart(QStyle::SC_ScrollBarAddLine);
            break;
        case BarAction::TrackAbove:
            clickPart(QStyle::SC_ScrollBarSubPage);
            break;
        case BarAction::TrackBelow:
            clickPart(QStyle::SC_ScrollBarAddPage);
            break;
        case BarAction::KeyUp:
            press(Qt::Key_Up);
            break;
        case BarAction::KeyDown:
            press(Qt::Key_Down);
            break;
        case BarAction::KeyPageUp:
            press(Qt::Key_PageUp);
            break;
        case BarAction::KeyPageDown:
            press(Qt::Key_PageDown);
            break;
        case BarAction::KeyHome:
            press(Qt::Key_Home);
            break;
        case BarAction::KeyEnd:
            press(Qt::Key_End);
            break;
    }
}

std::int16_t QtDriver::NearestDragValue(const ControlRef& control, std::int16_t value) const {
    auto* bar = qobject_cast<QScrollBar*>(Widget(control));
    const platform::ControlSpec* spec = platform::FindControl(spec_.controls, control);
    if (bar == nullptr || spec == nullptr) {
        ADD_FAILURE() << platform::ControlName(control) << " is no scroll bar";
        return value;
    }
    const Travel travel = ThumbTravel(*bar);
    int best = FormValueAt(*bar, spec->bar, 0, travel.span);
    for (int offset = 1; offset <= travel.span; ++offset) {
        const int candidate = FormValueAt(*bar, spec->bar, offset, travel.span);
        if (std::abs(candidate - value) < std::abs(best - value)) {
            best = candidate;
        }
    }
    return static_cast<std::int16_t>(best);
}

void QtDriver::DragBar(const ControlRef& control, std::span<const std::int16_t> through) {
    auto* bar = qobject_cast<QScrollBar*>(Widget(control));
    const platform::ControlSpec* spec = platform::FindControl(spec_.controls, control);
    ASSERT_TRUE(bar != nullptr && spec != nullptr)
        << platform::ControlName(control) << " is no scroll bar";
    const QRect thumb = BarPart(*bar, QStyle::SC_ScrollBarSlider);
    const QPoint grab = thumb.center();
    const Travel travel = ThumbTravel(*bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    QPoint at = grab;
    for (const std::int16_t value : through) {
        // The row whose value is nearest: not every value has a pixel of its own.
        int bestOffset = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (int offset = 0; offset <= travel.span; ++offset) {
            const int distance =
                std::abs(FormValueAt(*bar, spec->bar, offset, travel.span) - value);
            if (distance < bestDistance) {
                bestDistance = distance;
                bestOffset = offset;
            }
        }
        at = QPoint(grab.x(), travel.start + bestOffset + (grab.y() - thumb.top()));
        QTest::mouseMove(bar, at);
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
}

void QtDriver::Click(const ControlRef& control) {
    QWidget* target = Widget(control);
    QPoint at = target->rect().center();
    // Options and check boxes are clicked on their indicator, where a person aims.
    if (qobject_cast<QRadioButton*>(target) != nullptr ||
        qobject_cast<QCheckBox*>(target) != nullptr) {
        QStyleOptionButton option;
        option.initFrom(target);
        option.text = static_cast<QAbstractButton*>(target)->text();
        const QStyle::SubElement indicator = qobject_cast<QRadioButton*>(target) != nullptr
                                                 ? QStyle::SE_RadioButtonIndicator
                                                 : QStyle::SE_CheckBoxIndicator;
        at = target->style()->subElementRect(indicator, &option, target).center();
    }
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
}

void QtDriver::FocusByTab(const ControlRef& box) {
    QWidget* target = Widget(box);
    // Bounded: a control outside the Tab chain is never reached.
    for (int presses = 0; presses < 64 && QApplication::focusWidget() != target; ++presses) {
        QWidget* from = QApplication::focusWidget();
        QTest::keyClick(from != nullptr ? from : form_.window(), Qt::Key_Tab);
    }
    if (QApplication::focusWidget() != target) {
        ADD_FAILURE() << "Tab never reached " << platform::ControlName(box);
    }
}

void QtDriver::FocusByMouse(const ControlRef& box) {
    QWidget* target = Widget(box);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}

void QtDriver::FocusOn(const ControlRef& control) {
    Widget(control)->setFocus(Qt::TabFocusReason);
}

void QtDriver::Key(FormKey key, char letter) {
    QWidget* from = QApplication::focusWidget();
    QWidget* target = from != nullptr ? from : form_.window();
    if (key != FormKey::Alt) {
        // In the order of FormKey.
        constexpr Qt::Key kKeys[] = {Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_Up,     Qt::Key_Down,
                                     Qt::Key_Left, Qt::Key_Right,   Qt::Key_Return, Qt::Key_Space};
        static_assert(std::size(kKeys) == static_cast<std::size_t>(FormKey::Alt));
        QTest::keyClick(target, kKeys[static_cast<int>(key)],
                        key == FormKey::BackTab ? Qt::ShiftModifier : Qt::NoModifier);
        return;
    }
    const int upper = std::toupper(static_cast<unsigned char>(letter));
    QTest::keyClick(target, static_cast<Qt::Key>(Qt::Key_A + (upper - 'A')), Qt::AltModifier);
    // An access key shows its button pressed for a moment, then clicks.
    const QPointer<QWidget> window = form_.window();
    const bool released = QTest::qWaitFor(
        [&window] {
            if (window.isNull()) {
                return true;
            }
            const auto buttons = window->findChildren<QAbstractButton*>();
            return std::none_of(buttons.begin(), buttons.end(),
                                [](const QAbstractButton* b) { return b->isDown(); });
        },
        2000);
    if (!released) {
        ADD_FAILURE() << "the access key's button stayed pressed";
    }
}

std::string QtDriver::Focused() {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus->objectName().toStdString() : "";
}

std::int32_t QtDriver::BackColor(const ControlRef& control) {
    QWidget* target = Widget(control);
    QWidget* window = target->window();
    // What the window last painted, not a fresh rendering as QWidget::grab() makes: a
    // change that asks for no repaint stays unseen. Pending paints are done first.
    QCoreApplication::processEvents();
    const QPoint centre = target->mapTo(window, target->rect().center());
    const QImage shown =
        window->screen()->grabWindow(window->winId(), centre.x(), centre.y(), 1, 1).toImage();
    if (shown.isNull()) {
        ADD_FAILURE() << "nothing painted for " << platform::ControlName(control);
        return -1;
    }
    const QColor painted = shown.pixelColor(0, 0);
    return platform::PackRgb({static_cast<std::uint8_t>(painted.red()),
                              static_cast<std::uint8_t>(painted.green()),
                              static_cast<std::uint8_t>(painted.blue())});
}

std::string QtDriver::SelectedText(const ControlRef& box) {
    auto* edit = qobject_cast<QLineEdit*>(Widget(box));
    if (edit == nullptr) {
        ADD_FAILURE() << platform::ControlName(box) << " is no text box";
        return {};
    }
    return edit->selectedText().toStdString();
}

std::string QtDriver::ClipboardText() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard).toStdString();
}

bool QtDriver::Topmost() {
    QWidget* window = form_.window();
    QWindow* native = window != nullptr ? window->windowHandle() : nullptr;
    return native != nullptr && native->flags().testFlag(Qt::WindowStaysOnTopHint);
}

void QtDriver::ActivateAnotherWindow() {
    other_ = std::make_unique<QWidget>();
    other_->setWindowTitle(QStringLiteral("Another window"));
    other_->show();
    other_->activateWindow();
    if (!QTest::qWaitForWindowActive(other_.get())) {
        ADD_FAILURE() << "the other window did not become active";
    }
}

bool QtDriver::AnotherWindowActive() {
    // An activation asked for is delivered as an event: let it arrive first.
    QCoreApplication::processEvents();
    return other_ != nullptr && QApplication::activeWindow() == other_.get();
}

std::int16_t DragTarget(FormDriver& driver, const ControlRef& bar, std::int16_t value) {
    if (auto* real = dynamic_cast<QtDriver*>(&driver)) {
        return real->NearestDragValue(bar, value);
    }
    return value;
}

}  // namespace tintcast::testing
