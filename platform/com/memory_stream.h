#pragma once
// Global memory blocks and the stream over one of them, through which
// images travel to and from the imaging library.
//
// A fixed block's handle is its memory; a movable block's memory is found
// by locking it and may move when the block is resized while unlocked.
// Freed or unknown handles are refused, never followed.
#include <cstddef>
#include <cstdint>

#include "platform/com/com.h"

namespace win {

using HGLOBAL = HANDLE;
using ULONG = std::uint32_t;
using SIZE_T = std::size_t;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Null when the memory cannot be had.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Null for an unknown handle, and for a movable block of size 0.
void* GlobalLock(HGLOBAL block);
// TRUE while the block stays locked by other locks.
BOOL GlobalUnlock(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);
// A fixed block grows only with GMEM_MOVEABLE given; a locked movable block
// does not move. Null when the block cannot be resized.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
// Null on success, the handle when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL block);

constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);
constexpr HRESULT STG_E_REVERTED = static_cast<HRESULT>(0x80030102);

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// A byte stream with a position, counted by references.
class IStream {
  public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Reads up to `bytes` from the position; *read gets the count (fewer at
    // the end of the stream, with S_OK).
    virtual HRESULT Read(void* buffer, ULONG bytes, ULONG* read) = 0;
    // Writes at the position, growing the stream as needed.
    virtual HRESULT Write(const void* buffer, ULONG bytes, ULONG* written) = 0;
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, std::uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(std::uint64_t size) = 0;

  protected:
    virtual ~IStream() = default;
};

// A stream over `block` (a new, empty movable block when null) starting at
// position 0 with the block's size. With deleteOnRelease the last Release
// frees the block. A stream whose block was freed under it fails every call
// with STG_E_REVERTED.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, BOOL deleteOnRelease, IStream** stream);
// The block under a stream made by CreateStreamOnHGlobal.
HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block);

}  // namespace win
