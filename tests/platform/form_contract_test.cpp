// What the window's handlers rely on from the form runtime, checked the same way on
// the in-memory fake and on the real widgets: the fake is only useful while both agree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "drivers.h"
#include "event_log.h"
#include "platform/control_name.h"
#include "window/main_window.h"

namespace tintcast::testing {
namespace {

using platform::CheckState;
using platform::ControlKind;
using platform::ControlRef;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using window::chkTop;
using window::cmdExit;
using window::cmdStandard;
using window::Command1;
using window::optType;
using window::sclColor;
using window::txtColor;
using window::txtHex;

const char* ActionName(BarAction action) {
    switch (action) {
        case BarAction::ArrowUp:
            return "ArrowUp";
        case BarAction::ArrowDown:
            return "ArrowDown";
        case BarAction::TrackAbove:
            return "TrackAbove";
        case BarAction::TrackBelow:
            return "TrackBelow";
        case BarAction::KeyUp:
            return "KeyUp";
        case BarAction::KeyDown:
            return "KeyDown";
        case BarAction::KeyPageUp:
            return "KeyPageUp";
        case BarAction::KeyPageDown:
            return "KeyPageDown";
        case BarAction::KeyHome:
            return "KeyHome";
        case BarAction::KeyEnd:
            return "KeyEnd";
    }
    return "?";
}

std::string ChangeLine(const ControlRef& bar, int value) {
    return "Change " + platform::ControlName(bar) + " " + std::to_string(value);
}

// The main window, loaded with its own handlers behind a log of the notifications.
template <typename On>
class FormContract : public ::testing::Test {
protected:
    FormContract()
        : driver(On::Make(window::MainFormSpec())), log(driver->View()), handlers(driver->View()) {
        log.ForwardTo(&handlers);
        driver->Load(log);
        log.Clear();
    }

    platform::ViewServices& View() { return driver->View(); }
    int SelectedOptions() {
        int selected = 0;
        for (std::int16_t i = 0; i < 3; ++i) {
            selected += View().OptionValue(optType(i)) ? 1 : 0;
        }
        return selected;
    }

    std::unique_ptr<FormDriver> driver;
    EventLog log;
    window::frmMain handlers;
};

TYPED_TEST_SUITE(FormContract, BothDrivers);

TYPED_TEST(FormContract, SetBarValueRaisesChangeOnlyWhenTheValueChanges) {
    struct Case {
        std::int16_t set;
        std::int16_t expected;  // clamped to the bar's range
        bool changes;
    };
    const ControlRef bar = sclColor(1);
    for (const Case& c : {Case{100, 100, true}, Case{100, 100, false}, Case{300, 255, true},
                          Case{255, 255, false}, Case{32767, 255, false}, Case{-5, 0, true},
                          Case{-32768, 0, false}, Case{0, 0, false}, Case{1, 1, true}}) {
        SCOPED_TRACE(::testing::Message() << "set " << c.set);
        this->log.Clear();
        this->View().SetBarValue(bar, c.set);
        EXPECT_EQ(this->View().BarValue(bar), c.expected);
        if (c.changes) {
            EXPECT_THAT(this->log.Lines(), ElementsAre(ChangeLine(bar, c.expected)));
        } else {
            EXPECT_THAT(this->log.Lines(), IsEmpty());
        }
    }
    EXPECT_EQ(this->View().BarValue(sclColor(0)), 0);
    EXPECT_EQ(this->View().BarValue(sclColor(2)), 0);
}

TYPED_TEST(FormContract, StepsMoveTheBarAndStopAtItsEnds) {
    struct Case {
        BarAction action;
        std::int16_t from;
        std::int16_t to;
    };
    using enum BarAction;
    const Case cases[] = {
        {ArrowUp, 100, 101},    {ArrowDown, 100, 99},   {TrackAbove, 100, 110},
        {TrackBelow, 100, 90},  {KeyUp, 100, 101},      {KeyDown, 100, 99},
        {KeyPageUp, 100, 110},  {KeyPageDown, 100, 90}, {KeyHome, 100, 255},
        {KeyEnd, 100, 0},       {ArrowUp, 254, 255},    {ArrowUp, 255, 255},
        {TrackAbove, 250, 255}, {TrackAbove, 255, 255}, {KeyUp, 255, 255},
        {KeyPageUp, 249, 255},  {KeyPageUp, 255, 255},  {KeyHome, 255, 255},
        {ArrowDown, 1, 0},      {ArrowDown, 0, 0},      {TrackBelow, 5, 0},
        {TrackBelow, 0, 0},     {KeyDown, 0, 0},        {KeyPageDown, 9, 0},
        {KeyPageDown, 0, 0},    {KeyEnd, 0, 0},
    };
    const ControlRef bar = sclColor(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << ActionName(c.action) << " from " << c.from);
        this->View().SetBarValue(bar, c.from);
        this->log.Clear();
        this->driver->Bar(bar, c.action);
        EXPECT_EQ(this->View().BarValue(bar), c.to);
        if (c.to != c.from) {
            EXPECT_THAT(this->log.Lines(), ElementsAre(ChangeLine(bar, c.to)));
        } else {
            EXPECT_THAT(this->log.Lines(), IsEmpty());
        }
    }
    EXPECT_EQ(this->View().BarValue(sclColor(0)), 0);
    EXPECT_EQ(this->View().BarValue(sclColor(1)), 0);
}

TYPED_TEST(FormContract, DragChangesTheBarOnceOnRelease) {
    const ControlRef bar = sclColor(0);
    FormDriver& person = *this->driver;
    const std::int16_t middle = DragTarget(person, bar, 128);
    const std::int16_t low = DragTarget(person, bar, 60);
    struct Case {
        std::int16_t from;
        std::vector<std::int16_t> through;
    };
    for (const Case& c : {Case{0, {200, 100, middle}}, Case{middle, {255}}, Case{255, {0, 255}},
                          Case{255, {low}}, Case{low, {0}}, Case{0, {255, 0}}}) {
        SCOPED_TRACE(::testing::Message() << "drag from " << c.from << " to " << c.through.back());
        this->View().SetBarValue(bar, c.from);
        this->log.Clear();
        person.DragBar(bar, c.through);
        const std::int16_t last = c.through.back();
        EXPECT_EQ(this->View().BarValue(bar), last);
        if (last != c.from) {
            EXPECT_THAT(this->log.Lines(), ElementsAre(ChangeLine(bar, last)));
        } else {
            EXPECT_THAT(this->log.Lines(), IsEmpty());
        }
    }
}

TYPED_TEST(FormContract, ExactlyOneOptionIsSelectedAndClickComesOnlyWhenOneBecomesSelected) {
    EXPECT_TRUE(this->View().OptionValue(optType(0)));
    EXPECT_EQ(this->SelectedOptions(), 1);
    struct Case {
        std::int16_t clicked;
        bool raises;
    };
    for (const Case& c : {Case{1, true}, Case{1, false}, Case{2, true}, Case{0, true},
                          Case{0, false}, Case{2, true}}) {
        SCOPED_TRACE(::testing::Message() << "click optType(" << c.clicked << ")");
        this->log.Clear();
        this->driver->Click(optType(c.clicked));
        EXPECT_TRUE(this->View().OptionValue(optType(c.clicked)));
        EXPECT_EQ(this->SelectedOptions(), 1);
        if (c.raises) {
            EXPECT_THAT(this->log.Lines(),
                        ElementsAre("Click " + platform::ControlName(optType(c.clicked))));
        } else {
            EXPECT_THAT(this->log.Lines(), IsEmpty());
        }
    }
}

TYPED_TEST(FormContract, CheckBoxTogglesOnEachClick) {
    EXPECT_EQ(this->View().CheckValue(chkTop), CheckState::Unchecked);
    for (const CheckState expected :
         {CheckState::Checked, CheckState::Unchecked, CheckState::Checked}) {
        this->log.Clear();
        this->driver->Click(chkTop);
        EXPECT_EQ(this->View().CheckValue(chkTop), expected);
        EXPECT_EQ(this->driver->Topmost(), expected == CheckState::Checked);
        EXPECT_THAT(this->log.Lines(), ElementsAre("Click chkTop"));
    }
}

TYPED_TEST(FormContract, ButtonsRaiseClickEachTime) {
    struct Case {
        ControlRef button;
        std::vector<std::string> notifications;  // the handlers' bar sets follow the click
    };
    for (const Case& c :
         {Case{cmdStandard(3),
               {"Click cmdStandard(3)", "Change sclColor(0) 255", "Change sclColor(1) 255"}},
          Case{cmdStandard(3), {"Click cmdStandard(3)"}}, Case{Command1, {"Click Command1"}}}) {
        this->log.Clear();
        this->driver->Click(c.button);
        EXPECT_EQ(this->log.Lines(), c.notifications);
    }
    EXPECT_EQ(this->View().Text(txtHex), "&HFFFF");
    EXPECT_EQ(this->driver->ClipboardText(), "&HFFFF");
}

TYPED_TEST(FormContract, EnteringTheBoxSelectsAllItsTextAndLeavingClearsIt) {
    FormDriver& person = *this->driver;
    person.Click(cmdStandard(1));
    person.Click(optType(2));
    const std::string shown = "(255,0,0)";
    ASSERT_EQ(this->View().Text(txtHex), shown);
    struct Step {
        const char* what;
        void (FormDriver::*act)(const ControlRef&);
        ControlRef control;
        const char* selected;
        std::vector<std::string> notifications;
    };
    const Step steps[] = {
        {"tab in", &FormDriver::FocusByTab, txtHex, "(255,0,0)", {"GotFocus txtHex"}},
        {"leave", &FormDriver::FocusOn, Command1, "", {"LostFocus txtHex"}},
        {"click in", &FormDriver::FocusByMouse, txtHex, "(255,0,0)", {"GotFocus txtHex"}},
        {"tab while inside", &FormDriver::FocusByTab, txtHex, "(255,0,0)", {}},
        // A press inside the box it is already in places the caret.
        {"click while inside", &FormDriver::FocusByMouse, txtHex, "", {}},
        {"leave by a bar", &FormDriver::FocusOn, sclColor(1), "", {"LostFocus txtHex"}},
        {"tab in again", &FormDriver::FocusByTab, txtHex, "(255,0,0)", {"GotFocus txtHex"}},
        // Clicking a button takes the focus to it.
        {"click Copy", &FormDriver::Click, Command1, "", {"LostFocus txtHex", "Click Command1"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        this->log.Clear();
        (person.*step.act)(step.control);
        EXPECT_EQ(person.SelectedText(txtHex), step.selected);
        EXPECT_EQ(this->log.Lines(), step.notifications);
    }
    EXPECT_EQ(person.ClipboardText(), shown);
}

TYPED_TEST(FormContract, SelStartAndSelLengthCountCharactersAndClamp) {
    struct Case {
        const char* text;
        std::int32_t start;
        std::int32_t length;
        const char* selected;
    };
    for (const Case& c : {
             Case{"abcdef", 2, 3, "cde"},
             Case{"abcdef", 0, 6, "abcdef"},
             Case{"abcdef", 0, 100, "abcdef"},
             Case{"abcdef", 4, 100, "ef"},
             Case{"abcdef", 2, 0, ""},
             Case{"abcdef", 2, -1, ""},
             Case{"abcdef", 6, 2, ""},
             Case{"abcdef", 10, 2, ""},
             Case{"abcdef", -3, 2, "ab"},
             Case{"", 0, 5, ""},
             Case{"\xC3\xA9t\xC3\xA9!", 1, 2, "t\xC3\xA9"},         // "été!": 2-byte characters
             Case{"a\xF0\x9F\x8E\xA8z", 1, 1, "\xF0\x9F\x8E\xA8"},  // a 4-byte character is one
             Case{"a\xF0\x9F\x8E\xA8z", 2, 1, "z"},
         }) {
        SCOPED_TRACE(::testing::Message()
                     << c.text << " start " << c.start << " length " << c.length);
        this->View().SetText(txtHex, c.text);
        EXPECT_EQ(this->View().Text(txtHex), c.text);
        EXPECT_EQ(this->driver->SelectedText(txtHex), "");
        this->View().SetSelStart(txtHex, c.start);
        this->View().SetSelLength(txtHex, c.length);
        EXPECT_EQ(this->driver->SelectedText(txtHex), c.selected);
    }
}

TYPED_TEST(FormContract, SetSelStartRemovesTheSelectionAndSetTextReplacesIt) {
    platform::ViewServices& view = this->View();
    view.SetText(txtHex, "abcdef");
    view.SetSelStart(txtHex, 1);
    view.SetSelLength(txtHex, 3);
    ASSERT_EQ(this->driver->SelectedText(txtHex), "bcd");
    view.SetSelStart(txtHex, 2);
    EXPECT_EQ(this->driver->SelectedText(txtHex), "");
    view.SetSelLength(txtHex, 2);
    EXPECT_EQ(this->driver->SelectedText(txtHex), "cd");
    view.SetSelLength(txtHex, 1);  // shorter, from the same start
    EXPECT_EQ(this->driver->SelectedText(txtHex), "c");
    view.SetText(txtHex, "xyz");
    EXPECT_EQ(this->driver->SelectedText(txtHex), "");
    view.SetSelLength(txtHex, 2);  // the caret is at the end: nothing follows it
    EXPECT_EQ(this->driver->SelectedText(txtHex), "");
}

const std::vector<std::string> kTabOrderWithVBasic{
    "cmdExit",        "sclColor(0)",    "sclColor(1)",    "sclColor(2)",    "txtHex",
    "Command1",       "optType(0)",     "cmdStandard(7)", "cmdStandard(6)", "cmdStandard(5)",
    "cmdStandard(4)", "cmdStandard(3)", "cmdStandard(2)", "cmdStandard(1)", "cmdStandard(0)",
    "chkTop",         "txtColor"};

TYPED_TEST(FormContract, TabVisitsEveryStopOnceAndTheOptionGroupAtItsSelectedOption) {
    FormDriver& person = *this->driver;
    ASSERT_EQ(person.Focused(), "txtColor");  // the first stop has the focus at start
    EXPECT_THAT(Walk(person, FormKey::Tab, 17), ElementsAreArray(kTabOrderWithVBasic));

    std::vector<std::string> backwards(kTabOrderWithVBasic.rbegin() + 1,
                                       kTabOrderWithVBasic.rend());
    backwards.push_back("txtColor");
    EXPECT_THAT(Walk(person, FormKey::BackTab, 17), ElementsAreArray(backwards));

    // With DBasic selected the group's stop is DBasic's own, after the check box.
    person.Click(optType(2));
    person.FocusOn(txtColor);
    EXPECT_THAT(
        Walk(person, FormKey::Tab, 19),
        ElementsAre("cmdExit", "sclColor(0)", "sclColor(1)", "sclColor(2)", "txtHex", "Command1",
                    "cmdStandard(7)", "cmdStandard(6)", "cmdStandard(5)", "cmdStandard(4)",
                    "cmdStandard(3)", "cmdStandard(2)", "cmdStandard(1)", "cmdStandard(0)",
                    "chkTop", "optType(2)", "txtColor", "cmdExit", "sclColor(0)"));
}

TYPED_TEST(FormContract, ArrowsMoveThroughTheOptionGroupSelectingAndTheTabStopFollows) {
    FormDriver& person = *this->driver;
    person.FocusOn(Command1);
    person.Key(FormKey::Tab);
    ASSERT_EQ(person.Focused(), "optType(0)");
    struct Case {
        FormKey key;
        std::int16_t lands;  // VBasic stands above HTML, first in the group
    };
    for (const Case& c : {Case{FormKey::Down, 1}, Case{FormKey::Up, 0}}) {
        this->log.Clear();
        person.Key(c.key);
        const std::string landed = platform::ControlName(optType(c.lands));
        EXPECT_EQ(person.Focused(), landed);
        EXPECT_TRUE(this->View().OptionValue(optType(c.lands)));
        EXPECT_EQ(this->SelectedOptions(), 1);
        EXPECT_THAT(this->log.Lines(), ElementsAre("Click " + landed));
    }
    person.Key(FormKey::Down);
    EXPECT_EQ(this->View().Text(txtHex), "#000000");
    person.FocusOn(Command1);
    EXPECT_THAT(Walk(person, FormKey::Tab, 2), ElementsAre("optType(1)", "cmdStandard(7)"));
}

TYPED_TEST(FormContract, AccessKeysClickTheirButtons) {
    FormDriver& person = *this->driver;
    person.Key(FormKey::Alt, 'C');
    EXPECT_THAT(this->log.Lines(), ElementsAre("Click Command1"));
    EXPECT_EQ(person.ClipboardText(), "&H0");
    this->log.Clear();
    person.Key(FormKey::Alt, 'x');  // either case
    EXPECT_THAT(this->log.Lines(), ElementsAre("Click cmdExit"));
}

TYPED_TEST(FormContract, ReturnClicksTheFocusedButtonAndSpaceTheFocusedCheckBox) {
    FormDriver& person = *this->driver;
    for (const ControlRef& button : {Command1, cmdStandard(3)}) {
        SCOPED_TRACE(platform::ControlName(button));
        person.FocusOn(button);
        this->log.Clear();
        person.Key(FormKey::Return);
        ASSERT_FALSE(this->log.Lines().empty());
        EXPECT_EQ(this->log.Lines().front(), "Click " + platform::ControlName(button));
        EXPECT_EQ(person.Focused(), platform::ControlName(button));
    }
    person.FocusOn(chkTop);
    this->log.Clear();
    person.Key(FormKey::Return);  // a check box is no push button
    EXPECT_THAT(this->log.Lines(), IsEmpty());
    person.Key(FormKey::Space);
    EXPECT_THAT(this->log.Lines(), ElementsAre("Click chkTop"));
    EXPECT_TRUE(person.Topmost());
    person.FocusOn(cmdExit);
    this->log.Clear();
    person.Key(FormKey::Return);
    EXPECT_THAT(this->log.Lines(), ElementsAre("Click cmdExit"));
}

TYPED_TEST(FormContract, StayOnTopFollowsSetTopmostAndRefusesAnotherWindow) {
    const platform::NativeWindow handle = this->View().WindowHandle();
    ASSERT_NE(handle, 0U);
    for (const bool topmost : {true, false, true}) {
        this->View().SetTopmost(handle, topmost);
        EXPECT_EQ(this->driver->Topmost(), topmost);
    }
    EXPECT_THROW(this->View().SetTopmost(handle + 1, false), platform::ServiceError);
    EXPECT_THROW(this->View().SetTopmost(0, false), platform::ServiceError);
    EXPECT_TRUE(this->driver->Topmost());
}

TYPED_TEST(FormContract, StayOnTopLeavesAnotherActiveWindowActive) {
    FormDriver& person = *this->driver;
    person.ActivateAnotherWindow();
    ASSERT_TRUE(person.AnotherWindowActive());
    const platform::NativeWindow handle = this->View().WindowHandle();
    for (const bool topmost : {true, false}) {
        this->View().SetTopmost(handle, topmost);
        EXPECT_EQ(person.Topmost(), topmost);
        EXPECT_TRUE(person.AnotherWindowActive()) << "Stay On Top " << topmost;
    }
}

template <typename On>
class FormBuild : public ::testing::Test {};
TYPED_TEST_SUITE(FormBuild, BothDrivers);

TYPED_TEST(FormBuild, RefusesAControlInAFrameNotYetDefined) {
    constexpr std::array<platform::ControlSpec, 2> kLateFrame{{
        {.name = "txtOrphan", .kind = ControlKind::TextBox, .parent = "fraLater"},
        {.name = "fraLater", .kind = ControlKind::Frame},
    }};
    const platform::FormSpec spec{.name = "frmOrphan", .caption = "Orphan", .controls = kLateFrame};
    EXPECT_THROW(TypeParam::Make(spec), std::invalid_argument);
}

// A bar whose smaller end is at the top, with other steps: nothing is special to 0..255.
constexpr platform::BarRange kDownward{
    .top = 0, .bottom = 100, .smallChange = 2, .largeChange = 25};
constexpr std::array<platform::ControlSpec, 1> kProbeControls{{
    {.name = "vsbProbe",
     .kind = ControlKind::VScrollBar,
     .place = {120, 120, 315, 3315},
     .tabIndex = 0,
     .initialValue = 50,
     .bar = kDownward},
}};
constexpr platform::FormSpec kProbeForm{.name = "frmProbe",
                                        .caption = "Probe",
                                        .clientWidth = 600,
                                        .clientHeight = 3600,
                                        .controls = kProbeControls};

template <typename On>
class DownwardBar : public ::testing::Test {
protected:
    DownwardBar() : driver(On::Make(kProbeForm)), log(driver->View()) {
        driver->Load(log);
        log.Clear();
    }
    std::unique_ptr<FormDriver> driver;
    EventLog log;
};

TYPED_TEST_SUITE(DownwardBar, BothDrivers);

TYPED_TEST(DownwardBar, StepsFollowTheThumbWhicheverWayTheRangeRuns) {
    const ControlRef bar{"vsbProbe"};
    struct Case {
        BarAction action;
        std::int16_t to;
    };
    using enum BarAction;
    for (const Case& c :
         {Case{ArrowUp, 48}, Case{ArrowDown, 52}, Case{TrackAbove, 25}, Case{TrackBelow, 75},
          Case{KeyUp, 48}, Case{KeyDown, 52}, Case{KeyPageUp, 25}, Case{KeyPageDown, 75},
          Case{KeyHome, 0}, Case{KeyEnd, 100}}) {
        SCOPED_TRACE(ActionName(c.action));
        this->driver->View().SetBarValue(bar, 50);
        this->log.Clear();
        this->driver->Bar(bar, c.action);
        EXPECT_EQ(this->driver->View().BarValue(bar), c.to);
        EXPECT_THAT(this->log.Lines(), ElementsAre("Change vsbProbe " + std::to_string(c.to)));
    }
    this->driver->View().SetBarValue(bar, 150);
    EXPECT_EQ(this->driver->View().BarValue(bar), 100);
    this->driver->View().SetBarValue(bar, -1);
    EXPECT_EQ(this->driver->View().BarValue(bar), 0);
}

TYPED_TEST(DownwardBar, DraggingDownRaisesTheValue) {
    const ControlRef bar{"vsbProbe"};
    const std::int16_t target = DragTarget(*this->driver, bar, 80);
    const std::int16_t start = this->driver->View().BarValue(bar);
    this->driver->DragBar(bar, std::vector<std::int16_t>{10, 100, target});
    EXPECT_EQ(this->driver->View().BarValue(bar), target);
    EXPECT_THAT(this->log.Lines(), ElementsAre("Change vsbProbe " + std::to_string(target)));
    EXPECT_GT(target, start);
}

}  // namespace
}  // namespace tintcast::testing
