// Windows, classes, procedures and subclassing, properties, relations,
// destruction and z-order.
#include <gtest/gtest.h>

#include <string>

#include "support/harness.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::UINT;
using win::WPARAM;

constexpr UINT kProbe = win::WM_USER + 7;

class WindowCore : public ::testing::Test {
  protected:
    void SetUp() override { Log::Get().Clear(); }
    void TearDown() override { Log::Get().Clear(); }
    harness::Session session_;
};

// Two subclass procedures that record their turn and hand on to the
// procedure they replaced.
std::vector<std::string> turns;
win::WNDPROC outerPrevious = nullptr;
win::WNDPROC innerPrevious = nullptr;

LRESULT Inner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        turns.push_back("inner");
    }
    return win::CallWindowProcA(innerPrevious, window, message, wParam, lParam);
}

LRESULT Outer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        turns.push_back("outer");
        if (wParam == 1) {
            return 99;  // consumed: the rest of the chain never sees it
        }
    }
    return win::CallWindowProcA(outerPrevious, window, message, wParam, lParam);
}

TEST_F(WindowCore, SubclassChainCallsThePreviousProcedureAndIsUndoneByRestoringIt) {
    HWND window = Popup(10, 10, 100, 100);
    Log::Get().Handle(window, [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == kProbe) {
            turns.push_back("base");
            return 5;
        }
        return std::nullopt;
    });
    turns.clear();
    auto base = reinterpret_cast<win::WNDPROC>(win::GetWindowLongA(window, win::GWL_WNDPROC));
    ASSERT_EQ(base, &Procedure);

    innerPrevious = reinterpret_cast<win::WNDPROC>(
        win::SetWindowLongA(window, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(&Inner)));
    outerPrevious = reinterpret_cast<win::WNDPROC>(
        win::SetWindowLongA(window, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(&Outer)));
    EXPECT_EQ(innerPrevious, base);
    EXPECT_EQ(outerPrevious, &Inner);

    EXPECT_EQ(win::SendMessageA(window, kProbe, 0, 0), 5);
    EXPECT_EQ(turns, (std::vector<std::string>{"outer", "inner", "base"}));
    turns.clear();
    EXPECT_EQ(win::SendMessageA(window, kProbe, 1, 0), 99);
    EXPECT_EQ(turns, (std::vector<std::string>{"outer"}));

    // Posted messages reach the newest procedure through the loop as well.
    turns.clear();
    win::PostMessageA(window, kProbe, 0, 0);
    harness::PumpUntilIdle();
    EXPECT_EQ(turns, (std::vector<std::string>{"outer", "inner", "base"}));

    // Undone in reverse: each restore hands back the procedure it replaced.
    EXPECT_EQ(win::SetWindowLongA(window, win::GWL_WNDPROC,
                                  reinterpret_cast<win::LONG_PTR>(outerPrevious)),
              reinterpret_cast<win::LONG_PTR>(&Outer));
    turns.clear();
    win::SendMessageA(window, kProbe, 1, 0);
    EXPECT_EQ(turns, (std::vector<std::string>{"inner", "base"}));
    win::SetWindowLongA(window, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(innerPrevious));
    turns.clear();
    win::SendMessageA(window, kProbe, 1, 0);
    EXPECT_EQ(turns, (std::vector<std::string>{"base"}));
}

TEST_F(WindowCore, PropertiesLiveOnTheWindow) {
    HWND first = Popup(0, 0, 50, 50);
    HWND second = Popup(60, 0, 50, 50);
    auto value = [](std::uintptr_t v) { return reinterpret_cast<win::HANDLE>(v); };

    EXPECT_TRUE(win::SetPropA(first, "PngControl_Type", value(3)));
    EXPECT_TRUE(win::SetPropA(first, "PngControl_WndProc", value(0x1234)));
    EXPECT_EQ(win::GetPropA(first, "PngControl_Type"), value(3));
    // Names are matched without regard to case, as atoms are.
    EXPECT_EQ(win::GetPropA(first, "pngcontrol_type"), value(3));
    EXPECT_EQ(win::GetPropA(second, "PngControl_Type"), nullptr);
    EXPECT_EQ(win::GetPropA(first, "Lumo_DrawState"), nullptr);

    // Setting again replaces; removing hands the value back once.
    EXPECT_TRUE(win::SetPropA(first, "PngControl_Type", value(2)));
    EXPECT_EQ(win::GetPropA(first, "PngControl_Type"), value(2));
    EXPECT_EQ(win::RemovePropA(first, "PngControl_Type"), value(2));
    EXPECT_EQ(win::RemovePropA(first, "PngControl_Type"), nullptr);
    EXPECT_EQ(win::GetPropA(first, "PngControl_WndProc"), value(0x1234));

    // The window's properties go with it.
    win::DestroyWindow(first);
    EXPECT_EQ(win::GetPropA(first, "PngControl_WndProc"), nullptr);
    EXPECT_FALSE(win::SetPropA(first, "PngControl_Type", value(1)));
    EXPECT_FALSE(win::SetPropA(second, nullptr, value(1)));
}

struct CreateSeen {
    UINT message;
    void* param;
    int cx;
    int y;
};
std::vector<CreateSeen> createsSeen;

LRESULT RecordCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == win::WM_NCCREATE || message == win::WM_CREATE) {
        auto* create = reinterpret_cast<const win::CREATESTRUCTA*>(lParam);
        createsSeen.push_back(CreateSeen{message, create->lpCreateParams, create->cx, create->y});
    }
    return win::DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(WindowCore, CreationSendsNcCreateThenCreateWithTheCreateStruct) {
    RegisterClasses();
    win::WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = RecordCreate;
    windowClass.lpszClassName = "VerdelCreateRecorder";
    win::RegisterClassExA(&windowClass);
    createsSeen.clear();
    int tag = 42;
    HWND window = win::CreateWindowExA(0, "VerdelCreateRecorder", "标题", win::WS_POPUP, 5, 6, 70,
                                       80, nullptr, nullptr, nullptr, &tag);
    ASSERT_TRUE(window);
    ASSERT_EQ(createsSeen.size(), 2u);
    EXPECT_EQ(createsSeen[0].message, win::WM_NCCREATE);
    EXPECT_EQ(createsSeen[1].message, win::WM_CREATE);
    for (const CreateSeen& seen : createsSeen) {
        EXPECT_EQ(seen.param, &tag);
        EXPECT_EQ(seen.cx, 70);
        EXPECT_EQ(seen.y, 6);
    }
    char buffer[32];
    EXPECT_EQ(win::GetWindowTextA(window, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer), "标题");
    EXPECT_EQ(win::GetClassNameA(window, buffer, sizeof buffer), 20);
    EXPECT_EQ(std::string(buffer), "VerdelCreateRecorder");
    EXPECT_FALSE(win::IsWindowVisible(window));
    EXPECT_FALSE(win::CreateWindowExA(0, "NoSuchClass", "", win::WS_POPUP, 0, 0, 1, 1, nullptr,
                                      nullptr, nullptr, nullptr));
    EXPECT_FALSE(win::CreateWindowExA(0, kClass, "", win::WS_CHILD, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr));
}

TEST_F(WindowCore, CreateAnsweredWithMinusOneFailsAndDestroysTheWindow) {
    RegisterClasses();
    // The handler is keyed by window, which does not exist yet: refuse any WM_CREATE.
    static bool refuse = true;
    auto refuser = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        Log::Get().Add(Seen{window, message, wParam, lParam});
        if (message == win::WM_CREATE && refuse) {
            return -1;
        }
        return win::DefWindowProcA(window, message, wParam, lParam);
    };
    win::WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = refuser;
    windowClass.lpszClassName = "VerdelRefusingWindow";
    win::RegisterClassExA(&windowClass);
    HWND window = win::CreateWindowExA(0, "VerdelRefusingWindow", "", win::WS_POPUP, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(window, nullptr);
    auto destroyed = Log::Get().Of(win::WM_NCDESTROY);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_FALSE(win::IsWindow(destroyed[0].window));
}

TEST_F(WindowCore, DestroyGoesParentFirstForDestroyAndChildrenFirstForNcDestroy) {
    HWND parent = Popup(0, 0, 200, 200);
    HWND first = Child(parent, 0, 0, 50, 50);
    HWND grandchild = Child(first, 0, 0, 10, 10);
    HWND second = Child(parent, 60, 0, 50, 50);
    std::vector<bool> childrenAliveDuringParentDestroy;
    Log::Get().Clear();
    Log::Get().Handle(parent, [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message == win::WM_DESTROY) {
            childrenAliveDuringParentDestroy = {bool(win::IsWindow(first)),
                                                bool(win::IsWindow(second)),
                                                bool(win::IsWindow(grandchild))};
        }
        return std::nullopt;
    });
    ASSERT_TRUE(win::DestroyWindow(parent));

    std::vector<std::pair<HWND, UINT>> order;
    for (const Seen& seen : Log::Get().All()) {
        if (seen.message == win::WM_DESTROY || seen.message == win::WM_NCDESTROY) {
            order.emplace_back(seen.window, seen.message);
        }
    }
    using P = std::pair<HWND, UINT>;
    EXPECT_EQ(order,
              (std::vector<P>{P{parent, win::WM_DESTROY}, P{first, win::WM_DESTROY},
                              P{grandchild, win::WM_DESTROY}, P{grandchild, win::WM_NCDESTROY},
                              P{first, win::WM_NCDESTROY}, P{second, win::WM_DESTROY},
                              P{second, win::WM_NCDESTROY}, P{parent, win::WM_NCDESTROY}}));
    EXPECT_EQ(childrenAliveDuringParentDestroy, (std::vector<bool>{true, true, true}));
    for (HWND gone : {parent, first, second, grandchild}) {
        EXPECT_FALSE(win::IsWindow(gone));
    }
}

TEST_F(WindowCore, ADestroyedWindowsHandleReadsAsNotAWindow) {
    HWND owner = Popup(0, 0, 100, 100);
    HWND owned = Make(win::WS_POPUP, 0, 0, 20, 20, owner);
    HWND child = Child(owner, 0, 0, 10, 10);
    ASSERT_EQ(win::GetWindow(owned, win::GW_OWNER), owner);
    win::SetTimer(owner, 1, 100, nullptr);
    ASSERT_TRUE(win::DestroyWindow(owner));
    // Owned windows go with their owner.
    for (HWND gone : {owner, owned, child}) {
        EXPECT_FALSE(win::IsWindow(gone));
        EXPECT_FALSE(win::IsWindowVisible(gone));
        EXPECT_EQ(win::GetParent(gone), nullptr);
        EXPECT_EQ(win::SendMessageA(gone, kProbe, 0, 0), 0);
        EXPECT_FALSE(win::PostMessageA(gone, kProbe, 0, 0));
        win::RECT rect{};
        EXPECT_FALSE(win::GetWindowRect(gone, &rect));
        EXPECT_FALSE(win::SetWindowPos(gone, nullptr, 0, 0, 1, 1, 0));
        EXPECT_FALSE(win::DestroyWindow(gone));
        EXPECT_EQ(win::SetWindowLongA(gone, win::GWL_USERDATA, 1), 0);
    }
    EXPECT_FALSE(win::KillTimer(owner, 1));
    // A new window never gets a handle that was used before.
    HWND fresh = Popup(0, 0, 10, 10);
    EXPECT_NE(fresh, owner);
    EXPECT_NE(fresh, owned);
    EXPECT_NE(fresh, child);
    EXPECT_EQ(Log::Get().Of(kProbe).size(), 0u);
}

TEST_F(WindowCore, RelationsFollowCreationOrderAndSetParent) {
    HWND parent = Popup(0, 0, 300, 300);
    HWND a = Make(win::WS_CHILD, 0, 0, 10, 10, parent, 0, "甲");
    HWND b = Make(win::WS_CHILD, 0, 0, 10, 10, parent, 0, "乙");
    HWND c = Make(win::WS_CHILD, 0, 0, 10, 10, parent, 0, "甲");
    EXPECT_EQ(win::GetWindow(parent, win::GW_CHILD), a);
    EXPECT_EQ(win::GetWindow(a, win::GW_HWNDNEXT), b);
    EXPECT_EQ(win::GetWindow(b, win::GW_HWNDNEXT), c);
    EXPECT_EQ(win::GetWindow(c, win::GW_HWNDNEXT), nullptr);
    EXPECT_EQ(win::GetWindow(c, win::GW_HWNDPREV), b);
    EXPECT_EQ(win::GetParent(b), parent);
    EXPECT_TRUE(win::IsChild(parent, b));

    EXPECT_EQ(win::FindWindowExA(parent, nullptr, nullptr, nullptr), a);
    EXPECT_EQ(win::FindWindowExA(parent, a, nullptr, "甲"), c);
    EXPECT_EQ(win::FindWindowExA(parent, nullptr, "verdeltestwindow", "乙"), b);
    EXPECT_EQ(win::FindWindowExA(parent, c, nullptr, nullptr), nullptr);

    HWND other = Popup(0, 0, 100, 100);
    EXPECT_EQ(win::SetParent(b, other), parent);
    EXPECT_EQ(win::GetParent(b), other);
    EXPECT_EQ(win::GetWindow(a, win::GW_HWNDNEXT), c);
    EXPECT_EQ(win::GetWindow(other, win::GW_CHILD), b);
    EXPECT_FALSE(win::IsChild(parent, b));
    // A window cannot become a child of its own descendant.
    HWND inner = Child(b, 0, 0, 5, 5);
    EXPECT_EQ(win::SetParent(b, inner), nullptr);
    EXPECT_EQ(win::GetParent(b), other);
}

TEST_F(WindowCore, WindowLongsStylesAndTexts) {
    HWND window = Popup(0, 0, 100, 100);
    EXPECT_EQ(win::SetWindowLongA(window, win::GWL_USERDATA, 77), 0);
    EXPECT_EQ(win::GetWindowLongA(window, win::GWL_USERDATA), 77);
    auto style = win::GetWindowLongA(window, win::GWL_STYLE);
    EXPECT_TRUE(style & win::WS_VISIBLE);
    win::SetWindowLongA(window, win::GWL_STYLE, style & ~win::WS_CLIPCHILDREN);
    win::SetWindowLongA(window, win::GWL_EXSTYLE,
                        win::GetWindowLongA(window, win::GWL_EXSTYLE) | win::WS_EX_TRANSPARENT);
    EXPECT_TRUE(win::GetWindowLongA(window, win::GWL_EXSTYLE) & win::WS_EX_TRANSPARENT);
    HWND child = Make(win::WS_CHILD, 0, 0, 1, 1, window);
    win::SetWindowLongA(child, win::GWL_ID, 1001);
    EXPECT_EQ(win::GetWindowLongA(child, win::GWL_ID), 1001);

    EXPECT_TRUE(win::SetWindowTextA(window, "流萤真彩控件.图片框"));
    EXPECT_EQ(win::GetWindowTextLengthA(window), int(std::string("流萤真彩控件.图片框").size()));
    char small[5];
    EXPECT_EQ(win::GetWindowTextA(window, small, sizeof small), 4);
    EXPECT_EQ(std::string(small), std::string("流萤真彩控件").substr(0, 4));
    EXPECT_EQ(Log::Get().Of(win::WM_SETTEXT, window).size(), 1u);
}

TEST_F(WindowCore, TopmostWindowsStayAboveOthers) {
    HWND topmost = Popup(100, 100, 200, 200);
    HWND plain = Popup(150, 150, 200, 200);
    win::POINT overlap{180, 180};
    EXPECT_EQ(win::WindowFromPoint(overlap), plain);
    ASSERT_TRUE(win::SetWindowPos(topmost, win::HWND_TOPMOST, 0, 0, 0, 0,
                                  win::SWP_NOMOVE | win::SWP_NOSIZE));
    EXPECT_TRUE(win::GetWindowLongA(topmost, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
    EXPECT_EQ(win::WindowFromPoint(overlap), topmost);

    // Activating, raising or creating ordinary windows does not cover it.
    win::SetForegroundWindow(plain);
    EXPECT_EQ(win::GetForegroundWindow(), plain);
    EXPECT_EQ(win::WindowFromPoint(overlap), topmost);
    win::SetWindowPos(plain, win::HWND_TOP, 0, 0, 0, 0, win::SWP_NOMOVE | win::SWP_NOSIZE);
    EXPECT_EQ(win::WindowFromPoint(overlap), topmost);
    HWND later = Popup(160, 160, 200, 200);
    EXPECT_EQ(win::WindowFromPoint(overlap), topmost);
    EXPECT_EQ(win::WindowFromPoint(win::POINT{340, 340}), later);

    // Not topmost any more: the next raised window covers it.
    win::SetWindowPos(topmost, win::HWND_NOTOPMOST, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    EXPECT_FALSE(win::GetWindowLongA(topmost, win::GWL_EXSTYLE) & win::WS_EX_TOPMOST);
    win::SetForegroundWindow(plain);
    EXPECT_EQ(win::WindowFromPoint(overlap), plain);
}

TEST_F(WindowCore, PositionsSizesAndCoordinates) {
    HWND frame = Make(win::WS_OVERLAPPEDWINDOW | win::WS_VISIBLE, 100, 50, 400, 300);
    win::RECT window{}, client{};
    win::GetWindowRect(frame, &window);
    win::GetClientRect(frame, &client);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.right - window.left, 400);
    EXPECT_LT(client.right, 400);
    EXPECT_LT(client.bottom, 300);
    HWND child = Child(frame, 10, 20, 50, 40);
    win::POINT point{0, 0};
    win::ClientToScreen(child, &point);
    win::POINT frameOrigin{0, 0};
    win::ClientToScreen(frame, &frameOrigin);
    EXPECT_EQ(point.x, frameOrigin.x + 10);
    EXPECT_EQ(point.y, frameOrigin.y + 20);
    win::ScreenToClient(frame, &point);
    EXPECT_EQ(point.x, 10);
    win::POINT mapped{1, 1};
    win::MapWindowPoints(child, frame, &mapped, 1);
    EXPECT_EQ(mapped.x, 11);
    EXPECT_EQ(mapped.y, 21);

    Log::Get().Clear();
    win::MoveWindow(child, 30, 40, 60, 70, win::TRUE);
    auto sizes = Log::Get().Of(win::WM_SIZE, child);
    auto moves = Log::Get().Of(win::WM_MOVE, child);
    ASSERT_EQ(sizes.size(), 1u);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(win::LOWORD(sizes[0].lParam), 60);
    EXPECT_EQ(win::HIWORD(sizes[0].lParam), 70);
    EXPECT_EQ(win::GET_X_LPARAM(moves[0].lParam), 30);
    EXPECT_EQ(Log::Get().Of(win::WM_WINDOWPOSCHANGED, child).size(), 1u);
    // Only moved: no WM_SIZE.
    Log::Get().Clear();
    win::SetWindowPos(child, nullptr, 0, 0, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER);
    EXPECT_EQ(Log::Get().Of(win::WM_SIZE, child).size(), 0u);
    EXPECT_EQ(Log::Get().Of(win::WM_MOVE, child).size(), 1u);
}

TEST_F(WindowCore, ShowHideFocusAndEnable) {
    HWND frame = Popup(0, 0, 200, 200);
    HWND edit = Child(frame, 0, 0, 50, 20);
    HWND other = Child(frame, 0, 30, 50, 20);
    win::SetFocus(edit);
    EXPECT_EQ(win::GetFocus(), edit);
    EXPECT_EQ(win::GetActiveWindow(), frame);
    Log::Get().Clear();
    EXPECT_EQ(win::SetFocus(other), edit);
    auto kill = Log::Get().Of(win::WM_KILLFOCUS);
    auto set = Log::Get().Of(win::WM_SETFOCUS);
    ASSERT_EQ(kill.size(), 1u);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(kill[0].window, edit);
    EXPECT_EQ(reinterpret_cast<HWND>(kill[0].wParam), other);
    EXPECT_EQ(set[0].window, other);
    EXPECT_EQ(reinterpret_cast<HWND>(set[0].wParam), edit);

    // Hiding or disabling the focus window takes the focus away.
    win::ShowWindow(other, win::SW_HIDE);
    EXPECT_FALSE(win::IsWindowVisible(other));
    EXPECT_EQ(win::GetFocus(), nullptr);
    win::SetFocus(edit);
    EXPECT_FALSE(win::EnableWindow(edit, win::FALSE));
    EXPECT_FALSE(win::IsWindowEnabled(edit));
    EXPECT_EQ(win::GetFocus(), nullptr);
    EXPECT_EQ(Log::Get().Of(win::WM_ENABLE, edit).back().wParam, 0u);
    EXPECT_TRUE(win::EnableWindow(edit, win::TRUE));  // it was disabled
    // A child of a hidden parent is not visible.
    win::ShowWindow(frame, win::SW_HIDE);
    EXPECT_FALSE(win::IsWindowVisible(edit));
    EXPECT_TRUE(win::GetWindowLongA(edit, win::GWL_STYLE) & win::WS_VISIBLE);
}

TEST_F(WindowCore, MinimizedWindowsStayVisibleButOffTheScreen) {
    HWND window = Popup(0, 0, 100, 100);
    win::ShowWindow(window, win::SW_MINIMIZE);
    EXPECT_TRUE(win::IsIconic(window));
    EXPECT_TRUE(win::IsWindowVisible(window));
    EXPECT_EQ(win::WindowFromPoint(win::POINT{50, 50}), nullptr);
    EXPECT_EQ(Log::Get().Of(win::WM_SIZE, window).back().wParam, win::SIZE_MINIMIZED);
    win::ShowWindow(window, win::SW_RESTORE);
    EXPECT_FALSE(win::IsIconic(window));
    EXPECT_EQ(win::WindowFromPoint(win::POINT{50, 50}), window);
    EXPECT_EQ(Log::Get().Of(win::WM_SIZE, window).back().wParam, win::SIZE_RESTORED);
}

TEST_F(WindowCore, ShowCursorCountsAndWmCloseDestroys) {
    int start = win::ShowCursor(win::TRUE);
    EXPECT_EQ(win::ShowCursor(win::TRUE), start + 1);
    EXPECT_EQ(win::ShowCursor(win::FALSE), start);
    HWND window = Popup(0, 0, 10, 10);
    win::SendMessageA(window, win::WM_CLOSE, 0, 0);
    EXPECT_FALSE(win::IsWindow(window));
}

}  // namespace
