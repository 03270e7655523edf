#include "toolkit/pumping_wait.h"

#include "platform/kernel/handles.h"
#include "platform/kernel/message_queue.h"
#include "platform/kernel/timers.h"

namespace {

std::int64_t MillisecondsPerUnit(std::int64_t unit) {
    switch (unit) {
        case 0:
            return 1;
        case 1:
            return 1000;
        case 2:
            return 60000;
        case 3:
            return 3600000;
        default:
            return unit;
    }
}

// Handles everything queued for this thread right now. A quit message is
// put back so that the thread's own loop still sees it.
void PumpQueuedMessages() {
    win::MSG msg;
    while (win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            win::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        win::TranslateMessage(&msg);
        win::DispatchMessageA(&msg);
    }
}

}  // namespace

bool PumpingWait(std::int64_t duration, std::int64_t unit) {
    win::LARGE_INTEGER due{-(duration * MillisecondsPerUnit(unit) * 10000)};
    win::HANDLE timer = win::CreateWaitableTimerA(nullptr, win::FALSE, nullptr);
    if (!timer) {
        return true;
    }
    if (!win::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, win::FALSE)) {
        win::CloseHandle(timer);
        return true;
    }
    constexpr win::DWORD kAllMessages = 0xFF;
    while (win::MsgWaitForMultipleObjects(1, &timer, win::FALSE, win::INFINITE, kAllMessages) !=
           win::WAIT_OBJECT_0) {
        PumpQueuedMessages();
    }
    win::CloseHandle(timer);
    return true;
}
