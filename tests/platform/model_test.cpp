// Random sequences of what a person can do, checked after every step against a small
// model of the window kept here. TINTCAST_SEED=<n> reruns one sequence.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "drivers.h"
#include "fakes/recording_view.h"
#include "window/main_window.h"

namespace tintcast::testing {
namespace {

using platform::ControlRef;
using window::chkTop;
using window::cmdStandard;
using window::Command1;
using window::optType;
using window::sclColor;
using window::txtColor;
using window::txtHex;

constexpr int kActions = 10'000;

// The preset colours by button index: bit 0 red, bit 1 green, bit 2 blue.
constexpr int PresetChannel(int preset, int channel) {
    return (preset >> channel) & 1 ? 255 : 0;
}

// What the window should show, and what its handlers should have written.
struct Model {
    std::array<int, 3> bars{0, 0, 0};
    int notation = 0;  // 0 VBasic, 1 HTML, 2 DBasic
    bool topmost = false;
    bool inBox = false;        // the output box has the focus
    bool allSelected = false;  // and all its text is selected
    std::optional<std::string> clipboard;

    int Swatch() const { return bars[0] + bars[1] * 256 + bars[2] * 65536; }
    std::string Text() const {
        char text[32];
        switch (notation) {
            case 0:
                std::snprintf(text, sizeof text, "&H%X", Swatch());
                break;
            case 1:
                std::snprintf(text, sizeof text, "#%02X%02X%02X", bars[0], bars[1], bars[2]);
                break;
            default:
                std::snprintf(text, sizeof text, "(%d,%d,%d)", bars[0], bars[1], bars[2]);
                break;
        }
        return text;
    }
};

// Writes by kind. Each refresh is one swatch colour and one text.
struct WriteCount {
    int refreshes = 0;
    int barSets = 0;
    int selStarts = 0;
    int selLengths = 0;
    int copies = 0;
    int topmost = 0;
};

std::string Describe(const WriteCount& w) {
    std::ostringstream out;
    out << "refreshes " << w.refreshes << ", bar sets " << w.barSets << ", SelStart " << w.selStarts
        << ", SelLength " << w.selLengths << ", copies " << w.copies << ", topmost " << w.topmost;
    return out.str();
}

std::uint64_t ChooseSeed() {
    if (const char* chosen = std::getenv("TINTCAST_SEED"); chosen != nullptr && *chosen != '\0') {
        return std::strtoull(chosen, nullptr, 10);
    }
    return std::random_device{}();
}

template <typename On>
class RandomActions : public ::testing::Test {
protected:
    RandomActions()
        : driver(On::Make(window::MainFormSpec())), recorder(driver->View()), handlers(recorder) {
        driver->Load(handlers);
        recorder.Clear();
    }

    // The person: focus leaves the box for whatever they click or key.
    void FocusMovesAway(WriteCount& expected) {
        if (model.inBox) {
            ++expected.selLengths;  // leaving clears the selection
        }
        model.inBox = false;
        model.allSelected = false;
    }
    void Refresh(WriteCount& expected) {
        ++expected.refreshes;
        model.allSelected = false;  // new text, caret at its end
    }
    void MoveBar(int bar, int value, WriteCount& expected) {
        const int clamped = value < 0 ? 0 : (value > 255 ? 255 : value);
        if (clamped != model.bars[bar]) {
            model.bars[bar] = clamped;
            Refresh(expected);
        }
    }
    void EnterBox(WriteCount& expected) {
        ++expected.selStarts;
        ++expected.selLengths;
        model.inBox = true;
        model.allSelected = true;
    }

    // Performs one random action on the driver and the model; returns what was done.
    std::string Act(std::mt19937_64& random, WriteCount& expected) {
        const auto pick = [&random](int from, int to) {
            return std::uniform_int_distribution<int>(from, to)(random);
        };
        const int bar = pick(0, 2);
        const auto barRef = sclColor(static_cast<std::int16_t>(bar));
        std::ostringstream what;
        switch (pick(0, 13)) {
            case 0:
            case 1:
            case 2: {
                struct Step {
                    BarAction action;
                    const char* name;
                    int delta;  // 999: to the top, -999: to the bottom
                };
                static constexpr Step kSteps[] = {
                    {BarAction::ArrowUp, "arrow up", 1},
                    {BarAction::ArrowDown, "arrow down", -1},
                    {BarAction::TrackAbove, "track above", 10},
                    {BarAction::TrackBelow, "track below", -10},
                    {BarAction::KeyUp, "Up", 1},
                    {BarAction::KeyDown, "Down", -1},
                    {BarAction::KeyPageUp, "Page Up", 10},
                    {BarAction::KeyPageDown, "Page Down", -10},
                    {BarAction::KeyHome, "Home", 999},
                    {BarAction::KeyEnd, "End", -999},
                };
                const Step& step = kSteps[pick(0, 9)];
                what << step.name << " on bar " << bar;
                driver->Bar(barRef, step.action);
                FocusMovesAway(expected);
                MoveBar(bar, model.bars[bar] + step.delta, expected);
                break;
            }
            case 3: {
                const int value = pick(-40, 295);
                what << "SetBarValue " << value << " on bar " << bar;
                driver->View().SetBarValue(barRef, static_cast<std::int16_t>(value));
                MoveBar(bar, value, expected);
                break;
            }
            case 4: {
                std::vector<std::int16_t> through;
                for (int i = pick(0, 2); i > 0; --i) {
                    through.push_back(static_cast<std::int16_t>(pick(0, 255)));
                }
                through.push_back(
                    DragTarget(*driver, barRef, static_cast<std::int16_t>(pick(0, 255))));
                what << "drag bar " << bar << " to " << through.back();
                driver->DragBar(barRef, through);
                FocusMovesAway(expected);
                MoveBar(bar, through.back(), expected);
                break;
            }
            case 5:
            case 6: {
                const int preset = pick(0, 7);
                what << "preset " << preset;
                driver->Click(cmdStandard(static_cast<std::int16_t>(preset)));
                FocusMovesAway(expected);
                expected.barSets += 3;
                for (int channel = 0; channel < 3; ++channel) {
                    MoveBar(channel, PresetChannel(preset, channel), expected);
                }
                break;
            }
            case 7:
            case 8: {
                const int option = pick(0, 2);
                what << "option " << option;
                driver->Click(optType(static_cast<std::int16_t>(option)));
                FocusMovesAway(expected);
                if (option != model.notation) {
                    model.notation = option;
                    Refresh(expected);
                }
                break;
            }
            case 9:
                what << "Tab into the box";
                driver->FocusByTab(txtHex);
                if (!model.inBox) {
                    EnterBox(expected);
                }
                break;
            case 10:
                what << "click into the box";
                driver->FocusByMouse(txtHex);
                if (model.inBox) {
                    model.allSelected = false;  // the press places the caret
                } else {
                    EnterBox(expected);
                }
                break;
            case 11: {
                static const std::array<ControlRef, 4> kElsewhere{Command1, sclColor(1),
                                                                  cmdStandard(4), chkTop};
                const ControlRef& other = kElsewhere[static_cast<std::size_t>(pick(0, 3))];
                what << "focus to " << other.name;
                driver->FocusOn(other);
                FocusMovesAway(expected);
                break;
            }
            case 12:
                what << "Copy";
                driver->Click(Command1);
                FocusMovesAway(expected);
                ++expected.copies;
                model.clipboard = model.Text();
                break;
            default:
                what << "Stay On Top";
                driver->Click(chkTop);
                FocusMovesAway(expected);
                ++expected.topmost;
                model.topmost = !model.topmost;
                break;
        }
        return what.str();
    }

    // Compares what a person sees and what was written with the model; true when all agree.
    bool Agrees(const WriteCount& expected) {
        bool agrees = true;
        const auto check = [&agrees](bool holds, const std::string& message) {
            if (!holds) {
                ADD_FAILURE() << message;
                agrees = false;
            }
        };
        platform::ViewServices& view = driver->View();
        const std::string text = model.Text();
        check(view.Text(txtHex) == text, "text " + view.Text(txtHex) + ", expected " + text);
        const std::int32_t swatch = driver->BackColor(txtColor);
        check(swatch == model.Swatch(),
              "swatch " + std::to_string(swatch) + ", expected " + std::to_string(model.Swatch()));
        int selected = 0;
        for (std::int16_t i = 0; i < 3; ++i) {
            selected += view.OptionValue(optType(i)) ? 1 : 0;
        }
        check(selected == 1, std::to_string(selected) + " options selected");
        check(view.OptionValue(optType(static_cast<std::int16_t>(model.notation))),
              "option " + std::to_string(model.notation) + " is not selected");
        for (std::int16_t i = 0; i < 3; ++i) {
            const int value = view.BarValue(sclColor(i));
            check(value >= 0 && value <= 255 && value == model.bars[static_cast<std::size_t>(i)],
                  "bar " + std::to_string(i) + " is " + std::to_string(value) + ", expected " +
                      std::to_string(model.bars[static_cast<std::size_t>(i)]));
        }
        const std::string selection = model.inBox && model.allSelected ? text : "";
        check(driver->SelectedText(txtHex) == selection,
              "selected \"" + driver->SelectedText(txtHex) + "\", expected \"" + selection + "\"");
        check(driver->Topmost() == model.topmost,
              "topmost is not " + std::to_string(model.topmost));
        if (model.clipboard) {
            check(driver->ClipboardText() == *model.clipboard,
                  "clipboard " + driver->ClipboardText() + ", expected " + *model.clipboard);
        }

        const auto count = [this](std::string_view operation) {
            return static_cast<int>(recorder.Writes(operation).size());
        };
        const WriteCount written{count("SetText"),          count("SetBarValue"),
                                 count("SetSelStart"),      count("SetSelLength"),
                                 count("SetClipboardText"), count("SetTopmost")};
        const int total = static_cast<int>(recorder.Writes().size());
        const int accounted = 2 * written.refreshes + written.barSets + written.selStarts +
                              written.selLengths + written.copies + written.topmost;
        check(count("SetBackColor") == written.refreshes && total == accounted,
              "writes outside a refresh: " + ::testing::PrintToString(recorder.Writes()));
        check(Describe(written) == Describe(expected),
              "wrote " + Describe(written) + "; expected " + Describe(expected));
        recorder.Clear();
        return agrees;
    }

    std::unique_ptr<FormDriver> driver;
    RecordingView recorder;
    window::frmMain handlers;
    Model model;
};

TYPED_TEST_SUITE(RandomActions, BothDrivers);

TYPED_TEST(RandomActions, KeepTextSwatchBarsAndOptionsConsistent) {
    const std::uint64_t seed = ChooseSeed();
    std::printf("seed %llu (rerun with TINTCAST_SEED=%llu)\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    this->RecordProperty("seed", std::to_string(seed));
    std::mt19937_64 random(seed);

    ASSERT_TRUE(this->Agrees({})) << "after loading";
    std::deque<std::string> recent;
    WriteCount total;  // shows that the run exercised every kind of write
    for (int step = 1; step <= kActions; ++step) {
        WriteCount expected;
        recent.push_back(this->Act(random, expected));
        total.refreshes += expected.refreshes;
        total.barSets += expected.barSets;
        total.selStarts += expected.selStarts;
        total.selLengths += expected.selLengths;
        total.copies += expected.copies;
        total.topmost += expected.topmost;
        if (recent.size() > 8) {
            recent.pop_front();
        }
        if (!this->Agrees(expected)) {
            std::string history;
            for (const std::string& action : recent) {
                history += "\n  " + action;
            }
            FAIL() << "seed " << seed << ", step " << step << "; the last actions:" << history;
        }
    }
    std::printf("%d actions: %s\n", kActions, Describe(total).c_str());
}

}  // namespace
}  // namespace tintcast::testing
