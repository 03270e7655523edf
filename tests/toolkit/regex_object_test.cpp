#include "toolkit/regex_object.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

#include "platform/com/com.h"

namespace {

const char* const kBlankLines = "\\n\\s*\\r";

TEST(RegexObjectTest, BlankLinePatternCollapsesRunsOfEmptyAndWhiteLines) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search(kBlankLines, "a\r\n\r\n \r\n\t\r\nb\r\n\r\nc"));
    EXPECT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.MatchText(1), "\n\r\n \r\n\t\r");
    EXPECT_EQ(regex.Replace(), "a\r\nb\r\nc");
}

TEST(RegexObjectTest, NothingFoundIsStillASuccessfulSearch) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("x+", "国语 abc"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.Replace("y"), "国语 abc");
}

TEST(RegexObjectTest, ReadsBeforeAnySearchFindNothing) {
    RegexObject regex;
    int offset = 7;
    EXPECT_EQ(regex.GetPattern(), "");
    EXPECT_EQ(regex.Replace("x"), "");
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1, &offset), "");
    EXPECT_EQ(offset, -1);
    EXPECT_EQ(regex.SubMatchText(1, 1), "");
    EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObjectTest, CaseIsIgnoredUnlessAskedFor) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("HREF", "<a href=1>"));
    EXPECT_EQ(regex.MatchText(1), "href");
    ASSERT_TRUE(regex.Search("HREF", "<a href=1>", /*caseSensitive=*/true));
    EXPECT_EQ(regex.MatchCount(), 0);
}

TEST(RegexObjectTest, QuoteTokenStandsForADoubleQuote) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("href=#引号", "<a href=\"x\"> href=#引号", false, true, true, true));
    EXPECT_EQ(regex.GetPattern(), "href=\"");
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.MatchText(1), "href=\"");

    ASSERT_TRUE(regex.Search("href=#引号", "<a href=\"x\"> href=#引号"));
    EXPECT_EQ(regex.GetPattern(), "href=#引号");
    ASSERT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.MatchText(1), "href=#引号");
}

TEST(RegexObjectTest, RejectedPatternFailsAndLeavesNothingToReplace) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("a", "aaa"));
    EXPECT_FALSE(regex.Search("(a", "aaa"));
    EXPECT_EQ(regex.GetPattern(), "(a");
    EXPECT_EQ(regex.Replace(), "");
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.MatchText(1), "");
    EXPECT_EQ(regex.SubMatchCount(), 0);
}

TEST(RegexObjectTest, ChineseTextSurvivesAndOffsetsCountBytes) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("ab", "国语ab国语ab"));
    ASSERT_EQ(regex.MatchCount(), 2);
    int offset = -1;
    EXPECT_EQ(regex.MatchText(1, &offset), "ab");
    EXPECT_EQ(offset, 4);  // character index 2, two bytes per Chinese character
    EXPECT_EQ(regex.MatchText(2, &offset), "ab");
    EXPECT_EQ(offset, 10);
    EXPECT_EQ(regex.Replace("日语"), "国语日语国语日语");

    ASSERT_TRUE(regex.Search("语+", "国语语a"));
    EXPECT_EQ(regex.MatchText(1, &offset), "语语");
    EXPECT_EQ(offset, 2);
}

// The offset is the match's own place even where the same text occurs
// between the character index and the byte offset.
TEST(RegexObjectTest, OffsetsOfRepeatedTextAreTheMatchesOwn) {
    struct Case {
        const char* subject;
        int match;
        int offset;
    };
    for (const Case& c : {Case{"aa", 2, 1}, Case{"国国aa", 2, 5}, Case{"国a国a国a", 3, 8}}) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search("a", c.subject));
        int offset = -1;
        EXPECT_EQ(regex.MatchText(c.match, &offset), "a") << c.subject;
        EXPECT_EQ(offset, c.offset) << c.subject;
    }
}

TEST(RegexObjectTest, SubMatchesAndTheirOffsets) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(\\d+)(国)?-", "国12国-34-"));
    ASSERT_EQ(regex.MatchCount(), 2);
    EXPECT_EQ(regex.SubMatchCount(), 2);

    int offset = -1;
    EXPECT_EQ(regex.MatchText(1, &offset), "12国-");
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(regex.SubMatchText(1, 1, &offset), "12");
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(regex.SubMatchText(1, 2, &offset), "国");
    EXPECT_EQ(offset, 4);

    EXPECT_EQ(regex.MatchText(2, &offset), "34-");
    EXPECT_EQ(offset, 7);
    EXPECT_EQ(regex.SubMatchText(2, 1, &offset), "34");
    EXPECT_EQ(offset, 7);
    // A group that took part in no match.
    EXPECT_EQ(regex.SubMatchText(2, 2, &offset), "");
    EXPECT_EQ(offset, -1);
}

TEST(RegexObjectTest, NumbersOutOfRangeGiveEmptyText) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(a)", "a a"));
    for (int match : {-1, 0, 3}) {
        int offset = 9;
        EXPECT_EQ(regex.MatchText(match, &offset), "") << match;
        EXPECT_EQ(offset, -1);
        EXPECT_EQ(regex.SubMatchText(match, 1, &offset), "") << match;
        EXPECT_EQ(offset, -1);
    }
    for (int group : {0, 2}) {
        int offset = 9;
        EXPECT_EQ(regex.SubMatchText(1, group, &offset), "") << group;
        EXPECT_EQ(offset, -1);
    }
}

TEST(RegexObjectTest, NonGlobalSearchFindsAndReplacesOnlyTheFirst) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("a", "aXaXa", false, true, /*global=*/false));
    EXPECT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.Replace("b"), "bXaXa");
}

TEST(RegexObjectTest, ReplacementUsesTheEngineSubstitutionForms) {
    struct Case {
        const char* replacement;
        const char* result;
    };
    const Case cases[] = {
        {"$2@$1", "x 国@a y"}, {"[$&]", "x [a@国] y"}, {"<$`>", "x <x > y"}, {"<$'>", "x < y> y"},
        {"$$1", "x $1 y"},     {"$3", "x $3 y"},       {"$0", "x $0 y"},     {"$01", "x a y"},
        {"$10", "x a0 y"},     {"$", "x $ y"},         {"$x", "x $x y"},     {"", "x  y"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search("(\\w+)@([^ ]+)", "x a@国 y"));
        EXPECT_EQ(regex.Replace(c.replacement), c.result) << c.replacement;
    }
}

TEST(RegexObjectTest, EmptyMatchesStepOnAndEnd) {
    struct Case {
        const char* pattern;
        const char* subject;
        int count;
        const char* replaced;
    };
    const Case cases[] = {
        {"x*", "ab", 3, "-a-b-"},       {"a*", "baaac", 4, "-b--c-"},     {"", "国a", 3, "-国-a-"},
        {"^", "a\r\nb", 2, "-a\r\n-b"}, {"\\b", "ab cd", 4, "-ab- -cd-"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search(c.pattern, c.subject)) << c.pattern;
        EXPECT_EQ(regex.MatchCount(), c.count) << c.pattern;
        EXPECT_EQ(regex.Replace("-"), c.replaced) << c.pattern;
    }
}

TEST(RegexObjectTest, LineBreaksForAnchorsAndTheDot) {
    struct Case {
        const char* pattern;
        const char* subject;
        bool multiline;
        int count;
    };
    const Case cases[] = {
        {"^b$", "a\r\nb\r\nc", true, 1}, {"^b$", "a\r\nb\r\nc", false, 0},
        {"^b$", "a\nb\nc", true, 1},     {"a$", "a\n", false, 0},  // $ is the end of the text only
        {"a.b", "a\rb", true, 0},        {"a.b", "a\nb", true, 0},
        {"a.b", "a\tb", true, 1},        {"a.*", "aaa\r\nbbb", true, 1},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search(c.pattern, c.subject, false, c.multiline)) << c.pattern;
        EXPECT_EQ(regex.MatchCount(), c.count) << c.pattern << " over " << c.subject;
    }
    RegexObject regex;
    ASSERT_TRUE(regex.Search("a.*", "aaa\r\nbbb"));
    EXPECT_EQ(regex.MatchText(1), "aaa");
}

TEST(RegexObjectTest, WhiteSpaceClassIsAscii) {
    struct Case {
        const char* subject;
        int count;
    };
    // \s is [ \f\n\r\t\v]: not the full-width space nor anything else.
    const Case cases[] = {{" ", 1},  {"\t", 1}, {"\v", 1}, {"\f", 1}, {"\r", 1},
                          {"\n", 1}, {"　", 0}, {"x", 0},  {"国", 0}};
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search("\\s", c.subject));
        EXPECT_EQ(regex.MatchCount(), c.count) << c.subject;
    }
}

TEST(RegexObjectTest, EscapedLettersOfTheDialect) {
    struct Case {
        const char* pattern;
        const char* subject;
        const char* first;
    };
    const Case cases[] = {
        {"\\v", "\n\v", "\v"},  {"[\\v]", "\r\v", "\v"},    {"\\q", "pq", "q"},
        {"\\x41", "zA", "A"},   {"\\u0041", "zA", "A"},     {"\\u56fd", "a国", "国"},
        {"\\d+", "ab12", "12"}, {"\\w+", "国ab_1", "ab_1"}, {"\\\\v", "\\v", "\\v"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.Search(c.pattern, c.subject)) << c.pattern;
        EXPECT_EQ(regex.MatchText(1), c.first) << c.pattern;
    }
}

TEST(RegexObjectTest, EachSearchStartsAfresh) {
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(a)(b)", "ab ab", true, true, false));
    EXPECT_EQ(regex.MatchCount(), 1);
    ASSERT_TRUE(regex.Search("c", "ccc"));
    EXPECT_EQ(regex.MatchCount(), 3);
    EXPECT_EQ(regex.SubMatchCount(), 0);
    EXPECT_EQ(regex.Replace("d"), "ddd");
}

// Each object initialises COM for its own thread and ends it again.
TEST(RegexObjectTest, BracketsTheCreatingThreadsComUse) {
    ASSERT_FALSE(com::IsInitialized());
    {
        RegexObject regex;
        EXPECT_TRUE(com::IsInitialized());
        std::string fromThread;
        std::thread([&] {
            RegexObject other;
            if (other.Search("b+", "abbc")) {
                fromThread = other.MatchText(1);
            }
        }).join();
        EXPECT_EQ(fromThread, "bb");
        EXPECT_TRUE(com::IsInitialized());
        ASSERT_TRUE(regex.Search(kBlankLines, "a\r\n\r\nb"));
        EXPECT_EQ(regex.Replace(), "a\r\nb");
    }
    EXPECT_FALSE(com::IsInitialized());
}

// The plain loop the pattern \n\s*\r amounts to, as an oracle: an LF, the
// longest run of white space after it, cut back to its last CR.
std::string DeleteBlankRuns(const std::string& text) {
    const auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\n') {
            out += text[i++];
            continue;
        }
        std::size_t end = i + 1;
        std::size_t lastCr = 0;
        while (end < text.size() && white(text[end])) {
            lastCr = text[end] == '\r' ? end : lastCr;
            ++end;
        }
        if (lastCr > i) {
            i = lastCr + 1;
        } else {
            out.append(text, i, end - i);
            i = end;
        }
    }
    return out;
}

std::string LargeText(std::size_t bytes) {
    std::mt19937 random(936);
    const char* const lines[] = {
        "第一百集 国语|12345", "", " ", "\t \t", "　", "abc def", "x\ny", " \n ", "\r"};
    std::string text;
    text.reserve(bytes + 64);
    while (text.size() < bytes) {
        text += lines[random() % std::size(lines)];
        text += "\r\n";
    }
    return text;
}

TEST(RegexObjectTest, TenMegabyteSubject) {
    const std::string text = LargeText(10 << 20);
    RegexObject regex;
    ASSERT_TRUE(regex.Search(kBlankLines, text));
    EXPECT_GT(regex.MatchCount(), 100000);
    const std::string cleaned = regex.Replace();
    EXPECT_EQ(cleaned, DeleteBlankRuns(text));
}

TEST(RegexObjectTest, OneMatchOverTwoHundredThousandBlankLines) {
    std::string text = "国";
    for (int i = 0; i < 200001; ++i) {
        text += "\r\n";
    }
    text += "语";
    RegexObject regex;
    ASSERT_TRUE(regex.Search(kBlankLines, text));
    ASSERT_EQ(regex.MatchCount(), 1);
    int offset = -1;
    EXPECT_EQ(regex.MatchText(1, &offset).size(), 400000u);
    EXPECT_EQ(offset, 3);
    EXPECT_EQ(regex.Replace(), "国\r\n语");
}

}  // namespace
