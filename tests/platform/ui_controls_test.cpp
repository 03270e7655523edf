#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/threads.h"
#include "platform/ui/form.h"
#include "platform/window/window.h"
#include "support/ui_harness.h"

namespace {

using namespace win;
using ui::Kind;

const ui::FormSpec kControlsForm{
    "控件",
    40,
    40,
    420,
    460,
    {
        {Kind::EditBox, "编辑框1", "", 10, 10, 152, 24, "查找"},
        {Kind::ComboBox, "组合框1", "", 10, 40, 97, 27, "TV版\n剧场版"},
        {Kind::ComboBox, "组合框2", "", 110, 40, 81, 27, "国语\n日语"},
        {Kind::ListView, "超级列表框1", "", 10, 80, 300, 200},
        {Kind::CheckBox, "选择框1", "", 10, 290, 120, 20, "总在最前"},
        {Kind::HyperlinkLabel, "超级链接框1", "", 140, 290, 120, 20, "访问主页"},
        {Kind::VScrollBar, "纵向滚动条1", "", 320, 80, 20, 200},
        {Kind::Timer, "时钟1", ""},
        {Kind::Label, "标签7", "", 10, 320, 60, 20, "预览图"},
        {Kind::HtmlView, "超文本浏览框1", "", 200, 320, 200, 100},
    },
};

struct ControlsWindow : ui::Form {
    ControlsWindow() : Form(kControlsForm) {}
    ui::EditBox& 编辑框1 = Get<ui::EditBox>("编辑框1");
    ui::ComboBox& 组合框1 = Get<ui::ComboBox>("组合框1");
    ui::ComboBox& 组合框2 = Get<ui::ComboBox>("组合框2");
    ui::ListView& 超级列表框1 = Get<ui::ListView>("超级列表框1");
    ui::CheckBox& 选择框1 = Get<ui::CheckBox>("选择框1");
    ui::HyperlinkLabel& 超级链接框1 = Get<ui::HyperlinkLabel>("超级链接框1");
    ui::VScrollBar& 纵向滚动条1 = Get<ui::VScrollBar>("纵向滚动条1");
    ui::Timer& 时钟1 = Get<ui::Timer>("时钟1");
    ui::Label& 标签7 = Get<ui::Label>("标签7");
    ui::HtmlView& 超文本浏览框1 = Get<ui::HtmlView>("超文本浏览框1");
};

class UiControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Load();
        harness::PumpUntilIdle();
    }
    harness::UiSession session;
    ControlsWindow window;
    std::vector<std::string> events;
};

// The search box as the episode browser drives it: placeholder cleared on
// focus, typing (also two-byte characters), backspace by whole characters.
TEST_F(UiControlsTest, EditBoxTypingBackspaceCaretAndFocusEvents) {
    ui::EditBox& box = window.编辑框1;
    box.SetTextColor(12632256);
    box.GotFocus = [&] {
        events.push_back("got");
        if (box.Text() == "查找" && box.TextColor() == 12632256) {
            box.SetText("");
            box.SetTextColor(16746496);
        }
    };
    box.LostFocus = [&] { events.push_back("lost"); };
    box.TextChanged = [&] { events.push_back("changed:" + box.Text()); };

    session.TypeInto(box, "第12集");
    EXPECT_EQ(box.Text(), "第12集");
    EXPECT_EQ(box.Caret(), int(std::string("第12集").size()));
    EXPECT_EQ(box.TextColor(), 16746496u);
    std::vector<std::string> typed{"got",         "changed:",     "changed:第",
                                   "changed:第1", "changed:第12", "changed:第12集"};
    EXPECT_EQ(events, typed);

    session.Key(VK_BACK);
    EXPECT_EQ(box.Text(), "第12");
    session.Key(VK_HOME);
    session.Key(VK_RIGHT);  // past the two bytes of 第
    session.Key(VK_DELETE);
    EXPECT_EQ(box.Text(), "第2");
    EXPECT_EQ(box.Caret(), 2);

    events.clear();
    session.Click(window.超级列表框1);
    EXPECT_EQ(events, std::vector<std::string>{"lost"});
}

TEST_F(UiControlsTest, EditBoxReportsTextSetFromCodeOnlyWhenItChanges) {
    int changes = 0;
    window.编辑框1.TextChanged = [&] { ++changes; };
    window.编辑框1.SetText("查找");
    EXPECT_EQ(changes, 0);
    window.编辑框1.SetText("");
    window.编辑框1.SetText("");
    EXPECT_EQ(changes, 1);
}

TEST_F(UiControlsTest, DisabledEditBoxTakesNoTyping) {
    window.编辑框1.SetEnabled(false);
    session.TypeInto(window.编辑框1, "abc");
    EXPECT_EQ(window.编辑框1.Text(), "查找");
    EXPECT_FALSE(window.编辑框1.Enabled());
}

// A person's choice: list closed first, then item chosen (also for the item
// already selected); a press elsewhere closes the list without a choice.
TEST_F(UiControlsTest, ComboChoiceReportsListClosedThenItemChosen) {
    ui::ComboBox& combo = window.组合框2;
    combo.ItemChosen = [&] { events.push_back("chosen " + std::to_string(combo.Selected())); };
    combo.ListClosed = [&] {
        events.push_back("closed");
        window.标签7.Focus();
    };
    combo.Select(0);
    EXPECT_TRUE(events.empty());  // selection from code is not reported

    session.ChooseItem(combo, 1);
    EXPECT_EQ(combo.Selected(), 1);
    EXPECT_EQ(combo.ItemText(combo.Selected()), "日语");
    EXPECT_FALSE(combo.ListOpen());
    EXPECT_EQ(events, (std::vector<std::string>{"closed", "chosen 1"}));

    events.clear();
    session.ChooseItem(combo, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"closed", "chosen 1"}));

    events.clear();
    session.Click(combo);
    ASSERT_TRUE(combo.ListOpen());
    HWND list = combo.ListWindow();
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & WS_POPUP);
    session.Click(window.超级列表框1);
    EXPECT_FALSE(combo.ListOpen());
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(events, std::vector<std::string>{"closed"});
    EXPECT_EQ(combo.Selected(), 1);
}

TEST_F(UiControlsTest, ComboItemsCarryData) {
    ui::ComboBox& combo = window.组合框1;
    combo.Clear();
    EXPECT_EQ(combo.Selected(), -1);
    EXPECT_EQ(combo.AddItem("搜狐", 7), 0);
    EXPECT_EQ(combo.AddItem("乐视", -3), 1);
    EXPECT_EQ(combo.ItemData(1), -3);
    EXPECT_EQ(combo.ItemText(0), "搜狐");
    EXPECT_EQ(combo.ItemText(5), "");
    combo.Select(9);
    EXPECT_EQ(combo.Selected(), -1);
    session.ChooseItem(combo, 0);
    EXPECT_EQ(combo.ItemData(combo.Selected()), 7);
}

class UiListViewTest : public UiControlsTest {
  protected:
    void SetUp() override {
        UiControlsTest::SetUp();
        list.AddColumn("", 0);
        list.AddColumn("集数", 60, ui::ListView::Align::Center);
        list.AddColumn("目录", 200, ui::ListView::Align::Center);
        list.AddColumn("播放id_搜狐", 0);
        for (int n = 1; n <= 775; ++n) {
            int row = list.AppendRow();
            list.SetCell(row, 1, std::to_string(row + 1));
            list.SetCell(row, 2, "第" + std::to_string(n) + "集");
            list.SetCell(row, 3, "id" + std::to_string(n));
        }
        list.LeftClicked = [&] { clicked.push_back(list.SelectedRow()); };
        harness::PumpUntilIdle();
    }
    ui::ListView& list = window.超级列表框1;
    std::vector<int> clicked;
};

TEST_F(UiListViewTest, LeftClickSelectsTheRowUnderTheMouseAndHiddenColumnsKeepTexts) {
    int rowHeight = ui::ListView::kRowHeight;
    session.ClickAt(list, POINT{30, 1 + 2 * rowHeight + 5});
    EXPECT_EQ(list.SelectedRow(), 2);
    EXPECT_EQ(list.Cell(2, 3), "id3");
    EXPECT_EQ(list.Cell(2, 0), "");
    EXPECT_EQ(list.Cell(775, 1), "");  // no such row
    EXPECT_EQ(list.Cell(2, 9), "");    // no such column
    EXPECT_EQ(clicked, std::vector<int>{2});
}

TEST_F(UiListViewTest, WheelScrollsThreeRowsANotchWithinTheRows) {
    session.Scroll(list, -2);
    EXPECT_EQ(list.TopRow(), 6);
    session.ClickAt(list, POINT{30, 1 + 5});
    EXPECT_EQ(list.SelectedRow(), 6);
    session.Scroll(list, 5);
    EXPECT_EQ(list.TopRow(), 0);
    list.ScrollTo(100000);
    int visible = (200 - 2) / ui::ListView::kRowHeight;
    EXPECT_EQ(list.TopRow(), 775 - visible);
    session.ClickAt(list, POINT{30, 1 + (visible - 1) * ui::ListView::kRowHeight + 5});
    EXPECT_EQ(list.SelectedRow(), 774);
}

TEST_F(UiListViewTest, AClickBelowTheRowsSelectsNothingAndDeleteEmpties) {
    list.DeleteAllRows();
    EXPECT_EQ(list.RowCount(), 0);
    list.AppendRow();
    session.ClickAt(list, POINT{30, 150});
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_EQ(list.Cell(list.SelectedRow(), 1), "");
    EXPECT_EQ(clicked, std::vector<int>{-1});
}

TEST_F(UiListViewTest, SuspendedRedrawPaintsNothingUntilResumed) {
    RECT update{};
    list.SetRedraw(false);
    list.SetCell(0, 2, "改");
    list.AppendRow();
    EXPECT_FALSE(GetUpdateRect(list.Hwnd(), &update, FALSE));
    list.SetRedraw(true);
    EXPECT_TRUE(GetUpdateRect(list.Hwnd(), &update, FALSE));
    EXPECT_EQ(list.RowCount(), 776);
}

TEST_F(UiControlsTest, CheckBoxTogglesBeforeItsClick) {
    std::vector<bool> seen;
    window.选择框1.Clicked = [&] { seen.push_back(window.选择框1.Checked()); };
    session.Click(window.选择框1);
    session.Click(window.选择框1);
    window.选择框1.SetChecked(true);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    EXPECT_TRUE(window.选择框1.Checked());
}

TEST_F(UiControlsTest, HyperlinkOpensItsAddressInTheBrowser) {
    int clicks = 0;
    window.超级链接框1.Clicked = [&] { ++clicks; };
    window.超级链接框1.SetAddress("http://example.test/主页");
    session.Click(window.超级链接框1);
    EXPECT_EQ(session.OpenedAddresses(), std::vector<std::string>{"http://example.test/主页"});
    EXPECT_EQ(clicks, 1);
}

TEST_F(UiControlsTest, ScrollBarArrowsTrackAndWheelNotches) {
    ui::VScrollBar& bar = window.纵向滚动条1;
    bar.SetMaximum(300);
    bar.SetLineStep(10);
    bar.SetPageStep(60);
    std::vector<int> positions;
    bar.PositionChanged = [&] { positions.push_back(bar.Position()); };
    std::vector<int> notches;
    bar.WheelTurned = [&](int d) {
        notches.push_back(d);
        bar.SetPosition(bar.Position() - 60 * d);  // set from code: not reported
    };

    session.ClickAt(bar, POINT{10, 195});  // down arrow
    session.ClickAt(bar, POINT{10, 5});    // up arrow
    session.ClickAt(bar, POINT{10, 5});    // already at 0
    session.ClickAt(bar, POINT{10, 170});  // track below the thumb
    EXPECT_EQ(positions, (std::vector<int>{10, 0, 60}));

    session.Scroll(bar, -3);
    session.Scroll(bar, 1);
    EXPECT_EQ(notches, (std::vector<int>{-3, 1}));
    EXPECT_EQ(bar.Position(), 180);
    bar.SetPosition(5000);
    EXPECT_EQ(bar.Position(), 300);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
}

TEST_F(UiControlsTest, TimerTicksOnThePeriodAndZeroStopsIt) {
    int ticks = 0;
    window.时钟1.Ticked = [&] {
        if (++ticks == 3) {
            window.时钟1.SetPeriod(0);
        }
    };
    DWORD start = GetTickCount();
    window.时钟1.SetPeriod(500);
    EXPECT_TRUE(harness::PumpUntil([&] { return ticks == 3; }));
    EXPECT_EQ(GetTickCount() - start, 1500u);
    EXPECT_EQ(window.时钟1.Period(), 0);
    Sleep(5000);  // on the manual clock: nothing more ticks
    harness::PumpPending();
    EXPECT_EQ(ticks, 3);
}

TEST_F(UiControlsTest, HtmlViewNewWindowCanBeRefused) {
    ui::HtmlView& view = window.超文本浏览框1;
    view.SetAddress("file:///tmp/Verdel_播放.htm");
    EXPECT_EQ(view.Address(), "file:///tmp/Verdel_播放.htm");
    char name[64] = {};
    GetClassNameA(view.ContentWindow(), name, int(sizeof(name)));
    EXPECT_EQ(std::string(name), "Internet Explorer_Server");
    EXPECT_EQ(GetParent(view.ContentWindow()), view.Hwnd());

    std::vector<std::string> asked;
    view.NewWindowRequested = [&](const std::string& address) {
        asked.push_back(address);
        return address.find("allowed") != std::string::npos;
    };
    EXPECT_FALSE(view.RequestNewWindow("http://ads.test/"));
    EXPECT_TRUE(view.RequestNewWindow("http://allowed.test/"));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(session.OpenedAddresses(), std::vector<std::string>{"http://allowed.test/"});
}

TEST_F(UiControlsTest, HiddenAndDisabledControlsTakeNoClicks) {
    int clicks = 0;
    window.选择框1.Clicked = [&] { ++clicks; };
    window.选择框1.SetEnabled(false);
    session.Click(window.选择框1);
    window.选择框1.SetEnabled(true);
    window.选择框1.SetVisible(false);
    EXPECT_FALSE(window.选择框1.Visible());
    session.Click(window.选择框1);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(window.选择框1.Checked());
}

}  // namespace
