// The gallery: one window with every control kind, drawn headless and
// written as a PNG into the test's temporary folder, for looking at.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/display/display.h"
#include "platform/kernel/threads.h"
#include "platform/ui/form.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "platform/window/window.h"
#include "support/ui_harness.h"

namespace {

using namespace win;
using ui::Kind;

const ui::FormSpec kGalleryForm{
    "Verdel 控件一览",
    20,
    20,
    420,
    600,
    {
        {Kind::MenuItem, "功能", "", 0, 0, 0, 0, "功能"},
        {Kind::MenuItem, "设置", "功能", 0, 0, 0, 0, "设置"},
        {Kind::MenuItem, "分隔1", "功能", 0, 0, 0, 0, "-"},
        {Kind::MenuItem, "更新", "功能", 0, 0, 0, 0, "检查更新"},
        {Kind::MenuItem, "反馈", "功能", 0, 0, 0, 0, "意见反馈"},
        {Kind::MenuItem, "帮助", "", 0, 0, 0, 0, "帮助"},
        {Kind::Canvas, "画板2", "", 9, 9, 128, 40},
        {Kind::Frame, "外形框4", "", 167, 13, 212, 30},
        {Kind::EditBox, "编辑框1", "外形框4", 31, 2, 152, 24, "查找"},
        {Kind::ComboBox, "组合框1", "", 0, 69, 97, 27, "TV版\n剧场版"},
        {Kind::ComboBox, "组合框2", "", 96, 69, 81, 27, "国语\n日语"},
        {Kind::Label, "标签10", "", 187, 69, 40, 27, "更新至"},
        {Kind::Label, "标签11", "", 232, 69, 34, 27, "775"},
        {Kind::Label, "标签12", "", 274, 69, 40, 27, "集"},
        {Kind::TabControl, "高级选择夹1", "", 4, 100, 400, 300, "剧集\n剧场版"},
        {Kind::ListView, "超级列表框1", "高级选择夹1", 4, 4, 388, 160, "", 0},
        {Kind::Canvas, "画板1", "高级选择夹1", 4, 170, 160, 90, "", 0},
        {Kind::Label, "标签4", "高级选择夹1", 172, 172, 205, 17, "Orvane  第12集", 0},
        {Kind::Label, "标签5", "高级选择夹1", 172, 190, 212, 37,
         "一个很长很长的标题，在这里自动换行显示出来", 0},
        {Kind::PictureButton, "图形按钮1", "高级选择夹1", 172, 232, 103, 32, "播放", 0},
        {Kind::TransparentLabel, "透明标签1", "画板1", 6, 70, 100, 16, "透明标签", 0},
        {Kind::VScrollBar, "纵向滚动条1", "", 384, 404, 20, 120},
        {Kind::CheckBox, "选择框1", "", 8, 408, 100, 20, "总在最前"},
        {Kind::HyperlinkLabel, "超级链接框1", "", 120, 408, 100, 20, "访问主页"},
        {Kind::Button, "按钮2", "", 230, 404, 70, 28, "保存"},
        {Kind::Button, "按钮3", "", 306, 404, 70, 28, "取消"},
        {Kind::PictureBox, "图片框2", "", 8, 440, 120, 70},
        {Kind::HtmlView, "超文本浏览框1", "", 136, 440, 240, 70},
        {Kind::Label, "标签6", "超文本浏览框1", 8, 8, 200, 20, "超文本浏览框"},
        {Kind::Timer, "时钟1", ""},
    },
};

struct GalleryWindow : ui::Form {
    GalleryWindow() : Form(kGalleryForm) {}
    ui::ComboBox& 组合框1 = Get<ui::ComboBox>("组合框1");
    ui::ComboBox& 组合框2 = Get<ui::ComboBox>("组合框2");
    ui::ListView& 超级列表框1 = Get<ui::ListView>("超级列表框1");
    ui::Canvas& 画板1 = Get<ui::Canvas>("画板1");
    ui::Canvas& 画板2 = Get<ui::Canvas>("画板2");
    ui::PictureBox& 图片框2 = Get<ui::PictureBox>("图片框2");
    ui::PictureButton& 图形按钮1 = Get<ui::PictureButton>("图形按钮1");
    ui::Label& 标签5 = Get<ui::Label>("标签5");
    ui::Label& 标签11 = Get<ui::Label>("标签11");
    ui::CheckBox& 选择框1 = Get<ui::CheckBox>("选择框1");
    ui::VScrollBar& 纵向滚动条1 = Get<ui::VScrollBar>("纵向滚动条1");
};

// A picture of two-colour bands, as PNG bytes.
std::string BandsPng(int width, int height, std::uint32_t top, std::uint32_t bottom) {
    display::Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(y < height / 2 ? top : bottom);
        }
    }
    return display::EncodePng(image);
}

void Fill(GalleryWindow& window) {
    window.Get<ui::EditBox>("编辑框1").SetTextColor(12632256);
    window.Get<ui::MenuItem>("反馈").SetEnabled(false);
    window.组合框1.Select(0);
    window.组合框2.Select(0);
    window.标签11.SetTextColor(RGB(255, 0, 0));
    window.标签5.SetWordWrap(true);
    window.选择框1.SetChecked(true);
    window.纵向滚动条1.SetMaximum(100);
    window.纵向滚动条1.SetPageStep(30);
    window.纵向滚动条1.SetPosition(40);
    window.画板2.SetPicture(BandsPng(128, 40, 0xFF2B5797u, 0xFF9DB0C8u));
    window.画板1.SetPicture(BandsPng(160, 90, 0xFF4A7A3Au, 0xFF8FBF6Fu));
    window.图片框2.SetPicture(BandsPng(120, 70, 0x80FF8000u, 0xFFFFE0A0u));
    window.图形按钮1.SetPictures(BandsPng(103, 32, 0xFF3C7FB1u, 0xFF2B5F8Fu));
    ui::ListView& list = window.超级列表框1;
    list.AddColumn("", 0);
    list.AddColumn("集数", 60, ui::ListView::Align::Center);
    list.AddColumn("目录", 300, ui::ListView::Align::Center);
    list.AddColumn("播放id_搜狐", 0);
    list.SetHeaderVisible(true);
    const char* titles[] = {"新的开始",   "雨中的约定",   "消失的钥匙", "夜空下的列车",
                            "第二次相遇", "风之谷的秘密", "回到原点",   "最后的告别"};
    for (int n = 0; n < 40; ++n) {
        int row = list.AppendRow();
        list.SetCell(row, 1, std::to_string(row + 1));
        list.SetCell(row, 2, titles[n % 8]);
    }
    list.SelectRow(2);
}

TEST(UiGalleryTest, EveryKindRendersWithReadableText) {
    harness::UiSession session(true, 900, 640);
    GalleryWindow window;
    window.Load();
    Fill(window);
    harness::PumpUntilIdle();

    display::Image shot = session.Display().CaptureWindow(window.Hwnd());
    ASSERT_EQ(shot.width, 420);
    // Text is drawn: the label 标签11's red digits leave red pixels.
    RECT label{};
    GetWindowRect(window.标签11.Hwnd(), &label);
    RECT frame{};
    GetWindowRect(window.Hwnd(), &frame);
    int red = 0;
    for (int y = label.top; y < label.bottom; ++y) {
        for (int x = label.left; x < label.right; ++x) {
            std::uint32_t pixel = shot.At(x - frame.left, y - frame.top);
            red += ((pixel >> 16) & 0xFF) > 200 && ((pixel >> 8) & 0xFF) < 80;
        }
    }
    EXPECT_GT(red, 10);

    // Pictures: with the dub box's list open, with a menu open, and with a
    // message box from a worker on top.
    std::string folder = ::testing::TempDir();
    session.Click(window.组合框2);
    EXPECT_TRUE(session.SaveScreenshot(folder + "verdel_ui_gallery.png"));
    session.Click(window.组合框2);
    RECT title{};
    ASSERT_TRUE(ui::MenuItemScreenRect(window.Get<ui::MenuItem>("功能"), &title));
    session.MoveToScreen(POINT{title.left + 5, title.top + 5});
    session.PressScreen(POINT{title.left + 5, title.top + 5});
    session.ReleaseScreen(POINT{title.left + 5, title.top + 5});
    EXPECT_TRUE(session.SaveScreenshot(folder + "verdel_ui_gallery_menu.png"));
    session.PressScreen(POINT{850, 600});
    session.ReleaseScreen(POINT{850, 600});
    session.LeaveBoxesOpen(true);
    std::atomic<bool> done{false};
    auto worker = [](void* flag) -> DWORD {
        ui::ShowMessageBox("已是最新版本，无需更新。", "提示：", ui::MessageIcon::Information,
                           ui::MessageButtons::Ok);
        static_cast<std::atomic<bool>*>(flag)->store(true);
        return 0;
    };
    CreateThread(nullptr, 0, worker, &done, 0, nullptr);
    ASSERT_TRUE(harness::PumpUntil([&] { return session.OpenBox() != nullptr; }));
    harness::PumpUntilIdle();
    EXPECT_TRUE(session.SaveScreenshot(folder + "verdel_ui_gallery_box.png"));
    std::printf("gallery: %sverdel_ui_gallery*.png\n", folder.c_str());
    session.ClickBoxButton(session.OpenBox(), 0);
    ASSERT_TRUE(harness::PumpUntil([&] { return done.load(); }));
}

}  // namespace
