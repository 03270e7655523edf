#include "platform/kernel/threads.h"

#include <atomic>
#include <thread>
#include <unordered_map>

#include "platform/kernel/kernel_core.h"

namespace kernel {
namespace {

using win::DWORD;

class ThreadObject : public core::Object {
  public:
    explicit ThreadObject(DWORD id) : id_(id) {}
    bool IsSignalled() const override { return exited_; }
    DWORD ExitCode() const { return exited_ ? exitCode_ : win::STILL_ACTIVE; }
    void Finish(DWORD code) {
        exitCode_ = code;
        exited_ = true;
    }
    DWORD Id() const { return id_; }

  private:
    DWORD id_;
    DWORD exitCode_ = win::STILL_ACTIVE;
    bool exited_ = false;
};

std::atomic<DWORD> nextThreadId{1000};
thread_local DWORD currentThreadId = 0;

// Threads by id, for OpenThread; a thread that ended and has no handle left
// is gone, as it is on Windows.
std::unordered_map<DWORD, std::weak_ptr<ThreadObject>>& Registry() {
    static auto* registry = new std::unordered_map<DWORD, std::weak_ptr<ThreadObject>>;
    return *registry;
}

int running = 0;

}  // namespace

int RunningThreads() {
    std::lock_guard guard(core::Lock());
    return running;
}

int BusyThreads() {
    std::lock_guard guard(core::Lock());
    return running - core::WaitingWorkers();
}

void CountCallingThread(bool counted) {
    std::lock_guard guard(core::Lock());
    if (counted == core::IsWorkerThread()) {
        return;
    }
    if (counted) {
        core::MarkWorkerThread();
        ++running;
    } else {
        core::UnmarkWorkerThread();
        --running;
    }
    core::WakeAll();
}

}  // namespace kernel

namespace win {

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE routine, void* parameter, DWORD,
                    DWORD* threadId) {
    using namespace kernel;
    DWORD id = nextThreadId++;
    auto object = std::make_shared<ThreadObject>(id);
    HANDLE handle;
    {
        std::lock_guard guard(core::Lock());
        Registry()[id] = object;
        handle = core::AddHandle(object);
        ++running;
    }
    try {
        std::thread([object, routine, parameter]() mutable {
            currentThreadId = object->Id();
            core::MarkWorkerThread();
            DWORD code = routine(parameter);
            std::lock_guard guard(core::Lock());
            object->Finish(code);
            // From here only handles keep the thread's object.
            object.reset();
            --running;
            core::WakeAll();
        }).detach();
    } catch (const std::system_error&) {
        std::lock_guard guard(core::Lock());
        --running;
        Registry().erase(id);
        core::RemoveHandle(handle);
        return nullptr;
    }
    if (threadId) {
        *threadId = id;
    }
    return handle;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
    std::lock_guard guard(kernel::core::Lock());
    auto object = std::dynamic_pointer_cast<kernel::ThreadObject>(kernel::core::FindHandle(thread));
    if (!object || !exitCode) {
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

HANDLE OpenThread(DWORD, BOOL, DWORD threadId) {
    std::lock_guard guard(kernel::core::Lock());
    auto& registry = kernel::Registry();
    auto it = registry.find(threadId);
    if (it == registry.end()) {
        return nullptr;
    }
    auto object = it->second.lock();
    if (!object) {
        registry.erase(it);
        return nullptr;
    }
    return kernel::core::AddHandle(object);
}

DWORD GetCurrentThreadId() {
    if (kernel::currentThreadId == 0) {
        kernel::currentThreadId = kernel::nextThreadId++;
    }
    return kernel::currentThreadId;
}

void Sleep(DWORD milliseconds) {
    std::unique_lock lock(kernel::core::Lock());
    kernel::Ticks deadline =
        kernel::Now() + kernel::Ticks(milliseconds) * kernel::kTicksPerMillisecond;
    kernel::core::WaitUntil(
        lock, [] { return false; }, deadline);
}

}  // namespace win
