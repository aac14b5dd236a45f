// The Qt binding with the program's own window: what a person sees and can reach.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QMessageBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QWindow>

#include "event_log.h"
#include "platform/control_name.h"
#include "platform/qt/controls.h"
#include "qt_driver.h"
#include "window/layout.h"

namespace tintcast::testing {
namespace {

using platform::ControlRef;
using platform::ServiceError;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using window::chkTop;
using window::cmdExit;
using window::cmdStandard;
using window::Command1;
using window::optType;
using window::sclColor;
using window::txtColor;
using window::txtHex;

QColor CentrePixel(QWidget* widget) {
    const QImage shown = widget->grab().toImage();
    return shown.pixelColor(shown.rect().center());
}

QColor Colour(platform::Rgb c) {
    return QColor(c.red, c.green, c.blue);
}

// The main window, loaded, with its notifications logged but not handled: each test
// sees exactly what the binding itself does.
class MainFormWidgets : public ::testing::Test {
protected:
    explicit MainFormWidgets(const platform::Capabilities& capabilities = {.topmost = true})
        : driver(window::MainFormSpec(), capabilities), log(driver.View()) {
        driver.Load(log);
        log.Clear();
    }

    QWidget* Window() { return driver.Form().window(); }
    QWidget* Widget(const ControlRef& control) { return driver.Widget(control); }

    QtDriver driver;
    EventLog log;
};

TEST_F(MainFormWidgets, EveryControlSitsAtItsTwipsInPixelsRelativeToItsParent) {
    const platform::FormSpec spec = window::MainFormSpec();
    QWidget* window = Window();
    const double dpiX = window->logicalDpiX();
    const double dpiY = window->logicalDpiY();
    for (const platform::ControlSpec& control : spec.controls) {
        SCOPED_TRACE(platform::ControlName({control.name, control.index}));
        QWidget* widget = Widget({control.name, control.index});
        QWidget* parent = control.parent.empty() ? window : Widget({control.parent});
        EXPECT_EQ(widget->parentWidget(), parent);
        using platform::TwipsToPixels;
        const QRect expected(
            TwipsToPixels(control.place.left, dpiX), TwipsToPixels(control.place.top, dpiY),
            TwipsToPixels(control.place.width, dpiX), TwipsToPixels(control.place.height, dpiY));
        if (control.autoSize) {
            EXPECT_EQ(widget->pos(), expected.topLeft());  // its size follows the caption
        } else {
            EXPECT_EQ(widget->geometry(), expected);
        }
    }
}

TEST_F(MainFormWidgets, WindowIsFixedAt255By326At96Dpi) {
    QWidget* window = Window();
    ASSERT_EQ(window->logicalDpiX(), 96);
    ASSERT_EQ(window->logicalDpiY(), 96);
    EXPECT_EQ(window->size(), QSize(255, 326));
    EXPECT_EQ(window->minimumSize(), QSize(255, 326));
    EXPECT_EQ(window->maximumSize(), QSize(255, 326));
    EXPECT_EQ(window->windowTitle(), "Kesvar - Tintcast");
}

// Qt moves among options by where they stand: Right from VBasic reaches DBasic beside
// it, where the keyboard order would reach HTML. Up and Down are in the contract.
TEST_F(MainFormWidgets, LeftAndRightMoveThroughTheOptionGroupByPlace) {
    driver.FocusOn(optType(0));
    struct Case {
        Qt::Key key;
        std::int16_t lands;  // DBasic stands right of VBasic
    };
    for (const Case& c : {Case{Qt::Key_Right, 2}, Case{Qt::Key_Left, 0}}) {
        SCOPED_TRACE(::testing::Message() << "key " << c.key);
        log.Clear();
        QTest::keyClick(QApplication::focusWidget(), c.key);
        const std::string landed = platform::ControlName(optType(c.lands));
        EXPECT_EQ(driver.Focused(), landed);
        EXPECT_TRUE(driver.View().OptionValue(optType(c.lands)));
        EXPECT_THAT(log.Lines(), ElementsAre("Click " + landed));
    }
}

// Selected by a screen reader's action rather than a click or an arrow, an option
// still becomes its group's one Tab stop.
TEST_F(MainFormWidgets, AnOptionSelectedByAssistiveTechnologyBecomesTheGroupsTabStop) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Widget(optType(2)));
    ASSERT_NE(accessible, nullptr);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !log.Lines().empty(); }, 2000));
    EXPECT_THAT(log.Lines(), ElementsAre("Click optType(2)"));
    driver.FocusOn(chkTop);
    EXPECT_THAT(Walk(driver, FormKey::Tab, 2), ElementsAre("optType(2)", "txtColor"));
    driver.FocusOn(Command1);
    EXPECT_THAT(Walk(driver, FormKey::Tab, 1), ElementsAre("cmdStandard(7)"));
}

// The contract has the click; in Qt the focus stays where it was, as the fake's does.
// (Under Wine the Win32 binding's dialog keys move it to the button.)
TEST_F(MainFormWidgets, AccessKeysLeaveTheFocusWhereItWas) {
    for (const char letter : {'C', 'X'}) {
        log.Clear();
        driver.Key(FormKey::Alt, letter);
        EXPECT_EQ(log.Lines().size(), 1U);
        EXPECT_EQ(driver.Focused(), "txtColor");
    }
}

// Return is in the contract; the keypad's Enter is Qt's own key.
TEST_F(MainFormWidgets, KeypadEnterClicksTheFocusedButton) {
    for (const ControlRef& button : {Command1, cmdExit, cmdStandard(3)}) {
        SCOPED_TRACE(platform::ControlName(button));
        driver.FocusOn(button);
        log.Clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_THAT(log.Lines(), ElementsAre("Click " + platform::ControlName(button)));
        EXPECT_EQ(QApplication::focusWidget(), Widget(button));
    }
    // Return on the exit button, which the contract's handlers would act on.
    driver.FocusOn(cmdExit);
    log.Clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_THAT(log.Lines(), ElementsAre("Click cmdExit"));
    EXPECT_EQ(QApplication::focusWidget(), Widget(cmdExit));
}

TEST_F(MainFormWidgets, TheWholeRectangleOfTheCheckBoxAndOfEachOptionTakesTheClick) {
    for (const ControlRef& control : {chkTop, optType(1), optType(2), optType(0)}) {
        SCOPED_TRACE(platform::ControlName(control));
        QWidget* widget = Widget(control);
        log.Clear();
        QTest::mouseClick(widget, Qt::LeftButton, {},
                          QPoint(widget->width() - 1, widget->height() / 2));
        EXPECT_THAT(log.Lines(), ElementsAre("Click " + platform::ControlName(control)));
    }
    EXPECT_EQ(driver.View().CheckValue(chkTop), platform::CheckState::Checked);
    EXPECT_TRUE(driver.View().OptionValue(optType(0)));
}

// A screen reader's Toggle changes the box without a click: it must still be reported,
// or the box and the window's stacking disagree.
TEST_F(MainFormWidgets, AssistiveToggleAndPressOfTheCheckBoxEachNotifyOneClick) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Widget(chkTop));
    ASSERT_NE(accessible, nullptr);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    struct Case {
        QString action;
        platform::CheckState after;
    };
    for (const Case& c :
         {Case{QAccessibleActionInterface::toggleAction(), platform::CheckState::Checked},
          Case{QAccessibleActionInterface::pressAction(), platform::CheckState::Unchecked},
          Case{QAccessibleActionInterface::toggleAction(), platform::CheckState::Checked}}) {
        SCOPED_TRACE(c.action.toStdString());
        log.Clear();
        actions->doAction(c.action);
        // Press shows the button down for a moment before it clicks.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !log.Lines().empty(); }, 2000));
        EXPECT_THAT(log.Lines(), ElementsAre("Click chkTop"));
        EXPECT_EQ(driver.View().CheckValue(chkTop), c.after);
    }
}

TEST_F(MainFormWidgets, ControlsWithoutACaptionHaveAccessibleNames) {
    struct Case {
        ControlRef control;
        const char* name;
    };
    for (const Case& c :
         {Case{cmdStandard(7), "White"}, Case{cmdStandard(6), "Cyan"},
          Case{cmdStandard(5), "Magenta"}, Case{cmdStandard(4), "Blue"},
          Case{cmdStandard(3), "Yellow"}, Case{cmdStandard(2), "Green"},
          Case{cmdStandard(1), "Red"}, Case{cmdStandard(0), "Black"}, Case{sclColor(0), "Red"},
          Case{sclColor(1), "Green"}, Case{sclColor(2), "Blue"}, Case{txtColor, "Color swatch"},
          Case{txtHex, "Value"}}) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Widget(c.control));
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), c.name);
    }
}

TEST_F(MainFormWidgets, BarsTellScreenReadersTheChannelValue) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Widget(sclColor(1)));
    ASSERT_NE(accessible, nullptr);
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 255);
    for (const std::int16_t set :
         {std::int16_t{200}, std::int16_t{0}, std::int16_t{255}, std::int16_t{1}}) {
        driver.View().SetBarValue(sclColor(1), set);
        EXPECT_EQ(value->currentValue().toInt(), set);
    }
    // A screen reader that sets the value moves the bar like a person does.
    log.Clear();
    value->setCurrentValue(30);
    EXPECT_EQ(driver.View().BarValue(sclColor(1)), 30);
    EXPECT_THAT(log.Lines(), ElementsAre("Change sclColor(1) 30"));
}

TEST_F(MainFormWidgets, DragMovesOnlyTheThumbUntilReleased) {
    auto* bar = static_cast<QScrollBar*>(Widget(sclColor(2)));
    const QRect thumb = QtDriver::BarPart(*bar, QStyle::SC_ScrollBarSlider);
    const int start = thumb.center().y();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb.center());
    for (const int up : {20, 60, 40}) {
        QTest::mouseMove(bar, QPoint(thumb.center().x(), start - up));
        EXPECT_EQ(QtDriver::BarPart(*bar, QStyle::SC_ScrollBarSlider).center().y(), start - up);
        EXPECT_EQ(driver.View().BarValue(sclColor(2)), 0);
        EXPECT_THAT(log.Lines(), IsEmpty());
    }
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(thumb.center().x(), start - 40));
    const std::int16_t released = driver.View().BarValue(sclColor(2));
    EXPECT_GT(released, 0);  // up raises
    EXPECT_THAT(log.Lines(), ElementsAre("Change sclColor(2) " + std::to_string(released)));
}

// Restores the application's style when a test has switched it.
class StyleSwitch {
public:
    explicit StyleSwitch(const QString& name) : previous_(QApplication::style()->name()) {
        QApplication::setStyle(QStyleFactory::create(name));
    }
    ~StyleSwitch() { QApplication::setStyle(QStyleFactory::create(previous_)); }
    StyleSwitch(const StyleSwitch&) = delete;
    StyleSwitch& operator=(const StyleSwitch&) = delete;

private:
    QString previous_;
};

class PresetFaces : public ::testing::TestWithParam<const char*> {};

TEST_P(PresetFaces, ShowTheirExactColourPlainFocusedAndPressed) {
    ASSERT_TRUE(QStyleFactory::keys().contains(GetParam(), Qt::CaseInsensitive)) << GetParam();
    StyleSwitch style(GetParam());
    QtDriver driver(window::MainFormSpec());
    EventLog log(driver.View());
    driver.Load(log);
    for (const platform::ControlSpec& control : window::MainFormSpec().controls) {
        if (control.kind != platform::ControlKind::ColorButton) {
            continue;
        }
        SCOPED_TRACE(std::string(control.accessibleName));
        QWidget* button = driver.Widget({control.name, control.index});
        const QColor face = Colour(control.background.value());
        const QImage plain = button->grab().toImage();
        EXPECT_EQ(CentrePixel(button), face);

        button->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(button->hasFocus());
        EXPECT_EQ(CentrePixel(button), face);
        EXPECT_NE(button->grab().toImage(), plain) << "the focus is not shown";

        QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
        ASSERT_TRUE(static_cast<QAbstractButton*>(button)->isDown());
        EXPECT_EQ(CentrePixel(button), face);
        QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, PresetFaces, ::testing::Values("Fusion", "Windows"));

TEST_F(MainFormWidgets, SwatchShowsExactlyTheColourSet) {
    for (const std::int32_t packed :
         {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x563412, 0x010203}) {
        SCOPED_TRACE(::testing::Message() << std::hex << packed);
        driver.View().SetBackColor(txtColor, packed);
        // Painted, not only what a fresh rendering would show: a change must repaint.
        EXPECT_EQ(driver.BackColor(txtColor), packed);
        // Red is the low byte.
        EXPECT_EQ(CentrePixel(Widget(txtColor)),
                  QColor(packed & 0xFF, (packed >> 8) & 0xFF, packed >> 16));
    }
}

// Counts the times a widget was hidden: a window re-created for new flags flickers.
class HideCounter : public QObject {
public:
    int hides = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        hides += event->type() == QEvent::Hide ? 1 : 0;
        return false;
    }
};

TEST_F(MainFormWidgets, StayOnTopSwitchesTheShownWindowInPlace) {
    QWidget* window = Window();
    QWindow* native = window->windowHandle();
    ASSERT_NE(native, nullptr);
    const WId id = window->winId();
    const QRect place = window->geometry();
    QWidget* focus = QApplication::focusWidget();
    HideCounter counter;
    window->installEventFilter(&counter);
    for (const bool topmost : {true, false, true}) {
        driver.View().SetTopmost(driver.View().WindowHandle(), topmost);
        EXPECT_EQ(native->flags().testFlag(Qt::WindowStaysOnTopHint), topmost);
        EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), topmost);
        EXPECT_EQ(window->windowHandle(), native);
        EXPECT_EQ(window->winId(), id);
        EXPECT_EQ(window->geometry(), place);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->isActiveWindow());
        EXPECT_EQ(QApplication::focusWidget(), focus);
    }
    window->removeEventFilter(&counter);
    EXPECT_EQ(counter.hides, 0);
}

TEST(QtFormBeforeLoad, HasNoWindowToKeepOnTop) {
    QtDriver driver(window::MainFormSpec());
    EXPECT_EQ(driver.View().WindowHandle(), 0U);
    EXPECT_THROW(driver.View().SetTopmost(driver.View().WindowHandle(), true), ServiceError);
}

// What a form can see when its load notification arrives.
class LoadProbe final : public platform::FormEvents {
public:
    explicit LoadProbe(platform::qt::QtForm& form) : form_(form) {}
    void Notify(platform::Notification notification, const ControlRef& control) override {
        if (notification != platform::Notification::Load) {
            return;
        }
        ++loads;
        name = control.name;
        shown = form_.window()->isVisible();
        red = form_.BarValue(sclColor(0));
        vbasic = form_.OptionValue(optType(0));
        text = form_.Text(txtHex);
    }

    int loads = 0;
    std::string name;
    bool shown = true;
    int red = -1;
    bool vbasic = false;
    std::string text = "unread";

private:
    platform::qt::QtForm& form_;
};

TEST(QtFormLoad, ComesOnceWithTheInitialValuesBeforeTheWindowIsShown) {
    QtDriver driver(window::MainFormSpec());
    LoadProbe probe(driver.Form());
    driver.Load(probe);
    driver.Load(probe);
    EXPECT_EQ(probe.loads, 1);
    EXPECT_EQ(probe.name, "frmMain");
    EXPECT_FALSE(probe.shown);
    EXPECT_TRUE(driver.Form().window()->isVisible());
    EXPECT_EQ(probe.red, 0);
    EXPECT_TRUE(probe.vbasic);
    EXPECT_EQ(probe.text, "");
}

// Handlers that fail on every click, as a refused clipboard would make Copy fail.
class FailingClicks final : public platform::FormEvents {
public:
    void Notify(platform::Notification notification, const ControlRef& control) override {
        if (notification == platform::Notification::Click) {
            throw ServiceError("Could not do " + platform::ControlName(control) + ".");
        }
    }
};

TEST(QtFormFailures, AreShownWithoutBlockingTheWindow) {
    QtDriver driver(window::MainFormSpec());
    EventLog log(driver.View());
    FailingClicks handlers;
    log.ForwardTo(&handlers);
    driver.Load(log);
    driver.Click(Command1);
    auto* message = driver.Form().window()->findChild<QMessageBox*>();
    ASSERT_NE(message, nullptr) << "the failure was not shown";
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Could not do Command1.");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The window still takes the person's clicks while the message stands.
    log.Clear();
    driver.Click(cmdStandard(2));
    EXPECT_THAT(log.Lines(), ElementsAre("Click cmdStandard(2)"));
    EXPECT_EQ(message->text(), "Could not do cmdStandard(2).");
}

// Another window taking the activation, and giving it back, moves no focus within
// this one: the box is neither left nor entered.
TEST_F(MainFormWidgets, SwitchingToAnotherWindowAndBackNeitherLeavesNorEntersTheBox) {
    driver.FocusByTab(txtHex);
    ASSERT_THAT(log.Lines(), ElementsAre("GotFocus txtHex"));
    log.Clear();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
    EXPECT_EQ(QApplication::focusWidget(), Widget(txtHex));
    EXPECT_THAT(log.Lines(), IsEmpty());
}

class WithoutTopmost : public MainFormWidgets {
protected:
    WithoutTopmost() : MainFormWidgets({.topmost = false}) {}
};

TEST_F(WithoutTopmost, StayOnTopIsDisabledAndSaysWhy) {
    auto* box = qobject_cast<QCheckBox*>(Widget(chkTop));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->toolTip().isEmpty());
    driver.Click(chkTop);
    EXPECT_EQ(driver.View().CheckValue(chkTop), platform::CheckState::Unchecked);
    EXPECT_THAT(log.Lines(), IsEmpty());
    EXPECT_THROW(driver.View().SetTopmost(driver.View().WindowHandle(), true), ServiceError);
    EXPECT_FALSE(driver.Topmost());
}

TEST_F(MainFormWidgets, StayOnTopIsEnabledWithoutExcuseWhereItWorks) {
    QWidget* box = Widget(chkTop);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(box->toolTip().isEmpty());
}

// A window manager that starts or stops supporting it (a restart) is followed.
TEST_F(WithoutTopmost, StayOnTopFollowsTheCapabilities) {
    QWidget* box = Widget(chkTop);
    driver.Form().SetCapabilities({.topmost = true});
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(box->toolTip().isEmpty());
    driver.View().SetTopmost(driver.View().WindowHandle(), true);
    EXPECT_TRUE(driver.Topmost());
    driver.Form().SetCapabilities({.topmost = false});
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->toolTip().isEmpty());
    EXPECT_THROW(driver.View().SetTopmost(driver.View().WindowHandle(), false), ServiceError);
}

}  // namespace
}  // namespace tintcast::testing
