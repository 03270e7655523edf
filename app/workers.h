#pragma once
// Locks and worker threads as the program uses them: locks made once at
// start-up that live as long as the program, and threads started for one
// job each, never joined (ending the program ends them).
#include <functional>
#include <memory>

#include "platform/kernel/sync.h"
#include "platform/kernel/threads.h"

namespace app {

struct LockDeleter {
    void operator()(win::CRITICAL_SECTION* section) const;
};
// A critical section, deleted with its owner (the program object).
using Lock = std::unique_ptr<win::CRITICAL_SECTION, LockDeleter>;

// Creates and initialises one critical section.
Lock CreateLock();

// The handle of a started worker; closing it (when the object goes) leaves
// the thread running.
class WorkerThread {
  public:
    WorkerThread() = default;
    explicit WorkerThread(win::HANDLE handle) : handle_(handle) {}
    ~WorkerThread();
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&& other) noexcept;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    win::HANDLE Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    win::HANDLE handle_ = nullptr;
};

// Starts routine(argument) on a new thread with the default stack and no
// flags. Keep the result only where the handle is needed; an empty result
// means no thread could be started.
WorkerThread StartWorker(win::LPTHREAD_START_ROUTINE routine, void* argument = nullptr);
// The same for a job that carries its own state.
WorkerThread StartWorker(std::function<void()> job);

}  // namespace app
