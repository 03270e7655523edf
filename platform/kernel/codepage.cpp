#include "platform/kernel/codepage.h"

#include <iconv.h>

#include <array>
#include <cstring>
#include <memory>

// The conversions run on tables, not on iconv calls per text: the catalog and
// multi-megabyte regular-expression subjects pass through here, and a table
// step is far cheaper than iconv's error recovery one byte at a time. The
// GBK tables are taken from the C library's own "CP936" converter once, at
// first use, so the mapping is exactly the system's (it is one-to-one: every
// two-byte pair it decodes encodes back to the same pair).
//
// Every decoder turns its input into code points and hands them to an
// encoder; bad input reaches the encoder as kInvalid, which each target
// writes as its default character.

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// ---- GBK tables -------------------------------------------------------------

struct GbkTables {
    std::array<char16_t, 256> single{};         // bytes 0x80-0xFF that stand alone
    std::array<char16_t, 65536> pair{};         // lead << 8 | trail -> UTF-16, 0 = none
    std::array<std::uint16_t, 65536> encode{};  // UTF-16 -> byte or pair, 0 = none
};

bool IsGbkLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsGbkTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// Converts one short byte sequence to a single UTF-16 unit, or 0.
char16_t DecodeWithIconv(iconv_t cd, const char* bytes, size_t length) {
    char16_t unit[2] = {};
    char* in = const_cast<char*>(bytes);
    char* out = reinterpret_cast<char*>(unit);
    size_t inLeft = length;
    size_t outLeft = sizeof unit;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
        outLeft != sizeof unit - sizeof(char16_t)) {
        return 0;
    }
    return unit[0];
}

// Without the C library's converter modules the tables stay empty and every
// non-ASCII character converts to the default character.
std::unique_ptr<GbkTables> BuildGbkTables() {
    auto tables = std::make_unique<GbkTables>();
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return tables;
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        const char16_t unit = DecodeWithIconv(cd, &byte, 1);
        if (unit != 0) {
            tables->single[b] = unit;
            tables->encode[unit] = static_cast<std::uint16_t>(b);
        }
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const char16_t unit = DecodeWithIconv(cd, bytes, 2);
            if (unit == 0) {
                continue;
            }
            const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
            tables->pair[code] = unit;
            if (tables->encode[unit] == 0) {
                tables->encode[unit] = code;
            }
        }
    }
    iconv_close(cd);
    return tables;
}

const GbkTables& Gbk() {
    static const std::unique_ptr<GbkTables> tables = BuildGbkTables();
    return *tables;
}

// ---- Output units -----------------------------------------------------------

// Writes into a buffer of fixed capacity; Put fails once it is full.
template <typename Unit>
class BufferOut {
  public:
    BufferOut(Unit* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    bool Put(Unit u) {
        if (count_ == capacity_) {
            return false;
        }
        buffer_[count_++] = u;
        return true;
    }
    size_t count() const { return count_; }

  private:
    Unit* buffer_;
    size_t capacity_;
    size_t count_ = 0;
};

// Counts the units a conversion would write.
template <typename Unit>
class CountOut {
  public:
    bool Put(Unit) {
        ++count_;
        return true;
    }
    size_t count() const { return count_; }

  private:
    size_t count_ = 0;
};

// ---- Encoders: code points in, units out --------------------------------------

template <typename Out>
class Utf16Encoder {
  public:
    explicit Utf16Encoder(Out& out) : out_(out) {}
    bool Put(char32_t cp) {
        if (cp == kInvalid) {
            return out_.Put(u'?');
        }
        if (cp < 0x10000) {
            return out_.Put(static_cast<char16_t>(cp));
        }
        cp -= 0x10000;
        return out_.Put(static_cast<char16_t>(0xD800 + (cp >> 10))) &&
               out_.Put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }

  private:
    Out& out_;
};

template <typename Out>
class Utf8Encoder {
  public:
    explicit Utf8Encoder(Out& out) : out_(out) {}
    bool Put(char32_t cp) {
        if (cp == kInvalid) {
            return out_.Put('?');
        }
        if (cp < 0x80) {
            return out_.Put(static_cast<char>(cp));
        }
        if (cp < 0x800) {
            return out_.Put(static_cast<char>(0xC0 | cp >> 6)) && Trail(cp, 0);
        }
        if (cp < 0x10000) {
            return out_.Put(static_cast<char>(0xE0 | cp >> 12)) && Trail(cp, 6) && Trail(cp, 0);
        }
        return out_.Put(static_cast<char>(0xF0 | cp >> 18)) && Trail(cp, 12) && Trail(cp, 6) &&
               Trail(cp, 0);
    }

  private:
    bool Trail(char32_t cp, int shift) {
        return out_.Put(static_cast<char>(0x80 | ((cp >> shift) & 0x3F)));
    }
    Out& out_;
};

template <typename Out>
class GbkEncoder {
  public:
    // `defaultChar`: one or two bytes written for a character GBK lacks.
    GbkEncoder(Out& out, std::string_view defaultChar)
        : out_(out), tables_(Gbk()), default_(defaultChar) {}
    bool Put(char32_t cp) {
        if (cp < 0x80) {
            return out_.Put(static_cast<char>(cp));
        }
        const std::uint16_t code = cp < 0x10000 ? tables_.encode[cp] : 0;
        if (code == 0) {
            usedDefault_ = true;
            for (char c : default_) {
                if (!out_.Put(c)) {
                    return false;
                }
            }
            return true;
        }
        if (code < 0x100) {
            return out_.Put(static_cast<char>(code));
        }
        return out_.Put(static_cast<char>(code >> 8)) && out_.Put(static_cast<char>(code & 0xFF));
    }
    bool usedDefault() const { return usedDefault_; }

  private:
    Out& out_;
    const GbkTables& tables_;
    std::string_view default_;
    bool usedDefault_ = false;
};

// ---- Decoders: units in, code points out --------------------------------------

// A lead byte with a proper trail byte that names no character stands for
// one bad character of two bytes. A lead byte followed by anything else is
// bad alone, so the next byte (often ASCII) is kept.
template <typename Encoder>
bool DecodeGbk(std::string_view in, Encoder& enc) {
    const GbkTables& tables = Gbk();
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (!enc.Put(b)) {
                return false;
            }
            ++i;
            continue;
        }
        char32_t cp = tables.single[b];
        size_t step = 1;
        if (cp == 0 && IsGbkLead(b) && i + 1 < n && IsGbkTrail(p[i + 1])) {
            cp = tables.pair[b << 8 | p[i + 1]];
            step = 2;
        }
        if (!enc.Put(cp != 0 ? cp : kInvalid)) {
            return false;
        }
        i += step;
    }
    return true;
}

// An invalid sequence turns into one bad character covering its lead byte
// and the continuation bytes that were still possible, the way the Unicode
// standard recommends; decoding resumes at the first byte that did not fit.
template <typename Encoder>
bool DecodeUtf8(std::string_view in, Encoder& enc) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            if (!enc.Put(b)) {
                return false;
            }
            ++i;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            cp = b & 0x0F;
            low = b == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
            high = b == 0xED ? 0x9F : 0xBF;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            cp = b & 0x07;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
        }
        ++i;
        bool complete = more > 0;
        for (int k = 0; k < more; ++k) {
            if (i >= n || p[i] < low || p[i] > high) {
                complete = false;
                break;
            }
            cp = cp << 6 | (p[i] & 0x3F);
            ++i;
            low = 0x80;
            high = 0xBF;
        }
        if (!enc.Put(complete ? cp : kInvalid)) {
            return false;
        }
    }
    return true;
}

// A surrogate without its partner is a bad character.
template <typename Encoder>
bool DecodeUtf16(std::u16string_view in, Encoder& enc) {
    const size_t n = in.size();
    size_t i = 0;
    while (i < n) {
        const char16_t u = in[i++];
        char32_t cp = u;
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && i < n && in[i] >= 0xDC00 && in[i] <= 0xDFFF) {
                cp = 0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{in[i]} - 0xDC00);
                ++i;
            } else {
                cp = kInvalid;
            }
        }
        if (!enc.Put(cp)) {
            return false;
        }
    }
    return true;
}

// ---- Code pages ---------------------------------------------------------------

enum class Page { Gbk, Utf8, Unsupported };

Page PageOf(win::UINT codePage) {
    switch (codePage) {
        case win::CP_ACP:
        case win::CP_GBK:
            return Page::Gbk;
        case win::CP_UTF8:
            return Page::Utf8;
        default:
            return Page::Unsupported;
    }
}

template <typename Out>
bool MultiByteToUnits(Page page, std::string_view in, Out& out) {
    Utf16Encoder<Out> enc(out);
    return page == Page::Gbk ? DecodeGbk(in, enc) : DecodeUtf8(in, enc);
}

template <typename Out>
bool UnitsToMultiByte(Page page, std::u16string_view in, std::string_view defaultChar, Out& out,
                      bool* usedDefault) {
    if (page == Page::Utf8) {
        Utf8Encoder<Out> enc(out);
        return DecodeUtf16(in, enc);
    }
    GbkEncoder<Out> enc(out, defaultChar);
    const bool ok = DecodeUtf16(in, enc);
    *usedDefault = enc.usedDefault();
    return ok;
}

// The default character as the caller gave it: its first character only.
std::string_view DefaultCharOf(const char* defaultChar) {
    if (defaultChar == nullptr || defaultChar[0] == '\0') {
        return "?";
    }
    const bool pair = IsGbkLead(static_cast<unsigned char>(defaultChar[0])) &&
                      IsGbkTrail(static_cast<unsigned char>(defaultChar[1]));
    return std::string_view(defaultChar, pair ? 2 : 1);
}

// Output size bounds: no conversion writes more units than these.
size_t MaxUnitsFromBytes(size_t bytes) {
    return bytes;
}
size_t MaxBytesFromUnits(size_t units) {
    return 3 * units;
}

std::u16string ToUnits(Page page, std::string_view in) {
    std::u16string result(MaxUnitsFromBytes(in.size()), u'\0');
    BufferOut<char16_t> out(result.data(), result.size());
    MultiByteToUnits(page, in, out);
    result.resize(out.count());
    return result;
}

std::string FromUnits(Page page, std::u16string_view in) {
    std::string result(MaxBytesFromUnits(in.size()), '\0');
    BufferOut<char> out(result.data(), result.size());
    bool usedDefault = false;
    UnitsToMultiByte(page, in, "?", out, &usedDefault);
    result.resize(out.count());
    return result;
}

// GBK to UTF-8 and back without an intermediate UTF-16 text.
std::string Recode(Page from, std::string_view in) {
    const bool toUtf8 = from == Page::Gbk;
    // A GBK byte becomes at most 3 UTF-8 bytes; a UTF-8 character never
    // grows when it becomes GBK.
    std::string result(toUtf8 ? 3 * in.size() : in.size(), '\0');
    BufferOut<char> out(result.data(), result.size());
    if (toUtf8) {
        Utf8Encoder<BufferOut<char>> enc(out);
        DecodeGbk(in, enc);
    } else {
        GbkEncoder<BufferOut<char>> enc(out, "?");
        DecodeUtf8(in, enc);
    }
    result.resize(out.count());
    return result;
}

}  // namespace

namespace win {

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, const char* multiByte, int cbMultiByte,
                        WCHAR* wideChar, int cchWideChar) {
    const Page page = PageOf(codePage);
    if (page == Page::Unsupported || multiByte == nullptr || cbMultiByte == 0 || cbMultiByte < -1 ||
        cchWideChar < 0 || (wideChar == nullptr && cchWideChar != 0)) {
        return 0;
    }
    const size_t length =
        cbMultiByte == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(cbMultiByte);
    const std::string_view in(multiByte, length);
    if (cchWideChar == 0) {
        CountOut<char16_t> out;
        MultiByteToUnits(page, in, out);
        return static_cast<int>(out.count());
    }
    BufferOut<char16_t> out(wideChar, static_cast<size_t>(cchWideChar));
    return MultiByteToUnits(page, in, out) ? static_cast<int>(out.count()) : 0;
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, const WCHAR* wideChar, int cchWideChar,
                        char* multiByte, int cbMultiByte, const char* defaultChar,
                        BOOL* usedDefaultChar) {
    const Page page = PageOf(codePage);
    if (page == Page::Unsupported || wideChar == nullptr || cchWideChar == 0 || cchWideChar < -1 ||
        cbMultiByte < 0 || (multiByte == nullptr && cbMultiByte != 0)) {
        return 0;
    }
    const size_t length = cchWideChar == -1 ? std::char_traits<char16_t>::length(wideChar) + 1
                                            : static_cast<size_t>(cchWideChar);
    const std::u16string_view in(wideChar, length);
    const std::string_view fallback = DefaultCharOf(defaultChar);
    bool usedDefault = false;
    int result = 0;
    if (cbMultiByte == 0) {
        CountOut<char> out;
        UnitsToMultiByte(page, in, fallback, out, &usedDefault);
        result = static_cast<int>(out.count());
    } else {
        BufferOut<char> out(multiByte, static_cast<size_t>(cbMultiByte));
        if (UnitsToMultiByte(page, in, fallback, out, &usedDefault)) {
            result = static_cast<int>(out.count());
        }
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = usedDefault ? TRUE : FALSE;
    }
    return result;
}

}  // namespace win

namespace codepage {

std::u16string GbkToUtf16(std::string_view gbk) {
    return ToUnits(Page::Gbk, gbk);
}
std::string Utf16ToGbk(std::u16string_view utf16) {
    return FromUnits(Page::Gbk, utf16);
}
std::u16string Utf8ToUtf16(std::string_view utf8) {
    return ToUnits(Page::Utf8, utf8);
}
std::string Utf16ToUtf8(std::u16string_view utf16) {
    return FromUnits(Page::Utf8, utf16);
}
std::string GbkToUtf8(std::string_view gbk) {
    return Recode(Page::Gbk, gbk);
}
std::string Utf8ToGbk(std::string_view utf8) {
    return Recode(Page::Utf8, utf8);
}

}  // namespace codepage
