#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/form.h"
#include "platform/window/window.h"
#include "support/ui_harness.h"

namespace {

using namespace win;
using ui::Kind;

const ui::FormSpec kSettingsForm{
    "设置",
    100,
    100,
    294,
    290,
    {
        {Kind::Label, "标签1", "", 32, 8, 168, 24, "软件启动时，默认显示"},
        {Kind::Frame, "外形框1", "", 16, 20, 256, 84},
        {Kind::ComboBox, "组合框1", "外形框1", 24, 32, 97, 27, "TV版\n剧场版"},
        {Kind::Button, "按钮2", "", 104, 208, 80, 40, "保存"},
        {Kind::Button, "按钮3", "", 192, 208, 80, 40, "取消"},
    },
};

struct SettingsWindow : ui::Form {
    SettingsWindow() : Form(kSettingsForm) {}
    ui::Label& 标签1 = Get<ui::Label>("标签1");
    ui::Frame& 外形框1 = Get<ui::Frame>("外形框1");
    ui::ComboBox& 组合框1 = Get<ui::ComboBox>("组合框1");
    ui::Button& 按钮2 = Get<ui::Button>("按钮2");
    ui::Button& 按钮3 = Get<ui::Button>("按钮3");
};

TEST(UiFormTest, LoadsTheTableWithParentsPlacesAndTexts) {
    harness::UiSession session;
    SettingsWindow window;
    bool visibleWhenCreated = true;
    window.Created = [&] { visibleWhenCreated = IsWindowVisible(window.Hwnd()) != FALSE; };
    window.Load();

    EXPECT_FALSE(visibleWhenCreated);
    EXPECT_TRUE(IsWindowVisible(window.Hwnd()));
    EXPECT_TRUE(window.Exists());
    EXPECT_EQ(window.Caption(), "设置");
    EXPECT_EQ(GetParent(window.组合框1.Hwnd()), window.外形框1.Hwnd());
    EXPECT_EQ(GetParent(window.标签1.Hwnd()), window.Hwnd());
    EXPECT_EQ(window.组合框1.Left(), 24);
    EXPECT_EQ(window.组合框1.Top(), 32);
    EXPECT_EQ(window.组合框1.Width(), 97);
    EXPECT_EQ(window.组合框1.ItemText(1), "剧场版");
    EXPECT_EQ(window.标签1.Text(), "软件启动时，默认显示");
    char text[64] = {};
    GetWindowTextA(window.按钮2.Hwnd(), text, int(sizeof(text)));
    EXPECT_EQ(std::string(text), "保存");
    EXPECT_EQ(&session.Find(window, "按钮3"), &window.按钮3);
    EXPECT_EQ(window.Find("按钮9"), nullptr);
}

TEST(UiFormTest, MoveKeepsOmittedValues) {
    harness::UiSession session;
    SettingsWindow window;
    window.Load();
    struct Case {
        std::optional<int> left, top, width, height;
        int wantLeft, wantTop, wantWidth, wantHeight;
    };
    const Case cases[] = {
        {5, std::nullopt, std::nullopt, std::nullopt, 5, 8, 168, 24},
        {std::nullopt, 40, std::nullopt, std::nullopt, 5, 40, 168, 24},
        {std::nullopt, std::nullopt, 100, std::nullopt, 5, 40, 100, 24},
        {std::nullopt, std::nullopt, std::nullopt, 30, 5, 40, 100, 30},
        {1, 2, 3, 4, 1, 2, 3, 4},
    };
    for (const Case& c : cases) {
        window.标签1.Move(c.left, c.top, c.width, c.height);
        EXPECT_EQ(window.标签1.Left(), c.wantLeft);
        EXPECT_EQ(window.标签1.Top(), c.wantTop);
        EXPECT_EQ(window.标签1.Width(), c.wantWidth);
        EXPECT_EQ(window.标签1.Height(), c.wantHeight);
    }
}

TEST(UiFormTest, CopyMakesTheSameKindWithPropertiesAndHandlers) {
    harness::UiSession session;
    SettingsWindow window;
    int clicks = 0;
    window.按钮2.Clicked = [&] { ++clicks; };
    window.Load();
    window.按钮2.SetTag("甲");

    ui::Control& copy = window.按钮2.Copy();
    copy.Move(10, 150);
    EXPECT_EQ(copy.kind(), Kind::Button);
    EXPECT_NE(copy.Hwnd(), window.按钮2.Hwnd());
    EXPECT_EQ(GetParent(copy.Hwnd()), window.Hwnd());
    EXPECT_EQ(copy.Text(), "保存");
    EXPECT_EQ(copy.Tag(), "甲");
    EXPECT_EQ(copy.Width(), 80);
    EXPECT_EQ(window.Find(copy.Name()), &copy);

    session.Click(copy);
    EXPECT_EQ(clicks, 1);
}

TEST(UiFormTest, AControlBecomesAChildOfAnotherWindow) {
    harness::UiSession session;
    SettingsWindow window;
    window.Load();
    window.按钮3.SetParentWindow(window.外形框1);
    EXPECT_EQ(GetParent(window.按钮3.Hwnd()), window.外形框1.Hwnd());
    window.按钮3.Move(2, 3);
    RECT inFrame{};
    GetWindowRect(window.按钮3.Hwnd(), &inFrame);
    MapWindowPoints(nullptr, window.外形框1.Hwnd(), reinterpret_cast<POINT*>(&inFrame), 2);
    EXPECT_EQ(inFrame.left, 2);
    EXPECT_EQ(inFrame.top, 3);
}

TEST(UiFormTest, CloseRequestDecidesAndDestroyRunsItsEvent) {
    harness::UiSession session;
    SettingsWindow window;
    bool allow = false;
    int destroying = 0;
    window.CloseRequested = [&] { return allow; };
    window.Destroying = [&] { ++destroying; };
    window.Load();
    HWND handle = window.Hwnd();

    SendMessageA(handle, WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.Exists());
    allow = true;
    SendMessageA(handle, WM_CLOSE, 0, 0);
    EXPECT_FALSE(window.Exists());
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(destroying, 1);
    EXPECT_EQ(window.按钮2.Hwnd(), nullptr);
}

TEST(UiFormTest, ModalLoadDisablesTheOwnerAndReturnsWhenClosed) {
    harness::UiSession session;
    SettingsWindow owner;
    owner.Load();
    SettingsWindow dialog;
    bool ownerEnabledInside = true;
    dialog.Activated = [&] {
        ownerEnabledInside = IsWindowEnabled(owner.Hwnd()) != FALSE;
        PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
    };
    dialog.Load(owner, true);

    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_FALSE(dialog.Exists());
    EXPECT_TRUE(IsWindowEnabled(owner.Hwnd()));
}

// Dragging the caption moves the window; the window's mouse events come in
// client coordinates.
TEST(UiFormTest, WindowEventsFromRawInput) {
    harness::UiSession session;
    SettingsWindow window;
    std::vector<std::string> events;
    window.Moved = [&] { events.push_back("moved"); };
    window.Resized = [&] { events.push_back("resized"); };
    window.LeftPressed = [&](const ui::MouseEvent& at) {
        events.push_back("pressed " + std::to_string(at.x) + "," + std::to_string(at.y));
    };
    window.LeftReleased = [&](const ui::MouseEvent&) { events.push_back("released"); };
    window.Load();
    harness::PumpUntilIdle();
    events.clear();

    session.Click(window.Hwnd(), POINT{250, 150});
    EXPECT_EQ(events, (std::vector<std::string>{"pressed 250,150", "released"}));

    events.clear();
    POINT caption{window.Left() + 60, window.Top() + 10};
    session.MoveToScreen(caption);
    session.PressScreen(caption);
    session.MoveToScreen(POINT{caption.x + 30, caption.y + 20});
    session.ReleaseScreen(POINT{caption.x + 30, caption.y + 20});
    EXPECT_EQ(window.Left(), 130);
    EXPECT_EQ(window.Top(), 120);
    EXPECT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "moved");

    events.clear();
    window.Move(std::nullopt, std::nullopt, 300);
    EXPECT_EQ(window.Width(), 300);
    EXPECT_EQ(window.Height(), 290);
    EXPECT_NE(std::find(events.begin(), events.end(), "resized"), events.end());
}

TEST(UiFormTest, LoadingAnExistingFormOnlyActivatesIt) {
    harness::UiSession session;
    SettingsWindow window;
    int created = 0;
    window.Created = [&] { ++created; };
    window.Load();
    HWND first = window.Hwnd();
    window.Load();
    EXPECT_EQ(created, 1);
    EXPECT_EQ(window.Hwnd(), first);
    window.Destroy();
    window.Load();
    EXPECT_EQ(created, 2);
    EXPECT_TRUE(window.Exists());
}

TEST(UiFormTest, ActivateAndRestore) {
    harness::UiSession session;
    SettingsWindow first, second;
    int activations = 0;
    first.Activated = [&] { ++activations; };
    first.Load();
    second.Load();
    EXPECT_EQ(GetForegroundWindow(), second.Hwnd());
    first.Activate();
    EXPECT_EQ(GetForegroundWindow(), first.Hwnd());
    EXPECT_EQ(activations, 2);
    ShowWindow(first.Hwnd(), SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(first.Hwnd()));
    first.Restore();
    EXPECT_FALSE(IsIconic(first.Hwnd()));
    EXPECT_EQ(first.Width(), 294);
}

TEST(UiFormTest, DoEventsHandlesWhatIsPending) {
    harness::UiSession session;
    SettingsWindow window;
    window.Load();
    int clicks = 0;
    window.按钮2.Clicked = [&] { ++clicks; };
    harness::PumpUntilIdle();
    POINT centre{40, 20};
    ClientToScreen(window.按钮2.Hwnd(), &centre);
    session.Display().MouseDown(windowing::MouseButton::Left, centre);
    session.Display().MouseUp(windowing::MouseButton::Left, centre);
    ui::DoEvents();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
