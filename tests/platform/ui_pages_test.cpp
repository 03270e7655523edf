#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/ui/form.h"
#include "platform/window/window.h"
#include "support/ui_harness.h"

// Last: it defines TRUE and FALSE as macros.
#include <jpeglib.h>

namespace {

using namespace win;
using ui::Kind;

const ui::FormSpec kPagesForm{
    "页面",
    30,
    30,
    400,
    360,
    {
        {Kind::MenuItem, "功能", "", 0, 0, 0, 0, "功能"},
        {Kind::MenuItem, "设置", "功能", 0, 0, 0, 0, "设置"},
        {Kind::MenuItem, "分隔", "功能", 0, 0, 0, 0, "-"},
        {Kind::MenuItem, "更新", "功能", 0, 0, 0, 0, "检查更新"},
        {Kind::MenuItem, "帮助", "", 0, 0, 0, 0, "帮助"},
        {Kind::MenuItem, "关于", "帮助", 0, 0, 0, 0, "关于"},
        {Kind::Label, "标签1", "", 0, 0, 60, 20, "顶端"},
        {Kind::TabControl, "高级选择夹1", "", 0, 30, 390, 200, "集数\n剧场版"},
        {Kind::Label, "标签2", "高级选择夹1", 5, 5, 100, 20, "第一页", 0},
        {Kind::Frame, "外形框3", "高级选择夹1", 5, 5, 80, 40, "", 1},
        {Kind::PictureBox, "图片框1", "外形框3", 50, 0, 100, 20, "", 0},
        {Kind::PictureBox, "画板1", "", 200, 240, 60, 40},
        {Kind::TransparentLabel, "透明标签1", "", 200, 240, 60, 20, "透明"},
        {Kind::PictureButton, "图形按钮1", "", 280, 240, 40, 20},
    },
};

struct PagesWindow : ui::Form {
    PagesWindow() : Form(kPagesForm) {}
    ui::MenuItem& 功能 = Get<ui::MenuItem>("功能");
    ui::MenuItem& 设置 = Get<ui::MenuItem>("设置");
    ui::MenuItem& 分隔 = Get<ui::MenuItem>("分隔");
    ui::MenuItem& 更新 = Get<ui::MenuItem>("更新");
    ui::Label& 标签1 = Get<ui::Label>("标签1");
    ui::TabControl& 高级选择夹1 = Get<ui::TabControl>("高级选择夹1");
    ui::Label& 标签2 = Get<ui::Label>("标签2");
    ui::Frame& 外形框3 = Get<ui::Frame>("外形框3");
    ui::PictureBox& 图片框1 = Get<ui::PictureBox>("图片框1");
    ui::PictureBox& 画板1 = Get<ui::PictureBox>("画板1");
    ui::TransparentLabel& 透明标签1 = Get<ui::TransparentLabel>("透明标签1");
    ui::PictureButton& 图形按钮1 = Get<ui::PictureButton>("图形按钮1");
};

std::string SolidPng(int width, int height, std::uint32_t argb) {
    display::Image image{width, height,
                         std::vector<std::uint32_t>(std::size_t(width * height), argb)};
    return display::EncodePng(image);
}

// A JPEG of one grey level.
std::string GreyJpeg(int width, int height, unsigned char level) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3, level);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return file;
}

// The pixel at a client point of a control, as the screen shows it.
std::uint32_t PixelAt(harness::UiSession& session, const ui::Control& control, POINT client) {
    harness::PumpUntilIdle();
    ClientToScreen(control.Hwnd(), &client);
    display::Image screen = session.Display().CaptureScreen();
    return screen.At(client.x, client.y) & 0xFFFFFFu;
}

class UiPagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.Load();
        harness::PumpUntilIdle();
    }
    harness::UiSession session;
    PagesWindow window;
};

TEST_F(UiPagesTest, ControlsShowWithTheirPage) {
    EXPECT_TRUE(IsWindowVisible(window.标签2.Hwnd()));
    EXPECT_FALSE(IsWindowVisible(window.外形框3.Hwnd()));
    EXPECT_TRUE(window.外形框3.Visible());  // its own visibility stays

    window.高级选择夹1.SetCurrentPage(1);
    EXPECT_FALSE(IsWindowVisible(window.标签2.Hwnd()));
    EXPECT_TRUE(IsWindowVisible(window.外形框3.Hwnd()));

    window.标签2.SetVisible(true);  // still on the hidden page
    EXPECT_FALSE(IsWindowVisible(window.标签2.Hwnd()));
    window.外形框3.SetVisible(false);
    window.高级选择夹1.SetCurrentPage(0);
    window.高级选择夹1.SetCurrentPage(1);
    EXPECT_FALSE(IsWindowVisible(window.外形框3.Hwnd()));
    EXPECT_EQ(window.高级选择夹1.PageCount(), 2);
}

TEST_F(UiPagesTest, ClickingATabSwitchesThePage) {
    int changes = 0;
    window.高级选择夹1.PageChanged = [&] { ++changes; };
    // Page titles sit side by side in the strip; the second starts right of the first.
    session.ClickAt(window.高级选择夹1, POINT{70, 10});
    EXPECT_EQ(window.高级选择夹1.CurrentPage(), 1);
    EXPECT_EQ(changes, 1);
    window.高级选择夹1.SetCurrentPage(0);  // from code: not reported
    EXPECT_EQ(changes, 1);
}

TEST_F(UiPagesTest, PagesAndTheMenuBarKeepControlPlacesAsTheFormGivesThem) {
    EXPECT_EQ(window.标签1.Top(), 0);
    RECT rect{};
    GetWindowRect(window.标签1.Hwnd(), &rect);
    MapWindowPoints(nullptr, window.Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.top, ui::Form::kMenuBarHeight);
    EXPECT_EQ(window.标签2.Top(), 5);
    window.标签2.Move(std::nullopt, 8);
    EXPECT_EQ(window.标签2.Top(), 8);
}

TEST_F(UiPagesTest, MenuEntriesReportClicksUnlessDisabled) {
    std::vector<std::string> clicked;
    window.设置.Clicked = [&] { clicked.push_back("设置"); };
    window.更新.Clicked = [&] { clicked.push_back("更新"); };
    window.更新.SetEnabled(false);

    session.ChooseMenu(window.功能, window.设置);
    session.ChooseMenu(window.功能, window.更新);
    session.ChooseMenu(window.功能, window.分隔);
    EXPECT_EQ(clicked, std::vector<std::string>{"设置"});

    window.更新.SetEnabled(true);
    session.ChooseMenu(window.功能, window.更新);
    EXPECT_EQ(clicked, (std::vector<std::string>{"设置", "更新"}));
}

TEST_F(UiPagesTest, PicturesFromPngBytesDrawFromTheCorner) {
    window.画板1.SetBackColor(RGB(255, 255, 255));
    EXPECT_TRUE(window.画板1.SetPicture(SolidPng(30, 10, 0xFFFF0000u)));
    EXPECT_EQ(window.画板1.PictureWidth(), 30);
    EXPECT_EQ(PixelAt(session, window.画板1, POINT{29, 30}), 0xFFFFFFu);
    EXPECT_EQ(PixelAt(session, window.画板1, POINT{5, 25}), 0xFFFFFFu);
    // Under the transparent label's text band the picture still shows.
    EXPECT_EQ(PixelAt(session, window.画板1, POINT{28, 1}), 0xFF0000u);

    EXPECT_TRUE(window.画板1.SetPicture(GreyJpeg(40, 30, 128)));
    std::uint32_t grey = PixelAt(session, window.画板1, POINT{35, 25});
    EXPECT_NEAR(int(grey & 0xFF), 128, 3);
    EXPECT_EQ(PixelAt(session, window.画板1, POINT{45, 25}), 0xFFFFFFu);

    const std::string bad[] = {GreyJpeg(16, 16, 128).substr(0, 40), "", "not a picture",
                               SolidPng(2, 2, 0xFF00FF00u).substr(0, 30)};
    for (const std::string& bytes : bad) {
        EXPECT_FALSE(window.画板1.SetPicture(bytes));
        EXPECT_FALSE(window.画板1.HasPicture());
    }
}

// The picture button swaps to its hot picture under the mouse and to the
// pressed one while held; a canvas reports the release of the button.
TEST_F(UiPagesTest, PictureButtonFollowsTheMouse) {
    ui::PictureButton& button = window.图形按钮1;
    ASSERT_TRUE(button.SetPictures(SolidPng(40, 20, 0xFF0000FFu), SolidPng(40, 20, 0xFF00FF00u),
                                   SolidPng(40, 20, 0xFFFF0000u)));
    int clicks = 0;
    button.Clicked = [&] { ++clicks; };
    EXPECT_EQ(PixelAt(session, button, POINT{30, 15}), 0x0000FFu);
    session.MoveOver(button, POINT{30, 15});
    EXPECT_EQ(PixelAt(session, button, POINT{30, 15}), 0x00FF00u);
    session.Press(button.Hwnd(), POINT{30, 15});
    EXPECT_EQ(PixelAt(session, button, POINT{30, 15}), 0xFF0000u);
    session.Release(button.Hwnd(), POINT{30, 15});
    EXPECT_EQ(clicks, 1);
    session.MoveOver(window.画板1, POINT{5, 30});
    EXPECT_EQ(PixelAt(session, button, POINT{30, 15}), 0x0000FFu);

    int released = 0;
    window.画板1.LeftReleased = [&](const ui::MouseEvent& at) { released += at.y == 30; };
    session.ClickAt(window.画板1, POINT{5, 30});
    EXPECT_EQ(released, 1);
}

TEST_F(UiPagesTest, AFrameShowsItsChildrenOnlyInsideIt) {
    window.高级选择夹1.SetCurrentPage(1);
    window.图片框1.SetBackColor(RGB(0, 0, 255));
    // The frame is 80 wide; its child starts at 50 and reaches to 150.
    EXPECT_EQ(PixelAt(session, window.外形框3, POINT{60, 10}), 0x0000FFu);
    std::uint32_t outside = PixelAt(session, window.外形框3, POINT{100, 10});
    EXPECT_NE(outside, 0x0000FFu);
}

}  // namespace
