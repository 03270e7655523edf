#pragma once
// The catalog the program carries: episode and film titles, play ids, cover
// addresses and preview ids, as eleven tables of lines "number-value".
//
// The value of entry n of a table is the text behind the last "-" of its line
// n; only the position counts, never the number written in the line. Only the
// two 日语 tables change after start-up: the stored additions extend them, the
// remote refresh resizes and rewrites their lines beyond the built-in 773.
//
// A `Catalog` publishes its tables as immutable snapshots. Readers on any
// thread take a `CatalogView` and keep a consistent set of tables for as long
// as they hold it, while a writer builds changed tables aside and swaps them
// in; the two 日语 tables are always swapped together.
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// The eleven tables, in the order the built-in texts are loaded.
enum class CatalogTable {
    MandarinTitles,
    JapaneseTitles,
    FilmTitles,
    MandarinIqiyiIds,
    MandarinLetvIds,
    MandarinSohuIds,
    JapaneseSohuIds,
    FilmLetvIds,
    FilmPageIds,
    CoverUrls,
    ScrubPreviewIds,
};
inline constexpr std::size_t kCatalogTableCount = 11;

// The 1-based position of an episode (TV tables) or a film (film tables).
using EpisodeNumber = int;

// Categories, dubs and sources are handled as these exact texts everywhere.
struct Category {
    static constexpr std::string_view kTv = "TV版";
    static constexpr std::string_view kFilm = "剧场版";
};
struct AudioLanguage {
    static constexpr std::string_view kMandarin = "国语";
    static constexpr std::string_view kJapanese = "日语";
};
struct PlaySource {
    static constexpr std::string_view kSohu = "搜狐";
    static constexpr std::string_view kLetv = "乐视";
    static constexpr std::string_view kIqiyi = "爱奇艺";
};

// Built-in lines of each 日语 table; the additions start behind them.
inline constexpr int kJapaneseBuiltInLines = 773;

// The lines of one table, in order.
using TableLines = std::vector<std::string>;

// One line of the stored additions: number|title|id.
struct ExtensionLine {
    std::string number;
    std::string title;
    std::string id;
};

// The three "|"-separated fields of a line; nothing unless there are exactly three.
std::optional<ExtensionLine> ParseExtensionLine(std::string_view line);

// The name of a table ("MandarinTitles") and its built-in text.
std::string_view TableName(CatalogTable table);
std::string_view BuiltInText(CatalogTable table);

// A text split at every CR LF (the empty text is one empty line).
TableLines SplitLines(std::string_view text);

// The value of a line: everything behind its last "-", empty without one.
std::string ValueOfLine(std::string_view line);

// The title table for a choice: films unless the category is "TV版", else the
// dub's table.
CatalogTable TitlesFor(std::string_view category, std::string_view language);

// A consistent set of the eleven tables as they were when it was taken.
class CatalogView {
  public:
    CatalogView() = default;

    const TableLines& Lines(CatalogTable table) const;
    int EntryCount(CatalogTable table) const;
    // The value of entry n; the empty text when n lies outside 1 ... EntryCount.
    std::string ValueAt(CatalogTable table, EpisodeNumber n) const;
    // Line n as stored; the empty text outside 1 ... EntryCount.
    const std::string& LineAt(CatalogTable table, EpisodeNumber n) const;

  private:
    friend class Catalog;
    using Tables = std::array<std::shared_ptr<const TableLines>, kCatalogTableCount>;
    explicit CatalogView(Tables tables) : tables_(std::move(tables)) {}

    Tables tables_;
};

// Copies of the two 日语 tables being changed together (see Catalog::EditJapanese).
class JapaneseEdit {
  public:
    int LineCount() const { return static_cast<int>(titles_.size()); }
    const std::string& TitleLine(EpisodeNumber n) const;
    const std::string& IdLine(EpisodeNumber n) const;

    // Both tables to lineCount lines (never fewer than the built-in 773): the
    // first lines keep their content, lines behind the count are dropped, new
    // lines are empty.
    void Resize(int lineCount);
    // Writes line n of both tables; false, changing nothing, unless n lies behind
    // the built-in lines and within LineCount().
    bool Write(EpisodeNumber n, std::string titleLine, std::string idLine);
    // Adds a line at the end of both tables.
    void Append(std::string titleLine, std::string idLine);

  private:
    friend class Catalog;
    JapaneseEdit(TableLines titles, TableLines ids);

    TableLines titles_;
    TableLines ids_;
};

class Catalog {
  public:
    // Every table starts empty.
    Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Replaces all eleven tables by the built-in texts.
    void LoadBuiltInTables();
    // Appends the well-formed lines of the stored additions' text to the two
    // 日语 tables, behind their last lines; other lines are skipped.
    void AppendExtension(std::string_view fileText);

    CatalogView View() const;
    // Single reads, each from the current tables.
    std::string ValueAt(CatalogTable table, EpisodeNumber n) const;
    int EntryCount(CatalogTable table) const;

    // Runs edit on copies of both 日语 tables and then publishes them at once;
    // readers see the tables either wholly before or wholly after the edit.
    // Edits run one at a time.
    void EditJapanese(const std::function<void(JapaneseEdit&)>& edit);
    // Single-step forms of EditJapanese.
    void ResizeJapanese(int lineCount);
    bool WriteJapaneseEntry(EpisodeNumber n, std::string titleLine, std::string idLine);

  private:
    std::mutex editLock_;            // one writer at a time
    mutable std::mutex tablesLock_;  // held only to copy or swap the pointers
    CatalogView::Tables tables_;
};

}  // namespace app
