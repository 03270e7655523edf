#pragma once
// Handles of the layer's HTTP interfaces: opaque values that name objects
// the layer owns. A closed or unknown handle finds nothing, so a stale
// handle fails cleanly instead of touching freed memory.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform::http {

class HandleTable {
  public:
    struct Object {
        virtual ~Object() = default;
    };

    void* Add(std::shared_ptr<Object> object) {
        std::lock_guard lock(mutex_);
        const std::uintptr_t id = ++lastId_;
        objects_.emplace(id, std::move(object));
        return reinterpret_cast<void*>(id);
    }

    template <class T>
    std::shared_ptr<T> Find(void* handle) const {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == objects_.end() ? nullptr : std::dynamic_pointer_cast<T>(it->second);
    }

    bool Remove(void* handle) {
        std::shared_ptr<Object> doomed;  // destroyed outside the lock
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == objects_.end()) {
            return false;
        }
        doomed = std::move(it->second);
        objects_.erase(it);
        return true;
    }

  private:
    mutable std::mutex mutex_;
    std::uintptr_t lastId_ = 0;
    std::map<std::uintptr_t, std::shared_ptr<Object>> objects_;
};

}  // namespace platform::http
