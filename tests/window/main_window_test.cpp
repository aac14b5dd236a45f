#include "window/main_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_view.h"
#include "fakes/recording_view.h"

namespace tintcast::window {
namespace {

using platform::CheckState;
using testing::FakeView;
using testing::RecordingView;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The window on the fake, loaded, with a log of every write its handlers make.
class MainWindow : public ::testing::Test {
protected:
    MainWindow() : view(MainFormSpec()), recorder(view), form(recorder) { view.Load(form); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const std::string& line : recorder.Writes("SetText")) {
            texts.push_back(line.substr(std::string("SetText txtHex ").size()));
        }
        return texts;
    }
    void SetBars(std::int16_t red, std::int16_t green, std::int16_t blue) {
        view.SetBarValue(sclColor(0), red);
        view.SetBarValue(sclColor(1), green);
        view.SetBarValue(sclColor(2), blue);
        recorder.Clear();
    }

    FakeView view;
    RecordingView recorder;
    frmMain form;
};

TEST_F(MainWindow, OpensBlackShowingAmpersandH0) {
    EXPECT_EQ(view.Text(txtHex), "&H0");
    EXPECT_EQ(view.BackColor(txtColor), 0);
    EXPECT_TRUE(view.OptionValue(optType(0)));
    EXPECT_FALSE(view.OptionValue(optType(1)));
    EXPECT_FALSE(view.OptionValue(optType(2)));
    EXPECT_EQ(view.CheckValue(chkTop), CheckState::Unchecked);
    EXPECT_THAT(recorder.Writes(), ElementsAre("SetBackColor txtColor 0", "SetText txtHex &H0"));
}

TEST_F(MainWindow, RefreshPaintsTheSwatchBeforeWritingTheText) {
    recorder.Clear();
    view.Bar(sclColor(2), testing::BarAction::KeyHome);
    EXPECT_THAT(recorder.Writes(),
                ElementsAre("SetBackColor txtColor 16711680", "SetText txtHex &HFF0000"));
}

TEST_F(MainWindow, RefreshingTwiceWithoutAChangeGivesTheSameResult) {
    SetBars(18, 52, 86);
    view.Click(optType(1));
    form.UpdateColor();
    const std::vector<std::string> first = recorder.Writes();
    recorder.Clear();
    form.UpdateColor();
    EXPECT_EQ(recorder.Writes(), std::vector<std::string>(first.end() - 2, first.end()));
    EXPECT_EQ(view.Text(txtHex), "#123456");
    EXPECT_EQ(view.BackColor(txtColor), 0x563412);
}

// The swatch shows the colour whatever the notation; only the text changes form.
TEST_F(MainWindow, NotationsChangeTheTextButNotTheSwatch) {
    struct Case {
        std::int16_t red, green, blue;
        const char* vbasic;
        const char* html;
        const char* dbasic;
    };
    for (const Case& c : {Case{255, 0, 0, "&HFF", "#FF0000", "(255,0,0)"},
                          Case{0, 0, 255, "&HFF0000", "#0000FF", "(0,0,255)"},
                          Case{18, 52, 86, "&H563412", "#123456", "(18,52,86)"}}) {
        view.Click(optType(0));
        SetBars(c.red, c.green, c.blue);
        const std::int32_t swatch = view.BackColor(txtColor);
        EXPECT_EQ(swatch, c.red + c.green * 256 + c.blue * 65536);
        EXPECT_EQ(view.Text(txtHex), c.vbasic);
        view.Click(optType(1));
        EXPECT_EQ(view.Text(txtHex), c.html);
        EXPECT_EQ(view.BackColor(txtColor), swatch);
        view.Click(optType(2));
        EXPECT_EQ(view.Text(txtHex), c.dbasic);
        EXPECT_EQ(view.BackColor(txtColor), swatch);
    }
}

TEST_F(MainWindow, SelectingTheShownNotationAgainRefreshesNothing) {
    recorder.Clear();
    view.Click(optType(0));
    EXPECT_THAT(recorder.Writes(), IsEmpty());
}

struct PresetCase {
    const char* name;
    std::array<std::int16_t, 3> from;
    std::int16_t preset;
    std::vector<std::string> texts;  // one refresh per changed bar, in red, green, blue order

    friend void PrintTo(const PresetCase& c, std::ostream* out) { *out << c.name; }
};

class Presets : public MainWindow, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(Presets, RefreshOncePerChangedBar) {
    const PresetCase& c = GetParam();
    SetBars(c.from[0], c.from[1], c.from[2]);
    form.cmdStandard_Click(c.preset);
    EXPECT_EQ(Texts(), c.texts);
    EXPECT_EQ(recorder.Writes("SetBackColor").size(), c.texts.size());
    EXPECT_THAT(recorder.Writes("SetBarValue"), ::testing::SizeIs(3));
    const notation::ChannelSet& row = PresetTable[static_cast<std::size_t>(c.preset)];
    for (std::int16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(view.BarValue(sclColor(i)), row[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(view.BackColor(txtColor), notation::ComposeDisplayColor(row));
}

INSTANTIATE_TEST_SUITE_P(
    Transitions, Presets,
    ::testing::Values(
        PresetCase{"BlackToWhitePassesRedAndYellow", {0, 0, 0}, 7, {"&HFF", "&HFFFF", "&HFFFFFF"}},
        PresetCase{"WhiteAgainChangesNothing", {255, 255, 255}, 7, {}},
        PresetCase{"BlackAgainChangesNothing", {0, 0, 0}, 0, {}},
        PresetCase{"BlackToRedChangesOneBar", {0, 0, 0}, 1, {"&HFF"}},
        PresetCase{"YellowToCyanChangesTwoBars", {255, 255, 0}, 6, {"&HFF00", "&HFFFF00"}},
        PresetCase{"MixedToBlueChangesThree", {18, 52, 86}, 4, {"&H563400", "&H560000", "&HFF0000"}}),
    [](const ::testing::TestParamInfo<PresetCase>& tested) { return std::string(tested.param.name); });

TEST_F(MainWindow, PresetIndexOutsideTheTableDoesNothing) {
    SetBars(18, 52, 86);
    for (const std::int16_t index : {std::int16_t{-1}, std::int16_t{8}, std::int16_t{-32768},
                                     std::int16_t{32767}}) {
        form.cmdStandard_Click(index);
    }
    EXPECT_THAT(recorder.Writes(), IsEmpty());
    EXPECT_EQ(view.Text(txtHex), "&H563412");
}

TEST_F(MainWindow, PresetClickArrivesThroughTheNotification) {
    view.Click(optType(2));
    view.Click(cmdStandard(5));
    EXPECT_EQ(view.Text(txtHex), "(255,0,255)");
}

TEST_F(MainWindow, EnteringTheBoxSelectsAllOfItsText) {
    SetBars(255, 0, 0);
    view.Click(optType(2));
    view.FocusByTab(txtHex);
    EXPECT_EQ(view.SelectedText(txtHex), "(255,0,0)");
    view.FocusOn(Command1);
    EXPECT_EQ(view.SelLength(txtHex), 0);
    EXPECT_EQ(view.SelStart(txtHex), 0);
    view.FocusByMouse(txtHex);
    EXPECT_EQ(view.SelectedText(txtHex), "(255,0,0)");
}

TEST_F(MainWindow, SelectionCountsCharactersNotBytes) {
    view.SetText(txtHex, "\xC3\xA9t\xC3\xA9");  // "été": three characters in five bytes
    form.txtHex_GotFocus();
    EXPECT_THAT(recorder.Writes(), ::testing::Contains("SetSelLength txtHex 3"));
}

TEST_F(MainWindow, CopyPutsExactlyTheBoxTextOnTheClipboard) {
    SetBars(255, 0, 0);
    view.Click(optType(2));
    view.Click(Command1);
    EXPECT_EQ(view.Clipboard(), "(255,0,0)");
    view.SetText(txtHex, "  spaced text\n");
    view.Click(Command1);
    EXPECT_EQ(view.Clipboard(), "  spaced text\n");
}

TEST_F(MainWindow, AFailedCopyIsReportedAndTheWindowCarriesOn) {
    view.FailClipboard(true);
    view.Click(Command1);
    EXPECT_THAT(view.Failures(), ElementsAre("The text could not be put on the clipboard."));
    EXPECT_FALSE(view.Clipboard().has_value());
    view.FailClipboard(false);
    view.Click(cmdStandard(1));
    view.Click(Command1);
    EXPECT_EQ(view.Clipboard(), "&HFF");
}

TEST_F(MainWindow, StayOnTopFollowsTheBox) {
    view.Click(chkTop);
    EXPECT_TRUE(view.Topmost());
    view.Click(chkTop);
    EXPECT_FALSE(view.Topmost());
    view.Click(chkTop);
    view.SetCheckState(chkTop, CheckState::Grayed);
    form.chkTop_Click();
    EXPECT_FALSE(view.Topmost());
    EXPECT_THAT(recorder.Writes("SetTopmost"), ElementsAre("SetTopmost on", "SetTopmost off",
                                                            "SetTopmost on", "SetTopmost off"));
}

TEST_F(MainWindow, ExitUnloadsThenEnds) {
    recorder.Clear();
    view.Click(cmdExit);
    EXPECT_THAT(recorder.Writes(), ElementsAre("UnloadForm", "EndProgram"));
    EXPECT_TRUE(view.Unloaded());
    EXPECT_TRUE(view.Ended());
}

// Output actions never touch the colour or the notation.
TEST_F(MainWindow, OutputActionsNeverRefresh) {
    recorder.Clear();
    view.FocusByTab(txtHex);
    view.FocusOn(Command1);
    view.Click(Command1);
    view.Click(chkTop);
    view.Click(chkTop);
    EXPECT_THAT(recorder.Writes("SetText"), IsEmpty());
    EXPECT_THAT(recorder.Writes("SetBackColor"), IsEmpty());
}

TEST_F(MainWindow, NotificationsForOtherControlsAreIgnored) {
    recorder.Clear();
    using platform::Notification;
    form.Notify(Notification::Click, {name::Label1});
    form.Notify(Notification::Change, {name::optType, 0});
    form.Notify(Notification::GotFocus, {name::txtColor});
    form.Notify(Notification::Load, {name::Frame1});
    EXPECT_THAT(recorder.Writes(), IsEmpty());
}

}  // namespace
}  // namespace tintcast::window
