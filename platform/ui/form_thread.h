#pragma once
// Running a control operation on the thread that owns the form's windows.
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/kernel/message_queue.h"
#include "platform/kernel/threads.h"

namespace ui {

class Form;
// The thread that loaded the form; 0 while it has no window.
win::DWORD FormThreadOf(const Form& form);

template <class F>
auto RunOnThread(win::DWORD thread, F&& call) -> std::invoke_result_t<F&> {
    using Result = std::invoke_result_t<F&>;
    if (thread == 0 || thread == win::GetCurrentThreadId()) {
        return call();
    }
    if constexpr (std::is_void_v<Result>) {
        kernel::SendToThread(thread, [&]() -> win::LRESULT {
            call();
            return 0;
        });
    } else {
        std::optional<Result> result;
        kernel::SendToThread(thread, [&]() -> win::LRESULT {
            result.emplace(call());
            return 0;
        });
        // The window thread ended first: the neutral value.
        return result ? std::move(*result) : Result{};
    }
}

template <class F>
auto Control::OnFormThread(F&& call) const -> std::invoke_result_t<F&> {
    return RunOnThread(FormThreadOf(form_), std::forward<F>(call));
}

}  // namespace ui
