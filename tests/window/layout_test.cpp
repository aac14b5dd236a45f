#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "platform/control_lookup.h"
#include "window/layout.h"
#include "window/presets.h"

namespace tintcast::window {
namespace {

using platform::ControlKind;
using platform::ControlSpec;

const ControlSpec* Find(std::string_view controlName, std::int16_t index = platform::kNoIndex) {
    return platform::FindControl(MainFormSpec().controls, {controlName, index});
}

TEST(Layout, EveryControlIsUniqueAndLiesInsideItsParent) {
    const platform::FormSpec form = MainFormSpec();
    std::set<std::pair<std::string_view, int>> seen;
    std::set<int> tabs;
    for (const ControlSpec& control : form.controls) {
        EXPECT_TRUE(seen.emplace(control.name, control.index).second) << control.name;
        if (control.tabIndex != platform::kNoTab) {
            EXPECT_TRUE(tabs.insert(control.tabIndex).second) << control.name;
        }
        int width = form.clientWidth;
        int height = form.clientHeight;
        if (!control.parent.empty()) {
            // Frames are created before what they hold.
            const ControlSpec* frame = Find(control.parent);
            ASSERT_NE(frame, nullptr) << control.name;
            ASSERT_EQ(frame->kind, ControlKind::Frame);
            EXPECT_TRUE(seen.contains({frame->name, frame->index})) << control.name;
            width = frame->place.width;
            height = frame->place.height;
        }
        EXPECT_GE(control.place.left, 0) << control.name;
        EXPECT_GE(control.place.top, 0) << control.name;
        EXPECT_LE(control.place.left + control.place.width, width) << control.name;
        EXPECT_LE(control.place.top + control.place.height, height) << control.name;
    }
    EXPECT_EQ(form.controls.size(), 28U);
}

TEST(Layout, PresetFacesAreTheColoursTheySet) {
    for (std::int16_t i = 0; i < 8; ++i) {
        const ControlSpec* button = Find(name::cmdStandard, i);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->background.has_value());
        const notation::ChannelSet& row = PresetTable[static_cast<std::size_t>(i)];
        EXPECT_EQ(platform::PackRgb(*button->background), notation::ComposeDisplayColor(row)) << i;
        EXPECT_FALSE(button->accessibleName.empty());
        EXPECT_EQ(button->place.height, i == 6 ? 375 : 360);
    }
}

}  // namespace
}  // namespace tintcast::window
