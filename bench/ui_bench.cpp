// The control set's speed: filling a list view with the 775 rows of eight
// columns the episode list holds (redraw on, and suspended), a control call
// from a worker (marshalled to the window thread) beside the same call made
// on the window thread, and a full repaint of a main-window-sized form.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/display.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"
#include "platform/ui/form.h"
#include "platform/window/window.h"

namespace {

using namespace win;
using ui::Kind;

void EnsureDisplay() {
    static bool installed = [] {
        display::Install(display::CreateHeadless(1366, 768));
        return true;
    }();
    (void)installed;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

const ui::FormSpec kListForm{"列表", 50,  50,
                             397,    400, {{Kind::ListView, "超级列表框1", "", 0, 25, 393, 324}}};

struct ListWindow : ui::Form {
    ListWindow() : Form(kListForm) {
        for (const char* title : {"", "集数", "目录", "播放id_搜狐", "播放id_乐视", "播放id_爱奇艺",
                                  "缩略图id", "预览图id"}) {
            超级列表框1.AddColumn(title, std::string(title) == "集数"   ? 60
                                         : std::string(title) == "目录" ? 312
                                                                        : 0);
        }
    }
    ui::ListView& 超级列表框1 = Get<ui::ListView>("超级列表框1");
};

void FillList(ui::ListView& list) {
    list.DeleteAllRows();
    for (int n = 1; n <= 775; ++n) {
        int row = list.AppendRow();
        list.SetCell(row, 1, std::to_string(row + 1));
        list.SetCell(row, 2, "第" + std::to_string(n) + "集 雨中的约定与消失的钥匙");
        list.SetCell(row, 3, "4823" + std::to_string(n));
        list.SetCell(row, 4, "9912" + std::to_string(n));
        list.SetCell(row, 5, "a7f3" + std::to_string(n));
        list.SetCell(row, 6, "http://covers.test/" + std::to_string(n) + ".jpg");
        list.SetCell(row, 7, "p" + std::to_string(n));
    }
}

// The fill the episode list does, drawing as it goes (paint merged into
// the next loop turn, which is counted).
void BM_ListFill775RowsRedrawOn(benchmark::State& state) {
    EnsureDisplay();
    ListWindow window;
    window.Load();
    Pump();
    for (auto _ : state) {
        FillList(window.超级列表框1);
        Pump();
    }
    state.SetItemsProcessed(state.iterations() * 775);
}
BENCHMARK(BM_ListFill775RowsRedrawOn)->Unit(benchmark::kMillisecond);

void BM_ListFill775RowsRedrawSuspended(benchmark::State& state) {
    EnsureDisplay();
    ListWindow window;
    window.Load();
    Pump();
    for (auto _ : state) {
        window.超级列表框1.SetRedraw(false);
        FillList(window.超级列表框1);
        window.超级列表框1.SetRedraw(true);
        Pump();
    }
    state.SetItemsProcessed(state.iterations() * 775);
}
BENCHMARK(BM_ListFill775RowsRedrawSuspended)->Unit(benchmark::kMillisecond);

const ui::FormSpec kLabelForm{
    "标签", 50, 50, 300, 200, {{Kind::Label, "标签8", "", 10, 10, 132, 23, "搜索到 n 个结果"}}};

// The anchor: a control call on the window thread.
void BM_ControlCallOnWindowThread(benchmark::State& state) {
    EnsureDisplay();
    ui::Form window(kLabelForm);
    window.Load();
    ui::Label& label = window.Get<ui::Label>("标签8");
    for (auto _ : state) {
        label.SetTag("搜索到 12 个结果");
        benchmark::DoNotOptimize(label.Tag());
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ControlCallOnWindowThread)->Unit(benchmark::kMicrosecond);

// The same two calls from a worker: the form lives on a window thread that
// waits in its message loop, and each call runs there.
void BM_ControlCallMarshalledFromWorker(benchmark::State& state) {
    EnsureDisplay();
    std::unique_ptr<ui::Form> window;
    std::atomic<DWORD> windowThread{0};
    std::thread loop([&] {
        window = std::make_unique<ui::Form>(kLabelForm);
        window->Load();
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        windowThread = GetCurrentThreadId();
        while (GetMessageA(&msg, nullptr, 0, 0)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        window.reset();
    });
    while (windowThread == 0) {
        std::this_thread::yield();
    }
    ui::Label& label = window->Get<ui::Label>("标签8");
    for (auto _ : state) {
        label.SetTag("搜索到 12 个结果");
        benchmark::DoNotOptimize(label.Tag());
    }
    state.SetItemsProcessed(state.iterations() * 2);
    kernel::SendToThread(windowThread, [] {
        PostQuitMessage(0);
        return win::LRESULT(0);
    });
    loop.join();
}
BENCHMARK(BM_ControlCallMarshalledFromWorker)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A main-window-sized form of 30 controls with Chinese texts, painted whole.
ui::FormSpec RepaintForm() {
    std::vector<ui::ControlSpec> controls;
    const char* texts[] = {"更新至", "剧场版",   "搜索到 12 个结果",
                           "预览图", "滑动预览", "一个很长很长的标题，在这里自动换行"};
    for (int i = 0; i < 24; ++i) {
        Kind kind = i % 3 == 0 ? Kind::Button : i % 3 == 1 ? Kind::Label : Kind::EditBox;
        controls.emplace_back(kind, "控件" + std::to_string(i), "", 8 + (i % 3) * 126,
                              8 + (i / 3) * 34, 120, 28, texts[i % 6]);
    }
    controls.emplace_back(Kind::ComboBox, "组合框1", "", 8, 290, 97, 27, "TV版\n剧场版");
    controls.emplace_back(Kind::ComboBox, "组合框2", "", 110, 290, 81, 27, "国语\n日语");
    controls.emplace_back(Kind::ListView, "超级列表框1", "", 8, 324, 380, 180);
    controls.emplace_back(Kind::CheckBox, "选择框1", "", 8, 512, 120, 20, "总在最前");
    controls.emplace_back(Kind::VScrollBar, "纵向滚动条1", "", 360, 512, 20, 70);
    controls.emplace_back(Kind::Frame, "外形框1", "", 140, 512, 200, 70);
    return ui::FormSpec("Verdel", 50, 50, 400, 630, controls);
}

void BM_FullRepaint400x630With30Controls(benchmark::State& state) {
    EnsureDisplay();
    ui::Form window(RepaintForm());
    window.Load();
    auto& list = window.Get<ui::ListView>("超级列表框1");
    list.AddColumn("集数", 60, ui::ListView::Align::Center);
    list.AddColumn("目录", 300, ui::ListView::Align::Center);
    for (int n = 0; n < 20; ++n) {
        int row = list.AppendRow();
        list.SetCell(row, 0, std::to_string(n + 1));
        list.SetCell(row, 1, "雨中的约定");
    }
    window.Get<ui::ComboBox>("组合框1").Select(0);
    window.Get<ui::ComboBox>("组合框2").Select(1);
    Pump();
    for (auto _ : state) {
        InvalidateRect(window.Hwnd(), nullptr, TRUE);
        UpdateWindow(window.Hwnd());
    }
}
BENCHMARK(BM_FullRepaint400x630With30Controls)->Unit(benchmark::kMillisecond);

}  // namespace
