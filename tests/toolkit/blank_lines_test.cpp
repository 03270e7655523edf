#include "toolkit/blank_lines.h"

#include <gtest/gtest.h>

namespace {

TEST(RemoveBlankLinesTest, CollapsesBlankLinesAndCutsOneCrLfAtEachEnd) {
    struct Case {
        const char* text;
        const char* cleaned;
    };
    const Case cases[] = {
        {"a\r\n \r\n\r\nb", "a\r\nb"},
        {"\r\na\r\n", "a"},
        {"", ""},
        {"\r\n", ""},
        {"\r\n\r\n", ""},
        {"a\r\nb", "a\r\nb"},
        {"第774集|标题|1\r\n\r\n\r\n第775集|标题|2\r\n", "第774集|标题|1\r\n第775集|标题|2"},
        {"a\r\n\t \t\r\n\v\f\r\nb", "a\r\nb"},
        {"a\r\n \r\nb\r\n\r\nc\r\n", "a\r\nb\r\nc"},
        // Only one CR LF is cut at each end; what stays is no LF-to-CR run.
        {"\r\n\r\na", "\r\na"},
        {"a\r\n\r\n", "a\r\n"},
        {"a\r\n \r\n", "a\r\n "},
        // The full-width space is no white space here, and lines broken by a
        // bare LF have no CR to end a run.
        {"a\r\n　\r\nb", "a\r\n　\r\nb"},
        {"a\n\n\nb", "a\n\n\nb"},
        {"a\n \r\nb", "a\nb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RemoveBlankLines(c.text), c.cleaned) << c.text;
    }
}

TEST(CountLinesTest, CountsLineFeedsPlusOne) {
    struct Case {
        const char* text;
        int lines;
    };
    const Case cases[] = {{"", 0},    {"a", 1},  {"国语", 1}, {"a\r\nb", 2},
                          {"a\n", 2}, {"\n", 2}, {"a\rb", 1}, {"1\r\n2\r\n3", 3}};
    for (const Case& c : cases) {
        EXPECT_EQ(CountLines(c.text), c.lines) << c.text;
    }
}

TEST(CountLinesTest, CountsTheLinesOfACleanedFile) {
    EXPECT_EQ(CountLines(RemoveBlankLines("774|a|1\r\n\r\n775|b|2\r\n  \r\n776|c|3\r\n")), 3);
    EXPECT_EQ(CountLines(RemoveBlankLines("")), 0);
    EXPECT_EQ(CountLines(RemoveBlankLines("\r\n")), 0);
}

}  // namespace
