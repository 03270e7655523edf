// The SDL2 display on a virtual X server of the test's own: real windows for
// the window system's top-level windows, the person's input (xdotool)
// arriving as window messages, and real windows showing the composed pixels.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "platform/display/display.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/clock.h"
#include "platform/window/input.h"
#include "support/xvfb.h"
#include "window_test_window.h"

namespace {

using namespace window_test;
using win::HWND;
using win::POINT;
using win::RECT;

constexpr int kCapMilliseconds = 5000;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// Handles the window thread's messages until condition() holds; each wait
// in between gives the display its turn.
bool PumpUntil(const std::function<bool()>& condition, int capMilliseconds = kCapMilliseconds) {
    win::DWORD start = win::GetTickCount();
    while (true) {
        win::MSG msg{};
        while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
            win::TranslateMessage(&msg);
            win::DispatchMessageA(&msg);
        }
        if (condition()) {
            return true;
        }
        if (win::GetTickCount() - start > win::DWORD(capMilliseconds)) {
            return false;
        }
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
    }
}

// Handles what is queued now and gives the display its turns.
void Settle() {
    for (int round = 0; round < 3; ++round) {
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 0, win::QS_ALLINPUT);
        PumpUntil([] { return true; });
    }
}

class SdlDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        Log::Get().Clear();
        if (xtest::FindProgram("Xvfb").empty()) {
            GTEST_SKIP() << server_.Problem();
        }
        ASSERT_TRUE(server_.Running()) << server_.Problem();
        ASSERT_FALSE(xtest::FindProgram("xdotool").empty())
            << "xdotool is not installed (scripts/setup installs it)";
        variable_ = std::make_unique<xtest::DisplayVariable>(server_.Display());
        auto driver = display::CreateSdl();
        ASSERT_TRUE(driver) << "SDL could not open " << server_.Display();
        driver_ = driver.get();
        display::Install(std::move(driver));
    }

    void TearDown() override {
        for (HWND window : made_) {
            win::DestroyWindow(window);
        }
        display::Install(nullptr);
        windowing::ResetInputState();
        Log::Get().Clear();
    }

    HWND Window(win::DWORD style, RECT rect, const char* text, win::DWORD exStyle = 0,
                HWND owner = nullptr) {
        HWND window = Make(style | win::WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, owner, exStyle, text);
        made_.insert(made_.begin(), window);
        return window;
    }

    xtest::ToolResult Xdotool(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "xdotool");
        return xtest::RunTool(arguments, server_.Display());
    }

    // Visible X windows whose title is exactly title (UTF-8). Names are
    // compared here: xdotool's own name search misses non-ASCII titles.
    std::vector<std::string> Find(const std::string& title) {
        std::istringstream lines(Xdotool({"search", "--onlyvisible", "--name", "."}).output);
        std::vector<std::string> ids;
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && Xdotool({"getwindowname", line}).output == title + "\n") {
                ids.push_back(line);
            }
        }
        return ids;
    }

    // An X window's place and size as the server has them.
    RECT Geometry(const std::string& id) {
        std::map<std::string, int> values;
        std::istringstream lines(Xdotool({"getwindowgeometry", "--shell", id}).output);
        for (std::string line; std::getline(lines, line);) {
            auto equals = line.find('=');
            if (equals != std::string::npos) {
                values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
            }
        }
        return RECT{values["X"], values["Y"], values["X"] + values["WIDTH"],
                    values["Y"] + values["HEIGHT"]};
    }

    std::string WaitForRealWindow(const std::string& title) {
        std::string id;
        PumpUntil([&] {
            auto ids = Find(title);
            id = ids.empty() ? "" : ids.front();
            return !id.empty();
        });
        return id;
    }

    void ClickAt(HWND window, POINT client) {
        win::ClientToScreen(window, &client);
        Xdotool({"mousemove", std::to_string(client.x), std::to_string(client.y), "click", "1"});
    }

    xtest::Xvfb server_{800, 600};
    std::unique_ptr<xtest::DisplayVariable> variable_;
    display::Driver* driver_ = nullptr;
    std::vector<HWND> made_;  // owned windows first
};

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(SdlDisplay, TopLevelWindowsAreRealWindowsKeptInStepBothWays) {
    HWND captioned = Window(win::WS_OVERLAPPEDWINDOW, RECT{40, 30, 360, 270}, "国语窗口");
    HWND popup = Window(win::WS_POPUP | win::WS_BORDER, RECT{400, 100, 520, 180}, "下拉列表",
                        win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST);
    std::string captionedId = WaitForRealWindow(Utf8(u8"国语窗口"));
    std::string popupId = WaitForRealWindow(Utf8(u8"下拉列表"));
    ASSERT_FALSE(captionedId.empty());
    ASSERT_FALSE(popupId.empty());
    // No desktop decoration: the real window is the window's rectangle.
    EXPECT_TRUE(SameRect(Geometry(captionedId), RECT{40, 30, 360, 270}));
    EXPECT_TRUE(SameRect(Geometry(popupId), RECT{400, 100, 520, 180}));

    win::ShowWindow(popup, win::SW_HIDE);
    EXPECT_TRUE(PumpUntil([&] { return Find(Utf8(u8"下拉列表")).empty(); }));

    // The program moves and sizes a window: the real window follows.
    win::SetWindowPos(captioned, nullptr, 100, 60, 300, 200, win::SWP_NOZORDER);
    EXPECT_TRUE(PumpUntil([&] {
        return SameRect(Geometry(captionedId), RECT{100, 60, 400, 260});
    }));

    // The person moves and sizes the real window: the window follows and
    // hears of it.
    Log::Get().Clear();
    Xdotool({"windowmove", captionedId, "200", "150"});
    Xdotool({"windowsize", captionedId, "320", "240"});
    RECT rect{};
    EXPECT_TRUE(PumpUntil([&] {
        win::GetWindowRect(captioned, &rect);
        return SameRect(rect, RECT{200, 150, 520, 390});
    })) << rect.left
        << "," << rect.top << " " << rect.right << "," << rect.bottom;
    auto moves = Log::Get().Of(win::WM_MOVE, captioned);
    ASSERT_FALSE(moves.empty());
    POINT client{0, 0};
    win::ClientToScreen(captioned, &client);
    EXPECT_EQ(win::GET_X_LPARAM(moves.back().lParam), client.x);
    EXPECT_EQ(win::GET_Y_LPARAM(moves.back().lParam), client.y);
    auto sizes = Log::Get().Of(win::WM_SIZE, captioned);
    ASSERT_FALSE(sizes.empty());
    RECT clientRect{};
    win::GetClientRect(captioned, &clientRect);
    EXPECT_EQ(win::LOWORD(std::uintptr_t(sizes.back().lParam)), clientRect.right);
    EXPECT_EQ(win::HIWORD(std::uintptr_t(sizes.back().lParam)), clientRect.bottom);

    win::DestroyWindow(popup);
    made_.erase(std::find(made_.begin(), made_.end(), popup));
    Settle();
    EXPECT_TRUE(Find(Utf8(u8"下拉列表")).empty());
}

TEST_F(SdlDisplay, AClickArrivesAtItsClientPointAndAModalWindowKeepsItsOwnerFromIt) {
    HWND owner = Window(win::WS_OVERLAPPEDWINDOW, RECT{50, 50, 350, 250}, "主窗口");
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"主窗口")).empty());
    ClickAt(owner, POINT{30, 20});
    ASSERT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_LBUTTONDOWN, owner).empty(); }));
    auto down = Log::Get().Of(win::WM_LBUTTONDOWN, owner).front();
    EXPECT_EQ(win::GET_X_LPARAM(down.lParam), 30);
    EXPECT_EQ(win::GET_Y_LPARAM(down.lParam), 20);
    EXPECT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_LBUTTONUP, owner).empty(); }));
    // A wheel notch away from the person goes to the window with the keyboard.
    Xdotool({"click", "4"});
    ASSERT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_MOUSEWHEEL, owner).empty(); }));
    EXPECT_EQ(win::GET_WHEEL_DELTA_WPARAM(Log::Get().Of(win::WM_MOUSEWHEEL, owner).front().wParam),
              win::WHEEL_DELTA);

    // A modal window disables its owner: a click there goes nowhere, the
    // next one on the modal window arrives.
    HWND modal =
        Window(win::WS_POPUP | win::WS_CAPTION, RECT{400, 60, 600, 200}, "询问：", 0, owner);
    win::EnableWindow(owner, win::FALSE);
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"询问：")).empty());
    Log::Get().Clear();
    ClickAt(owner, POINT{60, 40});
    ClickAt(modal, POINT{10, 10});
    ASSERT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_LBUTTONUP, modal).empty(); }));
    EXPECT_TRUE(Log::Get().Of(win::WM_LBUTTONDOWN, owner).empty());
    EXPECT_EQ(win::GetActiveWindow(), modal);
}

TEST_F(SdlDisplay, CaptureKeepsTheMouseWhenItLeavesTheWindow) {
    HWND window = Window(win::WS_POPUP, RECT{100, 100, 300, 200}, "捕获");
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"捕获")).empty());
    Xdotool({"mousemove", "150", "150"});
    ASSERT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_MOUSEMOVE, window).empty(); }));
    win::SetCapture(window);
    Settle();  // the display takes the capture
    Log::Get().Clear();
    Xdotool({"mousemove", "500", "400"});
    EXPECT_TRUE(PumpUntil([&] {
        for (const Seen& move : Log::Get().Of(win::WM_MOUSEMOVE, window)) {
            if (win::GET_X_LPARAM(move.lParam) == 400 && win::GET_Y_LPARAM(move.lParam) == 300) {
                return true;
            }
        }
        return false;
    }));
    win::ReleaseCapture();
}

TEST_F(SdlDisplay, TypedChineseArrivesAsGbkCharacters) {
    HWND window = Window(win::WS_OVERLAPPEDWINDOW, RECT{60, 60, 360, 260}, "输入");
    win::SetActiveWindow(window);
    win::SetFocus(window);
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"输入")).empty());
    Xdotool({"mousemove", "200", "150"});
    // xdotool lends a key the character's symbol only while it types, so
    // the window thread reads the keys meanwhile.
    std::thread typist([&] { Xdotool({"type", "--delay", "30", Utf8(u8"国语ab")}); });
    const std::string expected = "国语ab";  // GBK bytes
    std::string typed;
    PumpUntil([&] {
        typed.clear();
        for (const Seen& character : Log::Get().Of(win::WM_CHAR, window)) {
            typed.push_back(char(character.wParam));
        }
        return typed.size() >= expected.size();
    });
    typist.join();
    EXPECT_EQ(typed, expected);
    // Keys still arrive as keys.
    auto keys = Log::Get().Of(win::WM_KEYDOWN, window);
    EXPECT_TRUE(
        std::any_of(keys.begin(), keys.end(), [](const Seen& key) { return key.wParam == 'A'; }));
}

TEST_F(SdlDisplay, RealWindowsShowTheComposedPixels) {
    HWND window = Window(win::WS_OVERLAPPEDWINDOW, RECT{20, 20, 340, 260}, "画面");
    Log::Get().Handle(
        window,
        [](HWND self, win::UINT message, win::WPARAM, win::LPARAM) -> std::optional<win::LRESULT> {
            if (message != win::WM_PAINT) {
                return std::nullopt;
            }
            win::PAINTSTRUCT paint{};
            win::HDC dc = win::BeginPaint(self, &paint);
            RECT band{10, 10, 150, 60};
            win::HBRUSH red = win::CreateSolidBrush(win::RGB(200, 30, 40));
            win::FillRect(dc, &band, red);
            win::DeleteObject(red);
            win::TextOutA(dc, 20, 80, "国语 日语", -1);
            win::EndPaint(self, &paint);
            return 0;
        });
    // A translucent layered window partly over it.
    HWND layered = Window(win::WS_POPUP, RECT{200, 150, 400, 300}, "半透明", win::WS_EX_LAYERED);
    win::SetLayeredWindowAttributes(layered, 0, 128, 2);
    win::InvalidateRect(layered, nullptr, win::TRUE);
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"画面")).empty());
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"半透明")).empty());

    display::Image composed = driver_->CaptureWindow(window);
    ASSERT_GT(composed.width, 0);
    EXPECT_EQ(composed.At(50, 50), 0xFFC81E28u);  // the red band, under the caption
    display::Image shown;
    PumpUntil([&] {
        shown = driver_->CaptureShown(window);
        return shown.pixels == composed.pixels;
    });
    EXPECT_EQ(shown.width, composed.width);
    EXPECT_EQ(shown.height, composed.height);
    EXPECT_TRUE(shown.pixels == composed.pixels);

    // The layered window shows itself blended over what lies under it, as
    // the composed screen has it there.
    display::Image screen = driver_->CaptureScreen();
    display::Image blended;
    PumpUntil([&] {
        blended = driver_->CaptureShown(layered);
        return blended.width == 200;
    });
    ASSERT_EQ(blended.width, 200);
    ASSERT_EQ(blended.height, 150);
    int differing = 0;
    for (int y = 0; y < blended.height; ++y) {
        for (int x = 0; x < blended.width; ++x) {
            differing += blended.At(x, y) != screen.At(200 + x, 150 + y);
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(SdlDisplay, AWorkersWindowShowsAndTakesClicksWhileItsThreadPumps) {
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        HWND own = Make(win::WS_POPUP | win::WS_CAPTION | win::WS_VISIBLE, 120, 90, 240, 160,
                        nullptr, 0, "提示：");
        Log::Get().Handle(own,
                          [](HWND self, win::UINT message, win::WPARAM,
                             win::LPARAM) -> std::optional<win::LRESULT> {
                              if (message != win::WM_PAINT) {
                                  return std::nullopt;
                              }
                              win::PAINTSTRUCT paint{};
                              win::HDC dc = win::BeginPaint(self, &paint);
                              win::HBRUSH green = win::CreateSolidBrush(win::RGB(20, 160, 60));
                              win::FillRect(dc, &paint.rcPaint, green);
                              win::DeleteObject(green);
                              win::EndPaint(self, &paint);
                              return 0;
                          });
        window = own;
        PumpUntil([&] { return done.load(); }, 20000);
        win::DestroyWindow(own);
    });
    struct Finish {
        std::atomic<bool>& done;
        std::thread& worker;
        ~Finish() {
            done = true;
            worker.join();
        }
    } finish{done, worker};
    ASSERT_TRUE(PumpUntil([&] { return window.load() != nullptr; }));
    ASSERT_FALSE(WaitForRealWindow(Utf8(u8"提示：")).empty());
    display::Image shown;
    EXPECT_TRUE(PumpUntil([&] {
        shown = driver_->CaptureShown(window);
        return shown.width == 240 && shown.At(120, 100) == 0xFF14A03Cu;
    }));
    ClickAt(window, POINT{25, 35});
    ASSERT_TRUE(PumpUntil([&] { return !Log::Get().Of(win::WM_LBUTTONDOWN, window).empty(); }));
    auto down = Log::Get().Of(win::WM_LBUTTONDOWN, window).front();
    EXPECT_EQ(win::GET_X_LPARAM(down.lParam), 25);
    EXPECT_EQ(win::GET_Y_LPARAM(down.lParam), 35);
}

}  // namespace
