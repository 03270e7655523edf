#include "platform/kernel/message_queue.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/kernel/kernel_core.h"
#include "platform/kernel/threads.h"
#include "platform/kernel/wait_helpers.h"

namespace kernel {
namespace {

using win::DWORD;
using win::HWND;
using win::MSG;
using win::UINT;
using win::UINT_PTR;

struct SentCall {
    std::function<win::LRESULT()> call;
    win::LRESULT result = 0;
    bool done = false;
    bool abandoned = false;
};

struct WindowTimer {
    HWND window;
    UINT_PTR id;
    Ticks period;
    Ticks due;
    win::TIMERPROC proc;
};

struct Queue {
    DWORD threadId = 0;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    std::deque<std::shared_ptr<SentCall>> sent;
    std::vector<WindowTimer> timers;
    bool paintPending = false;
    bool quitPending = false;
    int quitCode = 0;
    bool deviceWake = false;  // WakeForDevice: run the before-wait hook
    // Moves on with every change a blocked retrieval may be waiting for.
    std::uint64_t generation = 0;
};

// Every queue by thread id; all fields are guarded by the kernel lock.
std::unordered_map<DWORD, std::shared_ptr<Queue>>& Queues() {
    static auto* queues = new std::unordered_map<DWORD, std::shared_ptr<Queue>>;
    return *queues;
}

WindowHooks& Hooks() {
    static auto* hooks = new WindowHooks;
    return *hooks;
}

std::function<bool()>& BeforeWaitHook() {
    static auto* hook = new std::function<bool()>;
    return *hook;
}

UINT_PTR nextTimerId = 1;

std::shared_ptr<Queue> FindQueue(DWORD threadId) {
    auto it = Queues().find(threadId);
    return it == Queues().end() ? nullptr : it->second;
}

std::optional<Ticks> EarliestTimer(const Queue& queue) {
    std::optional<Ticks> earliest;
    for (const WindowTimer& timer : queue.timers) {
        earliest = core::Earliest(earliest, timer.due);
    }
    return earliest;
}

std::optional<Ticks> EarliestTimerOfAll() {
    std::optional<Ticks> earliest;
    for (auto& [id, queue] : Queues()) {
        earliest = core::Earliest(earliest, EarliestTimer(*queue));
    }
    return earliest;
}

// Ends the queue with its thread: calls still waiting to be run there are
// abandoned, so their senders return.
struct QueueOwner {
    std::shared_ptr<Queue> queue;
    ~QueueOwner() {
        if (!queue) {
            return;
        }
        std::lock_guard guard(core::Lock());
        for (auto& call : queue->sent) {
            call->abandoned = true;
        }
        queue->sent.clear();
        Queues().erase(queue->threadId);
        core::WakeAll();
    }
};

thread_local QueueOwner currentQueue;

// With the lock held.
Queue& CurrentQueue() {
    if (!currentQueue.queue) {
        static bool timerSourceSet = false;
        if (!timerSourceSet) {
            core::SetTimerDeadlineSource(EarliestTimerOfAll);
            timerSourceSet = true;
        }
        auto queue = std::make_shared<Queue>();
        queue->threadId = win::GetCurrentThreadId();
        Queues()[queue->threadId] = queue;
        currentQueue.queue = queue;
    }
    return *currentQueue.queue;
}

bool Admits(HWND filter, UINT filterMin, UINT filterMax, const MSG& msg) {
    if (filterMin != 0 || filterMax != 0) {
        if (msg.message < filterMin || msg.message > filterMax) {
            return false;
        }
    }
    if (!filter) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(-1)) {
        return msg.hwnd == nullptr;
    }
    auto& admits = Hooks().filterAdmits;
    return admits ? admits(filter, msg.hwnd) : msg.hwnd == filter;
}

DWORD TimeStamp() {
    return win::GetTickCount();
}

MSG MakeMessage(HWND window, UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    return MSG{window, message, wParam, lParam, TimeStamp(), {0, 0}};
}

// Runs the calls other threads sent to this one (lock held on entry and exit).
bool RunSentCalls(std::unique_lock<std::mutex>& lock, Queue& queue) {
    bool ran = false;
    while (!queue.sent.empty()) {
        auto call = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        win::LRESULT result = call->call();
        lock.lock();
        call->result = result;
        call->done = true;
        core::WakeAll();
        ran = true;
    }
    return ran;
}

bool TakeFrom(std::deque<MSG>& messages, HWND filter, UINT filterMin, UINT filterMax, bool remove,
              MSG* out) {
    auto it = std::find_if(messages.begin(), messages.end(), [&](const MSG& msg) {
        return Admits(filter, filterMin, filterMax, msg);
    });
    if (it == messages.end()) {
        return false;
    }
    *out = *it;
    if (remove) {
        messages.erase(it);
    }
    return true;
}

bool TakeDueTimer(Queue& queue, HWND filter, UINT filterMin, UINT filterMax, bool remove,
                  MSG* out) {
    Ticks now = Now();
    for (WindowTimer& timer : queue.timers) {
        if (timer.due > now) {
            continue;
        }
        MSG msg = MakeMessage(timer.window, win::WM_TIMER, timer.id,
                              reinterpret_cast<win::LPARAM>(timer.proc));
        if (!Admits(filter, filterMin, filterMax, msg)) {
            continue;
        }
        *out = msg;
        if (remove) {
            timer.due = now + timer.period;
        }
        return true;
    }
    return false;
}

bool HasMessageFor(const Queue& queue, DWORD wakeMask) {
    if ((wakeMask & win::QS_SENDMESSAGE) && !queue.sent.empty()) {
        return true;
    }
    if ((wakeMask & win::QS_POSTMESSAGE) && (!queue.posted.empty() || queue.quitPending)) {
        return true;
    }
    if ((wakeMask & (win::QS_KEY | win::QS_MOUSEMOVE | win::QS_MOUSEBUTTON)) &&
        !queue.input.empty()) {
        return true;
    }
    if ((wakeMask & win::QS_PAINT) && queue.paintPending) {
        return true;
    }
    if (wakeMask & win::QS_TIMER) {
        Ticks now = Now();
        for (const WindowTimer& timer : queue.timers) {
            if (timer.due <= now) {
                return true;
            }
        }
    }
    return false;
}

// Gives the display driver its turn before the thread blocks (lock held on
// entry and exit); true when the hook handled something.
bool RunBeforeWait(std::unique_lock<std::mutex>& lock, Queue& queue) {
    queue.deviceWake = false;
    auto hook = BeforeWaitHook();
    if (!hook) {
        return false;
    }
    lock.unlock();
    bool handled = hook();
    lock.lock();
    return handled;
}

enum class Retrieved { Message, Quit, Nothing };

// One look at the queue in retrieval order (lock held).
Retrieved Look(std::unique_lock<std::mutex>& lock, Queue& queue, MSG* out, HWND filter,
               UINT filterMin, UINT filterMax, bool remove) {
    RunSentCalls(lock, queue);
    if (TakeFrom(queue.posted, filter, filterMin, filterMax, remove, out) ||
        TakeFrom(queue.input, filter, filterMin, filterMax, remove, out)) {
        return Retrieved::Message;
    }
    if (queue.quitPending) {
        *out = MakeMessage(nullptr, win::WM_QUIT, static_cast<win::WPARAM>(queue.quitCode), 0);
        if (remove) {
            queue.quitPending = false;
        }
        return Retrieved::Quit;
    }
    if (queue.paintPending && Hooks().nextPaint) {
        auto nextPaint = Hooks().nextPaint;
        lock.unlock();
        bool painted = nextPaint(filter, out);
        lock.lock();
        if (painted) {
            return Retrieved::Message;
        }
    }
    if (TakeDueTimer(queue, filter, filterMin, filterMax, remove, out)) {
        return Retrieved::Message;
    }
    return Retrieved::Nothing;
}

}  // namespace

void SetWindowHooks(WindowHooks hooks) {
    std::lock_guard guard(core::Lock());
    Hooks() = std::move(hooks);
}

void SetBeforeWaitHook(std::function<bool()> hook) {
    std::lock_guard guard(core::Lock());
    BeforeWaitHook() = std::move(hook);
}

void WakeForDevice(DWORD threadId) {
    std::lock_guard guard(core::Lock());
    if (auto queue = FindQueue(threadId)) {
        queue->deviceWake = true;
        ++queue->generation;
        core::WakeAll();
    }
}

void EnsureMessageQueue() {
    std::lock_guard guard(core::Lock());
    CurrentQueue();
}

bool HasMessageQueue(DWORD threadId) {
    std::lock_guard guard(core::Lock());
    return FindQueue(threadId) != nullptr;
}

static bool Post(DWORD threadId, const MSG& msg, bool input) {
    std::lock_guard guard(core::Lock());
    auto queue = FindQueue(threadId);
    if (!queue) {
        return false;
    }
    MSG stamped = msg;
    if (stamped.time == 0) {
        stamped.time = TimeStamp();
    }
    (input ? queue->input : queue->posted).push_back(stamped);
    ++queue->generation;
    core::WakeAll();
    return true;
}

bool PostToThread(DWORD threadId, const MSG& msg) {
    return Post(threadId, msg, false);
}

bool PostInputToThread(DWORD threadId, const MSG& msg) {
    return Post(threadId, msg, true);
}

void SetPaintPending(DWORD threadId, bool pending) {
    std::lock_guard guard(core::Lock());
    if (auto queue = FindQueue(threadId)) {
        queue->paintPending = pending;
        ++queue->generation;
        core::WakeAll();
    }
}

std::optional<win::LRESULT> SendToThread(DWORD threadId, std::function<win::LRESULT()> call) {
    if (threadId == win::GetCurrentThreadId()) {
        return call();
    }
    std::unique_lock lock(core::Lock());
    auto target = FindQueue(threadId);
    if (!target) {
        return std::nullopt;
    }
    auto sent = std::make_shared<SentCall>();
    sent->call = std::move(call);
    target->sent.push_back(sent);
    ++target->generation;
    core::WakeAll();
    Queue& own = CurrentQueue();
    while (!sent->done && !sent->abandoned) {
        if (RunSentCalls(lock, own)) {
            continue;
        }
        core::WaitUntil(
            lock, [&] { return sent->done || sent->abandoned || !own.sent.empty(); }, std::nullopt);
    }
    if (sent->abandoned) {
        return std::nullopt;
    }
    return sent->result;
}

UINT_PTR SetThreadTimer(DWORD threadId, HWND window, UINT_PTR id, UINT milliseconds,
                        win::TIMERPROC proc) {
    std::lock_guard guard(core::Lock());
    auto queue = threadId == win::GetCurrentThreadId() ? currentQueue.queue : FindQueue(threadId);
    if (!queue) {
        if (threadId != win::GetCurrentThreadId()) {
            return 0;
        }
        CurrentQueue();
        queue = currentQueue.queue;
    }
    // Windows raises elapse times below 10 ms to 10 ms.
    Ticks period = Ticks(std::max<UINT>(milliseconds, 10)) * kTicksPerMillisecond;
    if (!window && id == 0) {
        id = nextTimerId++;
    }
    for (WindowTimer& timer : queue->timers) {
        if (timer.window == window && timer.id == id) {
            timer.period = period;
            timer.due = Now() + period;
            timer.proc = proc;
            core::WakeAll();
            return window ? 1 : id;
        }
    }
    if (!window && id != 0) {
        // A thread timer named by id that does not exist gets a fresh id.
        id = nextTimerId++;
    }
    queue->timers.push_back(WindowTimer{window, id, period, Now() + period, proc});
    core::WakeAll();
    return window ? 1 : id;
}

bool KillThreadTimer(DWORD threadId, HWND window, UINT_PTR id) {
    std::lock_guard guard(core::Lock());
    auto queue = FindQueue(threadId);
    if (!queue) {
        return false;
    }
    auto removed = std::erase_if(queue->timers, [&](const WindowTimer& timer) {
        return timer.window == window && timer.id == id;
    });
    return removed > 0;
}

void KillWindowTimers(HWND window) {
    std::lock_guard guard(core::Lock());
    for (auto& [id, queue] : Queues()) {
        std::erase_if(queue->timers,
                      [&](const WindowTimer& timer) { return timer.window == window; });
    }
}

bool AllQueuesEmpty() {
    std::lock_guard guard(core::Lock());
    for (auto& [id, queue] : Queues()) {
        if (!queue->posted.empty() || !queue->input.empty() || !queue->sent.empty() ||
            queue->paintPending || queue->quitPending) {
            return false;
        }
    }
    return true;
}

}  // namespace kernel

namespace win {

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (!msg) {
        return -1;
    }
    std::unique_lock lock(kernel::core::Lock());
    kernel::Queue& queue = kernel::CurrentQueue();
    while (true) {
        std::uint64_t seen = queue.generation;
        auto found = kernel::Look(lock, queue, msg, window, filterMin, filterMax, true);
        if (found == kernel::Retrieved::Quit) {
            return FALSE;
        }
        if (found == kernel::Retrieved::Message) {
            // A WM_QUIT posted as an ordinary message ends the loop too.
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (kernel::RunBeforeWait(lock, queue)) {
            continue;
        }
        // Sleep until the queue changes or a timer falls due; what is there
        // now did not pass the filter.
        kernel::core::WaitUntil(
            lock,
            [&] { return queue.generation != seen || !queue.sent.empty() || queue.deviceWake; },
            kernel::EarliestTimer(queue));
    }
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg) {
        return FALSE;
    }
    std::unique_lock lock(kernel::core::Lock());
    kernel::Queue& queue = kernel::CurrentQueue();
    bool remove = (removeFlags & PM_REMOVE) != 0;
    auto found = kernel::Look(lock, queue, msg, window, filterMin, filterMax, remove);
    return found == kernel::Retrieved::Nothing ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    std::function<bool(const MSG&)> translate;
    {
        std::lock_guard guard(kernel::core::Lock());
        translate = kernel::Hooks().translate;
    }
    return msg && translate && translate(*msg) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    std::function<LRESULT(const MSG&)> dispatch;
    {
        std::lock_guard guard(kernel::core::Lock());
        dispatch = kernel::Hooks().dispatch;
    }
    return msg->hwnd && dispatch ? dispatch(*msg) : 0;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    return kernel::PostToThread(threadId, kernel::MakeMessage(nullptr, message, wParam, lParam))
               ? TRUE
               : FALSE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard guard(kernel::core::Lock());
    kernel::Queue& queue = kernel::CurrentQueue();
    queue.quitPending = true;
    queue.quitCode = exitCode;
    ++queue.generation;
    kernel::core::WakeAll();
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                DWORD milliseconds, DWORD wakeMask) {
    if (waitAll || (count > 0 && !handles)) {
        return WAIT_FAILED;
    }
    std::unique_lock lock(kernel::core::Lock());
    std::vector<std::shared_ptr<kernel::core::Object>> objects;
    for (DWORD i = 0; i < count; ++i) {
        auto object = kernel::core::FindHandle(handles[i]);
        if (!object) {
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    kernel::Queue& queue = kernel::CurrentQueue();
    std::optional<kernel::Ticks> timeout = kernel::core::TimeoutDeadline(milliseconds);
    while (true) {
        for (DWORD i = 0; i < count; ++i) {
            if (objects[i]->IsSignalled()) {
                objects[i]->OnWaitSatisfied();
                return WAIT_OBJECT_0 + i;
            }
        }
        if (kernel::HasMessageFor(queue, wakeMask)) {
            return WAIT_OBJECT_0 + count;
        }
        // The display's turn comes before the timeout, so even a zero wait
        // shows what was painted and reads device input.
        constexpr DWORD kInput = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON;
        if ((wakeMask & kInput) && kernel::RunBeforeWait(lock, queue)) {
            continue;
        }
        if (timeout && kernel::Now() >= *timeout) {
            return WAIT_TIMEOUT;
        }
        std::optional<kernel::Ticks> deadline = timeout;
        for (auto& object : objects) {
            deadline = kernel::core::Earliest(deadline, object->SignalTime());
        }
        if (wakeMask & QS_TIMER) {
            deadline = kernel::core::Earliest(deadline, kernel::EarliestTimer(queue));
        }
        auto ready = [&] {
            for (auto& object : objects) {
                if (object->IsSignalled()) {
                    return true;
                }
            }
            return kernel::HasMessageFor(queue, wakeMask) ||
                   ((wakeMask & kInput) && queue.deviceWake);
        };
        kernel::core::WaitUntil(lock, ready, deadline);
    }
}

}  // namespace win
