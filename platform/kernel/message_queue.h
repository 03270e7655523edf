#pragma once
// Message queues, one per thread, and the waits that wake for messages.
//
// A thread gets its queue when it first retrieves messages, waits for them,
// sets a timer or creates a window (EnsureMessageQueue). Retrieval follows
// the familiar order: calls sent from other threads are run first, then
// posted messages, then input, then the quit message, then paint, then due
// timers. The window layer plugs in through WindowHooks: it produces paint
// messages, dispatches to window procedures and translates keys.
#include <functional>
#include <optional>

#include "platform/kernel/win_types.h"

namespace win {

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEMOVE = 0x0002;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_HOTKEY = 0x0080;
constexpr DWORD QS_ALLINPUT = 0x04FF;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// Blocks until a message is there; FALSE (0) for WM_QUIT.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Returns WAIT_OBJECT_0 + i when handle i is signalled, WAIT_OBJECT_0 + count
// when the calling thread's queue holds a message of the wake mask, or
// WAIT_TIMEOUT. Only waitAll = FALSE is supported.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                DWORD milliseconds, DWORD wakeMask);

}  // namespace win

namespace kernel {

struct WindowHooks {
    // Produces a paint message for a window of the calling thread that the
    // filter admits; false when none needs painting.
    std::function<bool(win::HWND filter, win::MSG* out)> nextPaint;
    std::function<win::LRESULT(const win::MSG&)> dispatch;
    std::function<bool(const win::MSG&)> translate;
    // Whether a message for target passes a retrieval filter naming window
    // (the window itself or one of its descendants).
    std::function<bool(win::HWND window, win::HWND target)> filterAdmits;
};
void SetWindowHooks(WindowHooks hooks);

// A display driver's turn before a thread blocks for messages: GetMessageA
// and MsgWaitForMultipleObjects (with an input bit in the wake mask) run the
// hook, without the kernel lock, each time they are about to wait. The hook
// shows what was painted and turns pending device input into input messages;
// it returns true when it handled something, and the retrieval looks again.
// WakeForDevice makes a thread blocked in such a wait run the hook (device
// input arrived).
void SetBeforeWaitHook(std::function<bool()> hook);
void WakeForDevice(win::DWORD threadId);

void EnsureMessageQueue();
bool HasMessageQueue(win::DWORD threadId);

bool PostToThread(win::DWORD threadId, const win::MSG& msg);
// Mouse and keyboard input, retrieved after posted messages.
bool PostInputToThread(win::DWORD threadId, const win::MSG& msg);
// The window layer tells the queue whether a window of the thread is waiting
// to be painted, so that waits wake for it.
void SetPaintPending(win::DWORD threadId, bool pending);

// Runs call on the thread that owns the queue, while that thread retrieves
// or waits for messages, and returns its result. The caller blocks
// meanwhile, still running calls sent to itself. On the owning thread the
// call runs at once. None when the thread has no queue or ends first.
std::optional<win::LRESULT> SendToThread(win::DWORD threadId, std::function<win::LRESULT()> call);

// Window timers: a timer is known by its window and id (or, without a
// window, by the id this returns). Setting an existing timer again resets it.
win::UINT_PTR SetThreadTimer(win::DWORD threadId, win::HWND window, win::UINT_PTR id,
                             win::UINT milliseconds, win::TIMERPROC proc);
bool KillThreadTimer(win::DWORD threadId, win::HWND window, win::UINT_PTR id);
void KillWindowTimers(win::HWND window);

// True when no queue holds a posted, input or sent message, and no window
// waits for paint.
bool AllQueuesEmpty();

}  // namespace kernel
