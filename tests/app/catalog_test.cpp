#include "app/catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace app {
namespace {

struct TableCase {
    CatalogTable table;
    int lines;
    std::function<bool(const std::string&)> valueFits;
};

std::function<bool(const std::string&)> Matches(const char* pattern) {
    return [re = std::regex(pattern)](const std::string& value) {
        return std::regex_match(value, re);
    };
}

// A title: `low` to `high` bytes of well-formed two-byte characters and ASCII,
// without the separators of the catalog's lines and files.
bool IsTitle(const std::string& value, std::size_t low, std::size_t high) {
    if (value.size() < low || value.size() > high) {
        return false;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte >= 0x80) {
            if (i + 1 >= value.size() || static_cast<unsigned char>(value[i + 1]) < 0x40) {
                return false;
            }
            ++i;
        } else if (byte == '-' || byte == '|' || byte < 0x20) {
            return false;
        }
    }
    return true;
}

std::vector<TableCase> BuiltInCases() {
    const auto digits = Matches("[0-9]+");
    return {
        {CatalogTable::MandarinTitles, 775, [](auto& v) { return IsTitle(v, 8, 42); }},
        {CatalogTable::MandarinSohuIds, 775, digits},
        {CatalogTable::MandarinLetvIds, 775, digits},
        {CatalogTable::MandarinIqiyiIds, 775, Matches("[0-9a-f]{32}&tvId=[0-9]+")},
        {CatalogTable::CoverUrls, 775,
         Matches("http://[A-Za-z0-9.]+(:[0-9]+)?/[A-Za-z0-9_/]+\\.jpg")},
        {CatalogTable::ScrubPreviewIds, 775, Matches("[A-Za-z0-9]{15,19}")},
        {CatalogTable::JapaneseTitles, 773, [](auto& v) { return IsTitle(v, 8, 38); }},
        {CatalogTable::JapaneseSohuIds, 773, Matches("[0-9]+|\\*[A-Za-z0-9]{11}")},
        {CatalogTable::FilmTitles, 18, [](auto& v) { return IsTitle(v, 8, 16); }},
        {CatalogTable::FilmLetvIds, 18, digits},
        {CatalogTable::FilmPageIds, 18, Matches("X[A-Za-z0-9]{12}")},
    };
}

class CatalogTest : public ::testing::Test {
  protected:
    void SetUp() override { catalog.LoadBuiltInTables(); }

    Catalog catalog;
};

TEST_F(CatalogTest, BuiltInTablesHaveTheirLineCountsNumberingAndValueForms) {
    const CatalogView view = catalog.View();
    for (const TableCase& c : BuiltInCases()) {
        SCOPED_TRACE(std::string(TableName(c.table)));
        ASSERT_EQ(view.EntryCount(c.table), c.lines);
        for (EpisodeNumber n = 1; n <= c.lines; ++n) {
            const std::string prefix = std::to_string(n) + "-";
            const std::string& line = view.LineAt(c.table, n);
            ASSERT_EQ(line.substr(0, prefix.size()), prefix) << "line " << n;
            const std::string value = view.ValueAt(c.table, n);
            ASSERT_EQ(value, line.substr(prefix.size())) << "line " << n << " holds a second '-'";
            ASSERT_TRUE(c.valueFits(value)) << "line " << n << ": " << value;
        }
    }
}

TEST_F(CatalogTest, BuiltInTextsEndWithoutLineBreakAndHoldDistinctTitles) {
    for (const TableCase& c : BuiltInCases()) {
        SCOPED_TRACE(std::string(TableName(c.table)));
        const std::string_view text = BuiltInText(c.table);
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n');
        EXPECT_EQ(SplitLines(text).size(), static_cast<std::size_t>(c.lines));
    }
    for (CatalogTable titles :
         {CatalogTable::MandarinTitles, CatalogTable::JapaneseTitles, CatalogTable::FilmTitles}) {
        std::vector<std::string> values;
        for (EpisodeNumber n = 1; n <= catalog.EntryCount(titles); ++n) {
            values.push_back(catalog.ValueAt(titles, n));
        }
        std::sort(values.begin(), values.end());
        EXPECT_EQ(std::adjacent_find(values.begin(), values.end()), values.end())
            << TableName(titles) << " repeats a title";
    }
}

TEST_F(CatalogTest, FourteenJapaneseIdsAreStarredAndKeepTheirStar) {
    int starred = 0;
    for (EpisodeNumber n = 1; n <= catalog.EntryCount(CatalogTable::JapaneseSohuIds); ++n) {
        const std::string id = catalog.ValueAt(CatalogTable::JapaneseSohuIds, n);
        if (id.find('*') != std::string::npos) {
            ++starred;
            EXPECT_EQ(id.front(), '*') << id;
            EXPECT_EQ(id.size(), 12u) << id;
        }
    }
    EXPECT_EQ(starred, 14);
}

TEST_F(CatalogTest, IqiyiValueIsTheWholeIdWithItsTvIdPart) {
    const std::string& line = catalog.View().LineAt(CatalogTable::MandarinIqiyiIds, 1);
    const std::string value = catalog.ValueAt(CatalogTable::MandarinIqiyiIds, 1);
    EXPECT_EQ(value, line.substr(2));
    EXPECT_EQ(value.find("&tvId="), 32u);
    EXPECT_GT(value.size(), 38u);
}

TEST_F(CatalogTest, PositionsOutsideTheTableGiveTheEmptyText) {
    const int count = catalog.EntryCount(CatalogTable::FilmTitles);
    for (EpisodeNumber n : {0, -1, count + 1, 1'000'000}) {
        EXPECT_EQ(catalog.ValueAt(CatalogTable::FilmTitles, n), "") << n;
    }
    Catalog empty;
    EXPECT_EQ(empty.EntryCount(CatalogTable::MandarinTitles), 0);
    EXPECT_EQ(empty.ValueAt(CatalogTable::MandarinTitles, 1), "");
}

TEST(CatalogLineTest, ValueIsTheTextBehindTheLastHyphen) {
    EXPECT_EQ(ValueOfLine("12-abc"), "abc");
    EXPECT_EQ(ValueOfLine("12-a-b"), "b");
    EXPECT_EQ(ValueOfLine("no hyphen"), "");
    EXPECT_EQ(ValueOfLine("7-"), "");
}

TEST(CatalogLineTest, TitlesForPicksFilmsUnlessTv) {
    struct Case {
        std::string_view category, language;
        CatalogTable titles;
    } cases[] = {
        {Category::kTv, AudioLanguage::kMandarin, CatalogTable::MandarinTitles},
        {Category::kTv, AudioLanguage::kJapanese, CatalogTable::JapaneseTitles},
        {Category::kTv, "", CatalogTable::MandarinTitles},
        {Category::kTv, "abc", CatalogTable::MandarinTitles},
        {Category::kFilm, AudioLanguage::kMandarin, CatalogTable::FilmTitles},
        {Category::kFilm, AudioLanguage::kJapanese, CatalogTable::FilmTitles},
        {"abc", AudioLanguage::kJapanese, CatalogTable::FilmTitles},
        {"", AudioLanguage::kMandarin, CatalogTable::FilmTitles},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TitlesFor(c.category, c.language), c.titles) << c.category << "/" << c.language;
    }
}

TEST_F(CatalogTest, FilmCountIsEighteenWhicheverDub) {
    EXPECT_EQ(catalog.EntryCount(TitlesFor("剧场版", "国语")), 18);
    EXPECT_EQ(catalog.EntryCount(TitlesFor("剧场版", "日语")), 18);
}

TEST(ExtensionLineTest, OnlyExactlyThreeFieldsParse) {
    auto line = ParseExtensionLine("774|新的一集|9001");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->number, "774");
    EXPECT_EQ(line->title, "新的一集");
    EXPECT_EQ(line->id, "9001");
    EXPECT_TRUE(ParseExtensionLine("||"));
    for (std::string_view bad : {"", "774", "774|t", "774|t|i|x", "|||"}) {
        EXPECT_FALSE(ParseExtensionLine(bad)) << bad;
    }
}

struct AppendCase {
    const char* name;
    std::string file;
    int japaneseLines;
};

TEST_F(CatalogTest, AppendExtensionAddsWellFormedLinesToBothJapaneseTables) {
    const std::string good = "774|雾港的新约定|5550001\r\n775|第二集|*AbCdEfGhIjK";
    const AppendCase cases[] = {
        {"empty file", "", 773},
        {"two good lines and one with four fields", good + "\r\n776|x|1|2\r\n", 775},
        {"blank lines between",
         "\r\n774|雾港的新约定|5550001\r\n\r\n  \r\n775|第二集|*AbCdEfGhIjK\r\n", 775},
        {"one line without line break", "774|雾港的新约定|5550001", 774},
        {"only junk", "junk\r\n\r\n1|2\r\n", 773},
    };
    for (const AppendCase& c : cases) {
        SCOPED_TRACE(c.name);
        Catalog fresh;
        fresh.LoadBuiltInTables();
        const CatalogView before = fresh.View();
        fresh.AppendExtension(c.file);
        const CatalogView after = fresh.View();
        EXPECT_EQ(after.EntryCount(CatalogTable::JapaneseTitles), c.japaneseLines);
        EXPECT_EQ(after.EntryCount(CatalogTable::JapaneseSohuIds), c.japaneseLines);
        EXPECT_EQ(after.Lines(CatalogTable::MandarinTitles),
                  before.Lines(CatalogTable::MandarinTitles));
        for (EpisodeNumber n = 1; n <= 773; ++n) {
            ASSERT_EQ(after.LineAt(CatalogTable::JapaneseTitles, n),
                      before.LineAt(CatalogTable::JapaneseTitles, n));
        }
        if (c.japaneseLines >= 774) {
            EXPECT_EQ(after.LineAt(CatalogTable::JapaneseTitles, 774), "774-雾港的新约定");
            EXPECT_EQ(after.ValueAt(CatalogTable::JapaneseSohuIds, 774), "5550001");
        }
        if (c.japaneseLines >= 775) {
            EXPECT_EQ(after.ValueAt(CatalogTable::JapaneseTitles, 775), "第二集");
            EXPECT_EQ(after.ValueAt(CatalogTable::JapaneseSohuIds, 775), "*AbCdEfGhIjK");
        }
    }
}

TEST_F(CatalogTest, AppendedEntriesTakeTheNextPositionWhateverTheirNumber) {
    catalog.AppendExtension("900|远方|42\r\n3|近处|43");
    EXPECT_EQ(catalog.View().LineAt(CatalogTable::JapaneseTitles, 774), "900-远方");
    EXPECT_EQ(catalog.View().LineAt(CatalogTable::JapaneseSohuIds, 775), "3-43");
}

TEST_F(CatalogTest, LoadingAgainReplacesTheTables) {
    catalog.AppendExtension("774|a|1\r\n775|b|2");
    catalog.LoadBuiltInTables();
    EXPECT_EQ(catalog.EntryCount(CatalogTable::JapaneseTitles), 773);
    EXPECT_EQ(catalog.EntryCount(CatalogTable::MandarinTitles), 775);
}

TEST_F(CatalogTest, ResizeKeepsTheFirstLinesAndNeverCutsIntoTheBuiltInOnes) {
    catalog.AppendExtension("774|a|1\r\n775|b|2\r\n776|c|3");
    const CatalogView loaded = catalog.View();

    catalog.ResizeJapanese(775);
    CatalogView view = catalog.View();
    EXPECT_EQ(view.EntryCount(CatalogTable::JapaneseTitles), 775);
    EXPECT_EQ(view.EntryCount(CatalogTable::JapaneseSohuIds), 775);
    EXPECT_EQ(view.LineAt(CatalogTable::JapaneseTitles, 775), "775-b");

    catalog.ResizeJapanese(778);
    view = catalog.View();
    EXPECT_EQ(view.EntryCount(CatalogTable::JapaneseTitles), 778);
    EXPECT_EQ(view.LineAt(CatalogTable::JapaneseTitles, 776), "");
    EXPECT_EQ(view.LineAt(CatalogTable::JapaneseSohuIds, 778), "");

    catalog.ResizeJapanese(10);
    view = catalog.View();
    EXPECT_EQ(view.Lines(CatalogTable::JapaneseTitles),
              TableLines(loaded.Lines(CatalogTable::JapaneseTitles).begin(),
                         loaded.Lines(CatalogTable::JapaneseTitles).begin() + 773));
    EXPECT_EQ(view.EntryCount(CatalogTable::JapaneseSohuIds), 773);

    // The view taken before the changes still shows the tables as they were.
    EXPECT_EQ(loaded.EntryCount(CatalogTable::JapaneseTitles), 776);
    EXPECT_EQ(loaded.LineAt(CatalogTable::JapaneseTitles, 776), "776-c");
}

TEST_F(CatalogTest, WritesReachOnlyTheExtensionPositions) {
    catalog.ResizeJapanese(775);
    EXPECT_TRUE(catalog.WriteJapaneseEntry(775, "775-新标题", "775-123"));
    EXPECT_EQ(catalog.ValueAt(CatalogTable::JapaneseTitles, 775), "新标题");
    EXPECT_EQ(catalog.ValueAt(CatalogTable::JapaneseSohuIds, 775), "123");

    const CatalogView before = catalog.View();
    for (EpisodeNumber n : {773, 1, 0, 776}) {
        EXPECT_FALSE(catalog.WriteJapaneseEntry(n, "x-x", "x-x")) << n;
    }
    EXPECT_EQ(catalog.View().Lines(CatalogTable::JapaneseTitles),
              before.Lines(CatalogTable::JapaneseTitles));
    EXPECT_EQ(catalog.View().Lines(CatalogTable::JapaneseSohuIds),
              before.Lines(CatalogTable::JapaneseSohuIds));
}

TEST_F(CatalogTest, OtherTablesStayTheSameObjectsAcrossJapaneseEdits) {
    const CatalogView before = catalog.View();
    catalog.EditJapanese([](JapaneseEdit& tables) { tables.Append("774-a", "774-1"); });
    const CatalogView after = catalog.View();
    EXPECT_EQ(&before.Lines(CatalogTable::CoverUrls), &after.Lines(CatalogTable::CoverUrls));
    EXPECT_NE(&before.Lines(CatalogTable::JapaneseTitles),
              &after.Lines(CatalogTable::JapaneseTitles));
}

// The round tag ("r12") at the end of a line the writer below wrote.
std::string TagOf(const std::string& line) {
    const std::size_t at = line.rfind('r');
    return at == std::string::npos ? std::string() : line.substr(at);
}

// A writer keeps resizing the 日语 tables and rewriting every extension line
// with the round's tag, the way the remote refresh does; readers must always
// see both tables at the same length, fully written, from the same round.
TEST_F(CatalogTest, ReadersNeverSeeHalfChangedJapaneseTables) {
    constexpr int kRounds = 400;
    std::atomic<bool> done{false};
    std::atomic<int> faults{0};
    std::atomic<long> viewsChecked{0};

    auto reader = [&] {
        while (!done.load()) {
            const CatalogView view = catalog.View();
            const TableLines& titles = view.Lines(CatalogTable::JapaneseTitles);
            const TableLines& ids = view.Lines(CatalogTable::JapaneseSohuIds);
            if (titles.size() != ids.size() || titles.size() < 773) {
                ++faults;
            }
            for (std::size_t i = 773; i < titles.size() && i < ids.size(); ++i) {
                const std::string tag = TagOf(titles[i]);
                if (tag.empty() || tag != TagOf(ids[i]) || tag != TagOf(titles.back())) {
                    ++faults;
                    break;
                }
            }
            // Single reads around the end of a changing table stay in bounds.
            const int count = catalog.EntryCount(CatalogTable::JapaneseTitles);
            catalog.ValueAt(CatalogTable::JapaneseTitles, count);
            catalog.ValueAt(CatalogTable::JapaneseSohuIds, count + 1);
            ++viewsChecked;
        }
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back(reader);
    }
    for (int round = 1; round <= kRounds; ++round) {
        const int extra = 1 + (round * 37) % 60;
        catalog.EditJapanese([&](JapaneseEdit& tables) {
            tables.Resize(773 + extra);
            const std::string tag = "r" + std::to_string(round);
            for (int i = 1; i <= extra; ++i) {
                const std::string number = std::to_string(773 + i);
                tables.Write(773 + i, number + "-title" + tag, number + "-id" + tag);
            }
        });
    }
    while (viewsChecked.load() < 100) {
        std::this_thread::yield();
    }
    done = true;
    for (std::thread& t : readers) {
        t.join();
    }
    EXPECT_EQ(faults.load(), 0);
}

}  // namespace
}  // namespace app
