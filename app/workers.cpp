#include "app/workers.h"

#include <utility>

#include "platform/kernel/handles.h"

namespace app {

namespace {

win::DWORD RunJob(void* parameter) {
    std::unique_ptr<std::function<void()>> job(static_cast<std::function<void()>*>(parameter));
    (*job)();
    return 0;
}

}  // namespace

void LockDeleter::operator()(win::CRITICAL_SECTION* section) const {
    win::DeleteCriticalSection(section);
    delete section;
}

Lock CreateLock() {
    Lock lock(new win::CRITICAL_SECTION);
    win::InitializeCriticalSection(lock.get());
    return lock;
}

WorkerThread::~WorkerThread() {
    if (handle_ != nullptr) {
        win::CloseHandle(handle_);
    }
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept {
    if (this != &other) {
        WorkerThread gone(std::move(*this));
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

WorkerThread StartWorker(win::LPTHREAD_START_ROUTINE routine, void* argument) {
    return WorkerThread(win::CreateThread(nullptr, 0, routine, argument, 0, nullptr));
}

WorkerThread StartWorker(std::function<void()> job) {
    auto* owned = new std::function<void()>(std::move(job));
    WorkerThread thread = StartWorker(RunJob, owned);
    if (!thread) {
        delete owned;
    }
    return thread;
}

}  // namespace app
