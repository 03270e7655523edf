#include "platform/com/memory_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/guid.h"

namespace {

using namespace win;

std::string ReadAll(IStream* stream) {
    std::string out;
    char buffer[7];
    ULONG read = 0;
    do {
        EXPECT_EQ(stream->Read(buffer, sizeof buffer, &read), S_OK);
        out.append(buffer, read);
    } while (read == sizeof buffer);
    return out;
}

TEST(GlobalMemoryTest, FixedBlockHandleIsItsMemory) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 5);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalLock(block), block);
    EXPECT_EQ(GlobalSize(block), 5u);
    std::memcpy(block, "hello", 5);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
    // A freed handle is refused everywhere.
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalReAlloc(block, 10, GMEM_MOVEABLE), nullptr);
}

TEST(GlobalMemoryTest, MovableBlocksLockAndGrow) {
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);  // no memory yet
    EXPECT_EQ(GlobalReAlloc(empty, 3, GMEM_ZEROINIT), empty);
    auto* bytes = static_cast<char*>(GlobalLock(empty));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, 3), std::string(3, '\0'));
    EXPECT_FALSE(GlobalUnlock(empty));
    EXPECT_EQ(GlobalSize(empty), 3u);
    EXPECT_EQ(GlobalFree(empty), nullptr);

    // A fixed block grows only when allowed to move, and then changes handle.
    HGLOBAL fixed = GlobalAlloc(GPTR, 2);
    EXPECT_EQ(GlobalReAlloc(fixed, 4096, 0), nullptr);
    HGLOBAL moved = GlobalReAlloc(fixed, 4096, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), 4096u);
    EXPECT_EQ(GlobalFree(moved), nullptr);
}

// A stream over a fixed block of bytes, as images are handed to the decoder.
TEST(MemoryStreamTest, StreamOverFixedBytesReadsThem) {
    const std::string text = "0123456789abcdef";
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, text.size());
    std::memcpy(block, text.data(), text.size());
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    EXPECT_EQ(ReadAll(stream), text);

    std::uint64_t position = 99;
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{-4}, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 12u);
    EXPECT_EQ(ReadAll(stream), "cdef");
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{2}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{3}, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 5u);
    EXPECT_NE(stream->Seek(LARGE_INTEGER{-1}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_NE(stream->Seek(LARGE_INTEGER{0}, 7, nullptr), S_OK);

    // Writing within the block works; growing a fixed block does not.
    ULONG written = 0;
    EXPECT_EQ(stream->Write("XY", 2, &written), S_OK);
    EXPECT_EQ(static_cast<char*>(block)[5], 'X');
    stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, nullptr);
    EXPECT_EQ(stream->Write("Z", 1, &written), STG_E_MEDIUMFULL);
    EXPECT_EQ(written, 0u);

    HGLOBAL under = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(stream, &under), S_OK);
    EXPECT_EQ(under, block);
    EXPECT_EQ(stream->Release(), 0u);
    // Not deleted on release: the block is still the caller's.
    EXPECT_EQ(GlobalSize(block), text.size());
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(MemoryStreamTest, EmptyStreamGrowsAndFreesItsBlockOnRelease) {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    std::string data(100000, 'q');
    data[77777] = '!';
    for (std::size_t at = 0; at < data.size(); at += 1000) {
        ULONG written = 0;
        ASSERT_EQ(stream->Write(data.data() + at, 1000, &written), S_OK);
        ASSERT_EQ(written, 1000u);
    }
    HGLOBAL block = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(stream, &block), S_OK);
    ASSERT_EQ(GlobalSize(block), data.size());
    auto* bytes = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(std::string(bytes, data.size()), data);
    GlobalUnlock(block);

    stream->AddRef();
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(GlobalSize(block), data.size());
    EXPECT_EQ(stream->Release(), 0u);
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block);
}

TEST(MemoryStreamTest, StreamWhoseBlockWasFreedFailsSafely) {
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 4);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    GlobalFree(block);
    char buffer[4];
    ULONG read = 9;
    EXPECT_EQ(stream->Read(buffer, 4, &read), STG_E_REVERTED);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Write("a", 1, nullptr), STG_E_REVERTED);
    EXPECT_EQ(stream->Release(), 0u);

    EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), E_INVALIDARG);
    EXPECT_EQ(stream, nullptr);
    HGLOBAL out = block;
    EXPECT_EQ(GetHGlobalFromStream(nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
}

TEST(GuidTest, ClsidFromRegistryText) {
    CLSID id{};
    ASSERT_EQ(CLSIDFromString(u"{557CF400-1A04-11D3-9A73-0000F81EF32E}", &id), S_OK);
    const unsigned char expected[16] = {0x00, 0xF4, 0x7C, 0x55, 0x04, 0x1A, 0xD3, 0x11,
                                        0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E};
    EXPECT_EQ(std::memcmp(&id, expected, 16), 0);
    CLSID lower{};
    ASSERT_EQ(CLSIDFromString(u"{557cf400-1a04-11d3-9a73-0000f81ef32e}", &lower), S_OK);
    EXPECT_TRUE(IsEqualGUID(id, lower));

    for (const char16_t* bad :
         {u"", u"557CF400-1A04-11D3-9A73-0000F81EF32E", u"{557CF400-1A04-11D3-9A73-0000F81EF32E",
          u"{557CF400-1A04-11D3-9A73-0000F81EF32E}x", u"{557CF40G-1A04-11D3-9A73-0000F81EF32E}",
          u"{557CF400+1A04-11D3-9A73-0000F81EF32E}", u"VBScript.RegExp"}) {
        CLSID out{1, 2, 3, {4}};
        EXPECT_EQ(CLSIDFromString(bad, &out), CO_E_CLASSSTRING);
        EXPECT_TRUE(IsEqualGUID(out, CLSID{}));
    }
}

}  // namespace
