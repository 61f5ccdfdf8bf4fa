#include "controls/check_group_box.h"

#include <gtest/gtest.h>

namespace vantrel::controls {
namespace {

struct Box {
    Box() {
        box.OnCheckBoxClick = [this] { ++clicks; };
        box.OnClick = [this] { ++groupClicks; };
        box.enableContents = [this](bool e) { contents = e; };
        box.setCheckBoxState = [this](bool c) { checkBox = c; };
    }
    TCheckGroupBox box;
    int clicks = 0;
    int groupClicks = 0;
    bool contents = true;
    bool checkBox = true;
};

TEST(CheckGroupBoxTest, ContentsFollowTheTickAndCheckedEnables) {
    struct Case {
        bool checked, checkedEnables, contents;
    };
    const Case cases[] = {
        {true, true, true}, {false, true, false}, {true, false, false}, {false, false, true}};
    for (const auto& c : cases) {
        Box b;
        b.box.setCheckedEnables(c.checkedEnables, true);
        b.box.setChecked(c.checked);
        EXPECT_EQ(b.contents, c.contents) << c.checked << c.checkedEnables;
        EXPECT_EQ(b.box.contentsEnabled(), c.contents);
        EXPECT_EQ(b.checkBox, c.checked);
    }
}

TEST(CheckGroupBoxTest, UserClicksAndSetterCounts) {
    Box b;
    b.box.checkBoxClicked(false);
    EXPECT_FALSE(b.contents);
    EXPECT_EQ(b.clicks, 1);
    EXPECT_EQ(b.groupClicks, 1) << "the group's own OnClick runs first";
    b.box.checkBoxClicked(true);
    EXPECT_TRUE(b.contents);

    b.clicks = 0;
    b.box.setChecked(true);
    EXPECT_EQ(b.clicks, 1) << "same value: the setter's own run only";
    b.box.setChecked(false);
    EXPECT_EQ(b.clicks, 3) << "a change: the check box's click and the setter's";

    b.clicks = 0;
    b.box.setCheckedEnables(false, false);
    EXPECT_EQ(b.clicks, 0) << "a disabled group box does not re-run the click";
    EXPECT_FALSE(b.contents);
}

TEST(CheckGroupBoxTest, EnableNotification) {
    struct Case {
        bool checked, groupEnabled, flag, checkBox, visit;
    };
    const Case cases[] = {
        {true, true, true, true, true},
        {true, false, false, true, true},     // contents enabled keep the box enabled
        {false, false, false, false, false},  // disabled group with disabled contents
        {false, false, true, true, false},
        {false, true, false, true, false},
    };
    for (const auto& c : cases) {
        Box b;
        b.box.setChecked(c.checked);
        const auto d = b.box.onEnable(c.groupEnabled, c.flag);
        EXPECT_EQ(d.checkBoxEnabled, c.checkBox);
        EXPECT_EQ(d.visitChildren, c.visit);
    }
}

TEST(CheckGroupBoxTest, CaptionTooWideIsRefused) {
    Box b;
    EXPECT_EQ(b.box.setCaption(L"Automatic Optimization", 120, 200), 141);
    EXPECT_EQ(b.box.Caption(), L"Automatic Optimization");
    EXPECT_EQ(b.box.setCaption(L"Far too long a caption", 173, 200), -1) << "173 + 8 + 19 is not below 200";
    EXPECT_EQ(b.box.Caption(), L"Automatic Optimization");
    EXPECT_EQ(b.box.setCaption(L"Fits", 172, 200), 193);
}

}  // namespace
}  // namespace vantrel::controls
