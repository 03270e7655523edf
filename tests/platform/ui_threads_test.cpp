#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/kernel/threads.h"
#include "platform/ui/form.h"
#include "platform/ui/message_box.h"
#include "platform/window/window.h"
#include "support/ui_harness.h"

namespace {

using namespace win;
using ui::Kind;

const ui::FormSpec kListForm{
    "列表",
    50,
    50,
    397,
    400,
    {
        {Kind::ListView, "超级列表框1", "", 0, 25, 393, 324},
        {Kind::Label, "标签8", "", 257, 1, 132, 23, "搜索到 n 个结果"},
    },
};

struct ListWindow : ui::Form {
    ListWindow() : Form(kListForm) {}
    ui::ListView& 超级列表框1 = Get<ui::ListView>("超级列表框1");
    ui::Label& 标签8 = Get<ui::Label>("标签8");
};

struct Worker {
    std::function<void()> job;
    HANDLE handle = nullptr;
    std::atomic<bool> done{false};

    static DWORD Run(void* self) {
        auto* worker = static_cast<Worker*>(self);
        worker->job();
        worker->done = true;
        return 0;
    }
    void Start(std::function<void()> work) {
        job = std::move(work);
        handle = CreateThread(nullptr, 0, &Worker::Run, this, 0, nullptr);
    }
};

// Two workers fill one list at the same time: every call runs on the
// window thread, and each worker's rows keep their order.
TEST(UiThreadsTest, WorkerCallsRunOnTheWindowThreadInOrder) {
    harness::UiSession session;
    ListWindow window;
    window.Load();
    window.超级列表框1.AddColumn("", 0);
    window.超级列表框1.AddColumn("集数", 60);
    DWORD windowThread = GetCurrentThreadId();
    std::vector<DWORD> handlerThreads;
    window.超级列表框1.LeftClicked = [&] { handlerThreads.push_back(GetCurrentThreadId()); };

    constexpr int kRows = 300;
    Worker first, second;
    auto fill = [&](const std::string& who) {
        for (int n = 0; n < kRows; ++n) {
            int row = window.超级列表框1.AppendRow();
            window.超级列表框1.SetCell(row, 1, who + std::to_string(n));
        }
        window.标签8.SetText(who + "完");
    };
    first.Start([&] { fill("甲"); });
    second.Start([&] { fill("乙"); });
    ASSERT_TRUE(harness::PumpUntil([&] { return first.done && second.done; }));

    ASSERT_EQ(window.超级列表框1.RowCount(), 2 * kRows);
    int nextFirst = 0, nextSecond = 0;
    for (int row = 0; row < 2 * kRows; ++row) {
        std::string cell = window.超级列表框1.Cell(row, 1);
        if (cell.rfind("甲", 0) == 0) {
            EXPECT_EQ(cell, "甲" + std::to_string(nextFirst++));
        } else {
            EXPECT_EQ(cell, "乙" + std::to_string(nextSecond++));
        }
    }
    EXPECT_EQ(nextFirst, kRows);
    session.ClickAt(window.超级列表框1, POINT{20, 5});
    EXPECT_EQ(handlerThreads, std::vector<DWORD>{windowThread});
}

// A worker's box blocks that worker until a person answers it, while the
// window thread goes on handling its windows.
TEST(UiThreadsTest, AMessageBoxBlocksTheWorkerUntilAnswered) {
    harness::UiSession session;
    ListWindow window;
    window.Load();
    session.LeaveBoxesOpen(true);
    Worker worker;
    std::atomic<int> answer{-1};
    worker.Start([&] {
        answer = int(ui::ShowMessageBox("是否保存设置？", "询问：", ui::MessageIcon::Question,
                                        ui::MessageButtons::YesNo));
    });
    ASSERT_TRUE(harness::PumpUntil([&] { return session.OpenBox() != nullptr; }));
    HWND box = session.OpenBox();
    EXPECT_FALSE(worker.done);
    EXPECT_FALSE(IsWindowEnabled(window.Hwnd()));  // modal over the foreground window

    window.标签8.SetText("仍在运行");  // the window thread is free
    EXPECT_EQ(window.标签8.Text(), "仍在运行");

    session.ClickBoxButton(box, 1);
    ASSERT_TRUE(harness::PumpUntil([&] { return worker.done.load(); }));
    EXPECT_EQ(answer, int(ui::MessageResult::No));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(window.Hwnd()));
    auto boxes = session.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "是否保存设置？");
    EXPECT_EQ(boxes[0].caption, "询问：");
    EXPECT_EQ(boxes[0].icon, ui::MessageIcon::Question);
    EXPECT_EQ(boxes[0].buttons, ui::MessageButtons::YesNo);
}

TEST(UiThreadsTest, ScriptedAnswersAreGivenInOrderAndEveryBoxIsRecorded) {
    harness::UiSession session;
    ListWindow window;
    window.Load();
    session.AnswerNextBox(ui::MessageResult::Cancel);
    struct Case {
        const char* text;
        const char* caption;
        ui::MessageIcon icon;
        ui::MessageButtons buttons;
        ui::MessageResult want;
    };
    const Case cases[] = {
        {"下载失败", "错误：", ui::MessageIcon::Warning, ui::MessageButtons::OkCancel,
         ui::MessageResult::Cancel},
        {"保存成功", "提示：", ui::MessageIcon::Information, ui::MessageButtons::Ok,
         ui::MessageResult::Ok},
        {"是否更新？", "温馨提示：", ui::MessageIcon::Question, ui::MessageButtons::YesNo,
         ui::MessageResult::Yes},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::ShowMessageBox(c.text, c.caption, c.icon, c.buttons), c.want) << c.text;
    }
    EXPECT_EQ(MessageBoxA(window.Hwnd(), "公告内容", "公告", MB_OK | MB_ICONINFORMATION), IDOK);
    auto boxes = session.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].answer, ui::MessageResult::Cancel);
    EXPECT_EQ(boxes[1].caption, "提示：");
    EXPECT_EQ(boxes[3].text, "公告内容");
    EXPECT_EQ(boxes[3].icon, ui::MessageIcon::Information);
    EXPECT_TRUE(IsWindowEnabled(window.Hwnd()));
}

// A worker loading a window owned by the main window: the window thread
// makes it and owns it; a modal one keeps the worker waiting until closed.
TEST(UiThreadsTest, AWorkerLoadsAWindowOnTheOwnersThread) {
    harness::UiSession session;
    ListWindow main;
    main.Load();
    ListWindow dialog;
    Worker worker;
    DWORD createdOn = 0, ownedBy = 0;
    bool ownerEnabled = true, workerDone = true;
    dialog.Created = [&] { createdOn = GetCurrentThreadId(); };
    // The modal loop runs inside the worker's call; the dialog closes itself.
    dialog.Activated = [&] {
        ownedBy = GetWindowThreadProcessId(dialog.Hwnd(), nullptr);
        ownerEnabled = IsWindowEnabled(main.Hwnd()) != FALSE;
        workerDone = worker.done;
        PostMessageA(dialog.Hwnd(), WM_CLOSE, 0, 0);
    };
    worker.Start([&] { dialog.Load(main, true); });
    ASSERT_TRUE(harness::PumpUntil([&] { return worker.done.load(); }));
    EXPECT_EQ(createdOn, GetCurrentThreadId());
    EXPECT_EQ(ownedBy, GetCurrentThreadId());
    EXPECT_FALSE(ownerEnabled);
    EXPECT_FALSE(workerDone);
    EXPECT_FALSE(dialog.Exists());
    EXPECT_TRUE(IsWindowEnabled(main.Hwnd()));
}

// A worker loads no window, but may ask whether one exists and destroy it.
TEST(UiThreadsTest, AWorkerDestroysAFormOnItsThread) {
    harness::UiSession session;
    ListWindow window;
    window.Load();
    Worker worker;
    std::atomic<bool> existedBefore{false};
    worker.Start([&] {
        existedBefore = window.Exists();
        window.Destroy();
    });
    ASSERT_TRUE(harness::PumpUntil([&] { return worker.done.load(); }));
    EXPECT_TRUE(existedBefore);
    EXPECT_FALSE(window.Exists());
}

}  // namespace
