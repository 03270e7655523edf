#include "toolkit/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Two-byte characters whose second byte equals an ASCII marker byte. A search
// that stepped byte by byte would take that second byte for a marker.
//   乗 81 5C '\'   乕 81 5B '['   乚 81 5D ']'   亁 81 78 'x'   乆 81 58 'X'
// Folding A-Z to lower case includes second bytes, so 乆 matches 亁 when
// case is ignored.

TEST(TextFixture, CharactersHaveTheSecondBytesTheTestsRelyOn) {
    EXPECT_EQ(std::string("乗乕乚亁乆"), "\x81\x5C\x81\x5B\x81\x5D\x81\x78\x81\x58");
    EXPECT_EQ(std::string("#引号　"), "#\xD2\xFD\xBA\xC5\xA1\xA1");
}

TEST(TextAfterLast, Cases) {
    struct Case {
        const char* text;
        const char* marker;
        bool ignoreCase;
        const char* expected;
    };
    const Case cases[] = {
        {"a=1;b=2", "=", false, "2"},
        {"a=1;b=2", "#", false, ""},
        {"a=1;", ";", false, ""},
        {"abc", "", false, "abc"},
        {"x", "X", false, ""},
        {"xYz", "y", true, "z"},
        {"aaa", "aa", false, ""},  // the last occurrence may overlap an earlier one
        {"a\\b乗", "\\", false, "b乗"},
        {"乆k亁m", "乆", false, "k亁m"},
        {"乆k亁m", "乆", true, "m"},
        // 81 81 | 81 (cut at the end): the pair at bytes 2-3 is no character.
        {"\x81\x81\x81", "\x81\x81", false, "\x81"},
        {"\x81\x81\x81", "\x81", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.marker);
        EXPECT_EQ(TextAfterLast(c.text, c.marker, c.ignoreCase), c.expected);
    }
}

TEST(TextBetween, Cases) {
    struct Case {
        const char* text;
        const char* left;
        const char* right;
        int start;
        bool caseSensitive;
        const char* expected;
    };
    const Case cases[] = {
        {"<a href=\"u\">", "href=#引号", "#引号", 1, false, "u"},
        {"a=\"\"v\"", "a=#引号#引号", "#引号", 1, false, "v"},
        {"]x[", "[", "]", 1, false, ""},
        {"x[]y", "[", "]", 1, false, ""},
        {"<B>t</b>", "<b>", "</b>", 1, false, "t"},
        {"<B>t</b>", "<b>", "</b>", 1, true, ""},
        {"ab]c]", "", "]", 1, false, "ab"},
        {"[ab]", "[", "", 1, false, ""},
        {"[1][2]", "[", "]", 2, false, "2"},
        {"[1][2]", "[", "]", -5, false, "1"},
        {"[1][2]", "[", "]", 7, false, ""},
        {"[1][2]", "", "]", 4, false, "[2"},
        {"乕x]y[z]", "[", "]", 1, false, "z"},
        {"乕[乚]", "[", "]", 1, false, "乚"},
        {"乆[v]", "亁[", "]", 1, false, "v"},
        {"乆[v]", "亁[", "]", 1, true, ""},
        // Position 2 is the second byte of 乕: the search begins with the next character.
        {"乕[v]", "[", "]", 2, false, "v"},
        {"[a\x81", "[", "\x81", 1, false, "a"},
        {"[a]\x81", "\x81", "]", 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.left + " / " + c.right);
        EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.caseSensitive), c.expected);
    }
}

TEST(ReplacePairs, SinglePassCases) {
    struct Case {
        const char* text;
        ReplaceOptions options;
        const char* find;
        const char* replacement;
        const char* expected;
    };
    const Case cases[] = {
        {"aXbxc", {}, "x", "-", "a-b-c"},
        {"aXbxc", {.caseSensitive = true}, "x", "-", "aXb-c"},
        {"XxXx", {}, "x", "-", "----"},
        {"aaa", {}, "aa", "b", "ba"},
        {"ab", {}, "a", "aa", "aab"},
        {"xxxx", {.count = 2}, "x", "y", "yyxx"},
        {"xxxx", {.count = 0}, "x", "y", "xxxx"},
        {"xxxx", {.start = 3}, "x", "y", "xxyy"},
        {"xxxx", {.start = 5}, "x", "y", "xxxx"},
        {"xxxx", {.start = 0}, "x", "y", "yyyy"},
        {"xxxx", {.count = 1, .start = 2}, "x", "y", "xyxx"},
        {"abc", {}, "", "y", "abc"},
        {"", {}, "x", "y", ""},
        {"乗\\", {}, "\\", "/", "乗/"},
        {"亁x", {}, "乆", "!", "!x"},
        {"亁x", {.caseSensitive = true}, "乆", "!", "亁x"},
        {"国语国语", {}, "语", "", "国国"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.find);
        EXPECT_EQ(ReplacePairs(c.text, c.options, c.find, c.replacement), c.expected);
    }
}

TEST(ReplacePairs, PassesAreChainedInOrder) {
    EXPECT_EQ(ReplacePairs("a", "a", "b", "b", "c"), "c");
    EXPECT_EQ(ReplacePairs("12345", "1", "2", "2", "3", "3", "4", "4", "5", "5", "6"), "66666");
    // The count holds for each pass on its own.
    EXPECT_EQ(ReplacePairs("ab ab", {.count = 1}, "a", "b", "b", "c"), "cb ab");
}

TEST(ItemsBetween, Cases) {
    struct Case {
        const char* text;
        const char* left;
        const char* right;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"[a][ ][b]", "[", "]", {"a", "b"}},
        {"[a][b", "[", "]", {"a"}},
        {"[ a　][　]", "[", "]", {"a"}},
        {"[\ta\n]", "[", "]", {"\ta\n"}},
        {"[乚][x]乕y]", "[", "]", {"乚", "x"}},
        {"<td>1</td><td>2</td>", "<td>", "</td>", {"1", "2"}},
        {"<TD>1</td>", "<td>", "</td>", {}},
        // A non-empty item continues at its right marker, which may open the next item.
        {"|a|b|c|", "|", "|", {"a", "b", "c"}},
        {"| |a|", "|", "|", {"a"}},
        {"[ab]", "[", "", {}},
        // An empty left marker must not stand still.
        {"a]b]", "", "]", {"a", "b"}},
        {"", "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.left + " / " + c.right);
        EXPECT_EQ(ItemsBetween(c.text, c.left, c.right), c.expected);
    }
}

TEST(Blanks, TrimAndRemove) {
    struct Case {
        const char* text;
        const char* trimmed;
        const char* removed;
    };
    const Case cases[] = {
        {"  a b  ", "a b", "ab"},
        {"　国 语　　", "国 语", "国语"},
        {"\ta\r\n", "\ta\r\n", "\ta\r\n"},
        {" 　 ", "", ""},
        {"", "", ""},
        // B0 A1 is 啊, the A1 behind it is a cut character: no full-width space here.
        {"啊\xA1", "啊\xA1", "啊\xA1"},
        {" \xA1\xA1\xA1", "\xA1", "\xA1"},
        {"中文中文　", "中文中文", "中文中文"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TrimBlanks(c.text), c.trimmed);
        EXPECT_EQ(RemoveBlanks(c.text), c.removed);
    }
}

TEST(TextSearch, FarCandidatesInALongText) {
    // The scanner keeps the next position of each letter case; replacements
    // far apart in a long text must all be found, in order.
    std::string text(200000, 'a');
    text[10] = 'X';
    text[150000] = 'x';
    text[199999] = 'X';
    std::string expected(200000, 'a');
    expected[10] = expected[150000] = expected[199999] = '-';
    EXPECT_EQ(ReplacePairs(text, "x", "-"), expected);

    // A long run of two-byte characters before the match: the parity decides.
    const std::string run = std::string(100001, '\x81') + "\x5B" + "[v]";
    EXPECT_EQ(TextBetween(run, "[", "]"), "v");
    const std::string evenRun = std::string(100000, '\x81') + "[v]";
    EXPECT_EQ(TextBetween(evenRun, "[", "]"), "v");
}

TEST(FindText, Cases) {
    struct Case {
        std::string text;
        std::string what;
        std::size_t from;
        bool ignoreCase;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {"a=1;b=2", "=", 0, false, 1},
        {"a=1;b=2", "=", 2, false, 5},
        {"乗\\x", "\\", 0, false, 2},               // never on the second byte of 乗
        {"乗乗", "\x5C\x81", 0, false, kNotFound},  // across a character boundary
        {"亁x", "x", 1, false, 2},                  // from lands on a second byte: next character
        {"Set-Cookie", "set-cookie", 0, true, 0},
        {"Set-Cookie", "set-cookie", 0, false, kNotFound},
        {"ab", "", 1, false, 1},
        {"ab", "b", 5, false, kNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " / " + c.what);
        EXPECT_EQ(FindText(c.text, c.what, c.from, c.ignoreCase), c.expected);
    }
    EXPECT_EQ(LowerAscii("HTTP/1.1 亁X"), "http/1.1 亁x");
}
