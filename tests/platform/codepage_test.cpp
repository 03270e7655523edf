#include "platform/kernel/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

TEST(CodePageTest, GbkDecodesToUtf16) {
    EXPECT_EQ(codepage::GbkToUtf16("国语 TV版"), u"国语 TV版");
    EXPECT_EQ(codepage::GbkToUtf16("\xB9\xFA"), u"\u56FD");  // 国
    EXPECT_EQ(codepage::GbkToUtf16("\xA1\xA1"), u"\u3000");  // full-width space
    EXPECT_EQ(codepage::GbkToUtf16("\x80"), u"\u20AC");      // the code page's euro sign
    EXPECT_EQ(codepage::GbkToUtf16(""), u"");
    EXPECT_EQ(codepage::GbkToUtf16("a\0b"s), u"a\0b"s);
}

// Bad bytes become "?" and the text after them survives.
TEST(CodePageTest, BadGbkBecomesQuestionMarkAndGoesOn) {
    struct Case {
        std::string gbk;
        std::u16string utf16;
    };
    const std::vector<Case> cases = {
        {"ab\xB9", u"ab?"},  // lead byte cut off at the end
        {"\xFF"
         "a",
         u"?a"},  // never a character
        {"\xA2\xA0"
         "a",
         u"?a"},  // proper pair that names no character
        {"\xB9"
         "1国",
         u"?1国"},  // lead byte before a byte that cannot trail
        {"\xB9\x7F"
         "a",
         u"?\x7F"
         "a"},
        {"\xB9\xFF\xB9\xFA", u"??国"},
        {"\xB9\xB9\xFA", u"\u6784?"},  // B9B9 is a pair; the cut FA stands alone
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codepage::GbkToUtf16(c.gbk), c.utf16) << testing::PrintToString(c.gbk);
    }
}

TEST(CodePageTest, EveryGbkPairRoundTrips) {
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string gbk = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string utf16 = codepage::GbkToUtf16(gbk);
            ASSERT_EQ(utf16.size(), 1u);
            if (utf16 == u"?") {
                continue;
            }
            ++pairs;
            ASSERT_EQ(codepage::Utf16ToGbk(utf16), gbk) << lead << " " << trail;
        }
    }
    EXPECT_GT(pairs, 21000);  // GBK's two-byte characters
}

TEST(CodePageTest, Utf8DecodesWithSurrogatePairs) {
    EXPECT_EQ(codepage::Utf8ToUtf16(Utf8(u8"国语 é")), u"国语 é");
    EXPECT_EQ(codepage::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
    EXPECT_EQ(codepage::Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(codepage::Utf16ToUtf8(u"国"), Utf8(u8"国"));
}

TEST(CodePageTest, BadUtf8BecomesOneQuestionMarkPerBrokenSequence) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const std::vector<Case> cases = {
        {"\xE5\x9B"
         "A",
         u"?A"},               // cut three-byte sequence
        {"a\xE5\x9B", u"a?"},  // cut at the end
        {"\x80"
         "b",
         u"?b"},                        // stray continuation byte
        {"\xC0\xAF", u"??"},            // overlong "/"
        {"\xE0\x80\xAF", u"???"},       // overlong, three bytes
        {"\xED\xA0\x80", u"???"},       // encoded surrogate
        {"\xF4\x90\x80\x80", u"????"},  // above U+10FFFF
        {"\xF0\x9F\x98"
         "x",
         u"?x"},
        {"\xFE\xFF", u"??"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codepage::Utf8ToUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
    }
}

TEST(CodePageTest, CharactersGbkLacksBecomeTheDefaultCharacter) {
    struct Case {
        std::u16string utf16;
        std::string gbk;
    };
    const std::vector<Case> cases = {
        {u"国€", "国\x80"},
        {u"a\xD83D\xDE00"
         "b",
         "a?b"},  // non-BMP: one "?" for the pair
        {u"\xD83D"
         "a",
         "?a"},              // lone high surrogate
        {u"a\xDE00", "a?"},  // lone low surrogate
        {u"\u2022x", "?x"},  // bullet
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codepage::Utf16ToGbk(c.utf16), c.gbk);
    }
    // A bullet and an emoji, written as their UTF-8 bytes.
    EXPECT_EQ(codepage::Utf8ToGbk(Utf8(u8"国语") + "\xE2\x80\xA2\xF0\x9F\x98\x80!"),
              "国语?"
              "?!");
    EXPECT_EQ(codepage::GbkToUtf8("国语\xFF!"), Utf8(u8"国语?"
                                                     "!"));
}

TEST(CodePageTest, WindowsCallsCountIncludingTheTerminator) {
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_ACP, 0, "国a", -1, nullptr, 0), 3);
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_ACP, 0, "国a", 3, nullptr, 0), 2);
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, nullptr, 0), 3);
    EXPECT_EQ(win::WideCharToMultiByte(win::CP_GBK, win::WC_COMPOSITECHECK, u"国a", -1, nullptr, 0,
                                       nullptr, nullptr),
              4);
    EXPECT_EQ(win::WideCharToMultiByte(win::CP_UTF8, 0, u"国", 1, nullptr, 0, nullptr, nullptr), 3);

    char16_t wide[4] = {u'x', u'x', u'x', u'x'};
    ASSERT_EQ(win::MultiByteToWideChar(win::CP_GBK, 0, "国a", -1, wide, 3), 3);
    EXPECT_EQ(std::u16string(wide, 4), u"国a\0x"s);

    char narrow[5] = "xxxx";
    ASSERT_EQ(win::WideCharToMultiByte(win::CP_ACP, 0, u"国a", -1, narrow, 4, nullptr, nullptr), 4);
    EXPECT_EQ(std::string(narrow, 4), "国a\0"s);
}

TEST(CodePageTest, WindowsCallsRefuseWhatTheyCannotDo) {
    char16_t wide[8];
    char narrow[8];
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_GBK, 0, "国语", -1, wide, 2), 0);  // too small
    EXPECT_EQ(win::MultiByteToWideChar(1252, 0, "a", -1, wide, 8), 0);
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_GBK, 0, "a", 0, wide, 8), 0);
    EXPECT_EQ(win::MultiByteToWideChar(win::CP_GBK, 0, nullptr, 1, wide, 8), 0);
    EXPECT_EQ(win::WideCharToMultiByte(win::CP_GBK, 0, u"国语", 2, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(win::WideCharToMultiByte(win::CP_UTF8, 0, u"国", 1, nullptr, 5, nullptr, nullptr), 0);
}

TEST(CodePageTest, WindowsCallsReportAndUseTheDefaultCharacter) {
    char narrow[16] = {};
    win::BOOL used = win::TRUE;
    ASSERT_EQ(win::WideCharToMultiByte(win::CP_GBK, 0, u"国", 1, narrow, 16, nullptr, &used), 2);
    EXPECT_EQ(used, win::FALSE);

    ASSERT_EQ(win::WideCharToMultiByte(win::CP_GBK, 0, u"a\u2022", 2, narrow, 16, "*", &used), 2);
    EXPECT_EQ(std::string(narrow, 2), "a*");
    EXPECT_EQ(used, win::TRUE);

    // A two-byte default character is written whole.
    ASSERT_EQ(win::WideCharToMultiByte(win::CP_GBK, 0, u"\u2022", 1, narrow, 16, "□", &used), 2);
    EXPECT_EQ(std::string(narrow, 2), "□");
}

// Long mixed texts convert the same in one piece as in many small ones.
TEST(CodePageTest, LongTextsConvertLikeTheirPieces) {
    const std::string piece = "第12集 国语 ab\xFF\xA1\xA1";
    std::string whole;
    std::u16string expected;
    for (int i = 0; i < 50000; ++i) {
        whole += piece;
        expected += codepage::GbkToUtf16(piece);
    }
    const std::u16string utf16 = codepage::GbkToUtf16(whole);
    EXPECT_EQ(utf16, expected);
    const int counted = win::MultiByteToWideChar(win::CP_GBK, 0, whole.data(),
                                                 static_cast<int>(whole.size()), nullptr, 0);
    EXPECT_EQ(counted, static_cast<int>(utf16.size()));
    EXPECT_EQ(codepage::Utf8ToGbk(codepage::GbkToUtf8(whole)), codepage::Utf16ToGbk(utf16));
}

}  // namespace
