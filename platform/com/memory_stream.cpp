#include "platform/com/memory_stream.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace win {
namespace {

struct Block {
    std::unique_ptr<std::uint8_t[]> memory;
    std::size_t size = 0;
    std::size_t capacity = 0;
    bool moveable = false;
    int locks = 0;
    bool freed = false;
};

struct Blocks {
    std::mutex mutex;
    std::unordered_map<HGLOBAL, std::shared_ptr<Block>> live;
};

Blocks& Table() {
    static Blocks* blocks = new Blocks;
    return *blocks;
}

std::unique_ptr<std::uint8_t[]> Allocate(std::size_t bytes, bool zero) {
    // One byte at least, so that even an empty fixed block has an address
    // of its own.
    auto memory = std::unique_ptr<std::uint8_t[]>(
        new (std::nothrow) std::uint8_t[std::max<std::size_t>(bytes, 1)]);
    if (memory && zero) {
        std::memset(memory.get(), 0, std::max<std::size_t>(bytes, 1));
    }
    return memory;
}

std::shared_ptr<Block> Find(HGLOBAL handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.live.find(handle);
    return it == table.live.end() ? nullptr : it->second;
}

// Resizes a block within its memory or, when it may move, into new memory;
// the caller holds the table lock.
bool Resize(Block& block, std::size_t bytes, bool zero, bool mayMove) {
    if (bytes > block.capacity) {
        if (!mayMove || block.locks > 0) {
            return false;
        }
        const std::size_t capacity = std::max(bytes, block.capacity * 2);
        auto memory = Allocate(capacity, false);
        if (!memory) {
            return false;
        }
        std::memcpy(memory.get(), block.memory.get(), block.size);
        block.memory = std::move(memory);
        block.capacity = capacity;
    }
    if (zero && bytes > block.size) {
        std::memset(block.memory.get() + block.size, 0, bytes - block.size);
    }
    block.size = bytes;
    return true;
}

class HGlobalStream final : public IStream {
  public:
    HGlobalStream(HGLOBAL handle, std::shared_ptr<Block> block, bool deleteOnRelease)
        : handle_(handle), block_(std::move(block)), deleteOnRelease_(deleteOnRelease) {}

    HGLOBAL handle() const { return handle_; }

    ULONG AddRef() override { return ++references_; }

    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            if (deleteOnRelease_) {
                GlobalFree(handle_);
            }
            delete this;
        }
        return left;
    }

    HRESULT Read(void* buffer, ULONG bytes, ULONG* read) override {
        if (read) {
            *read = 0;
        }
        if (buffer == nullptr && bytes > 0) {
            return STG_E_INVALIDPOINTER;
        }
        std::lock_guard lock(Table().mutex);
        if (block_->freed) {
            return STG_E_REVERTED;
        }
        const std::size_t available = position_ < block_->size ? block_->size - position_ : 0;
        const std::size_t count = std::min<std::size_t>(bytes, available);
        if (count > 0) {
            std::memcpy(buffer, block_->memory.get() + position_, count);
        }
        position_ += count;
        if (read) {
            *read = static_cast<ULONG>(count);
        }
        return S_OK;
    }

    HRESULT Write(const void* buffer, ULONG bytes, ULONG* written) override {
        if (written) {
            *written = 0;
        }
        if (buffer == nullptr && bytes > 0) {
            return STG_E_INVALIDPOINTER;
        }
        std::lock_guard lock(Table().mutex);
        if (block_->freed) {
            return STG_E_REVERTED;
        }
        const std::uint64_t end = position_ + bytes;
        if (end > block_->size && !Resize(*block_, end, true, block_->moveable)) {
            return STG_E_MEDIUMFULL;
        }
        if (bytes > 0) {
            std::memcpy(block_->memory.get() + position_, buffer, bytes);
        }
        position_ = end;
        if (written) {
            *written = bytes;
        }
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, std::uint64_t* newPosition) override {
        std::lock_guard lock(Table().mutex);
        if (block_->freed) {
            return STG_E_REVERTED;
        }
        std::int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET:
                break;
            case STREAM_SEEK_CUR:
                base = static_cast<std::int64_t>(position_);
                break;
            case STREAM_SEEK_END:
                base = static_cast<std::int64_t>(block_->size);
                break;
            default:
                return STG_E_INVALIDFUNCTION;
        }
        if (base + move.QuadPart < 0) {
            return STG_E_INVALIDFUNCTION;
        }
        position_ = static_cast<std::uint64_t>(base + move.QuadPart);
        if (newPosition) {
            *newPosition = position_;
        }
        return S_OK;
    }

    HRESULT SetSize(std::uint64_t size) override {
        std::lock_guard lock(Table().mutex);
        if (block_->freed) {
            return STG_E_REVERTED;
        }
        return Resize(*block_, size, true, block_->moveable) ? S_OK : STG_E_MEDIUMFULL;
    }

  private:
    HGLOBAL handle_;
    std::shared_ptr<Block> block_;
    bool deleteOnRelease_;
    std::uint64_t position_ = 0;
    std::atomic<ULONG> references_{1};
};

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto block = std::make_shared<Block>();
    block->memory = Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
    if (!block->memory) {
        return nullptr;
    }
    block->size = bytes;
    block->capacity = std::max<std::size_t>(bytes, 1);
    block->moveable = (flags & GMEM_MOVEABLE) != 0;
    HGLOBAL handle = block->moveable ? static_cast<HGLOBAL>(block.get())
                                     : static_cast<HGLOBAL>(block->memory.get());
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.live.emplace(handle, std::move(block));
    return handle;
}

void* GlobalLock(HGLOBAL handle) {
    auto block = Find(handle);
    if (!block) {
        return nullptr;
    }
    std::lock_guard lock(Table().mutex);
    if (block->moveable && block->size == 0) {
        return nullptr;
    }
    if (block->moveable) {
        ++block->locks;
    }
    return block->memory.get();
}

BOOL GlobalUnlock(HGLOBAL handle) {
    auto block = Find(handle);
    if (!block) {
        return FALSE;
    }
    std::lock_guard lock(Table().mutex);
    if (block->locks > 0) {
        --block->locks;
    }
    return block->locks > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL handle) {
    auto block = Find(handle);
    if (!block) {
        return 0;
    }
    std::lock_guard lock(Table().mutex);
    return block->size;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
    auto block = Find(handle);
    if (!block) {
        return nullptr;
    }
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    const bool mayMove = block->moveable || (flags & GMEM_MOVEABLE) != 0;
    if (!Resize(*block, bytes, (flags & GMEM_ZEROINIT) != 0, mayMove)) {
        return nullptr;
    }
    if (block->moveable) {
        return handle;
    }
    // A fixed block's handle is its memory, so a moved block has a new one.
    HGLOBAL moved = block->memory.get();
    if (moved != handle) {
        table.live.erase(handle);
        table.live.emplace(moved, block);
    }
    return moved;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    auto& table = Table();
    std::shared_ptr<Block> block;  // released after the lock
    std::lock_guard lock(table.mutex);
    auto it = table.live.find(handle);
    if (it == table.live.end()) {
        return handle;
    }
    block = std::move(it->second);
    table.live.erase(it);
    block->freed = true;
    block->memory.reset();
    block->size = 0;
    block->capacity = 0;
    return nullptr;
}

HRESULT CreateStreamOnHGlobal(HGLOBAL handle, BOOL deleteOnRelease, IStream** stream) {
    if (stream == nullptr) {
        return E_INVALIDARG;
    }
    *stream = nullptr;
    if (handle == nullptr) {
        handle = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (handle == nullptr) {
            return E_OUTOFMEMORY;
        }
    }
    auto block = Find(handle);
    if (!block) {
        return E_INVALIDARG;
    }
    *stream = new (std::nothrow) HGlobalStream(handle, std::move(block), deleteOnRelease != FALSE);
    return *stream ? S_OK : E_OUTOFMEMORY;
}

HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block) {
    if (block) {
        *block = nullptr;
    }
    auto* own = dynamic_cast<HGlobalStream*>(stream);
    if (own == nullptr || block == nullptr) {
        return E_INVALIDARG;
    }
    *block = own->handle();
    return S_OK;
}

}  // namespace win
