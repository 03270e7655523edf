#include "app/catalog.h"

#include <algorithm>
#include <utility>

#include "content/embedded.h"
#include "toolkit/blank_lines.h"
#include "toolkit/text.h"

namespace app {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

constexpr std::array<std::string_view, kCatalogTableCount> kTableNames = {
    "MandarinTitles",  "JapaneseTitles",  "FilmTitles",      "MandarinIqiyiIds",
    "MandarinLetvIds", "MandarinSohuIds", "JapaneseSohuIds", "FilmLetvIds",
    "FilmPageIds",     "CoverUrls",       "ScrubPreviewIds",
};

std::size_t IndexOf(CatalogTable table) {
    return static_cast<std::size_t>(table);
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

const std::string& LineOf(const TableLines& lines, EpisodeNumber n) {
    if (n < 1 || static_cast<std::size_t>(n) > lines.size()) {
        return EmptyText();
    }
    return lines[static_cast<std::size_t>(n) - 1];
}

std::shared_ptr<const TableLines> EmptyTable() {
    static const auto empty = std::make_shared<const TableLines>();
    return empty;
}

}  // namespace

std::optional<ExtensionLine> ParseExtensionLine(std::string_view line) {
    const std::size_t first = line.find('|');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t second = line.find('|', first + 1);
    if (second == std::string_view::npos || line.find('|', second + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    return ExtensionLine{std::string(line.substr(0, first)),
                         std::string(line.substr(first + 1, second - first - 1)),
                         std::string(line.substr(second + 1))};
}

std::string_view TableName(CatalogTable table) {
    return kTableNames[IndexOf(table)];
}

std::string_view BuiltInText(CatalogTable table) {
    return content::Get("catalog/" + std::string(TableName(table)) + ".txt");
}

TableLines SplitLines(std::string_view text) {
    TableLines lines;
    for (;;) {
        const std::size_t end = text.find(kLineBreak);
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            return lines;
        }
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + kLineBreak.size());
    }
}

std::string ValueOfLine(std::string_view line) {
    return TextAfterLast(line, "-");
}

CatalogTable TitlesFor(std::string_view category, std::string_view language) {
    if (category != Category::kTv) {
        return CatalogTable::FilmTitles;
    }
    if (language == AudioLanguage::kJapanese) {
        return CatalogTable::JapaneseTitles;
    }
    return CatalogTable::MandarinTitles;
}

// --- CatalogView -----------------------------------------------------------

const TableLines& CatalogView::Lines(CatalogTable table) const {
    const auto& lines = tables_[IndexOf(table)];
    return lines ? *lines : *EmptyTable();
}

int CatalogView::EntryCount(CatalogTable table) const {
    return static_cast<int>(Lines(table).size());
}

std::string CatalogView::ValueAt(CatalogTable table, EpisodeNumber n) const {
    return ValueOfLine(LineAt(table, n));
}

const std::string& CatalogView::LineAt(CatalogTable table, EpisodeNumber n) const {
    return LineOf(Lines(table), n);
}

// --- JapaneseEdit ----------------------------------------------------------

JapaneseEdit::JapaneseEdit(TableLines titles, TableLines ids)
    : titles_(std::move(titles)), ids_(std::move(ids)) {}

const std::string& JapaneseEdit::TitleLine(EpisodeNumber n) const {
    return LineOf(titles_, n);
}

const std::string& JapaneseEdit::IdLine(EpisodeNumber n) const {
    return LineOf(ids_, n);
}

void JapaneseEdit::Resize(int lineCount) {
    const auto count = static_cast<std::size_t>(std::max(lineCount, kJapaneseBuiltInLines));
    titles_.resize(count);
    ids_.resize(count);
}

bool JapaneseEdit::Write(EpisodeNumber n, std::string titleLine, std::string idLine) {
    if (n <= kJapaneseBuiltInLines || n > LineCount()) {
        return false;
    }
    titles_[static_cast<std::size_t>(n) - 1] = std::move(titleLine);
    ids_[static_cast<std::size_t>(n) - 1] = std::move(idLine);
    return true;
}

void JapaneseEdit::Append(std::string titleLine, std::string idLine) {
    titles_.push_back(std::move(titleLine));
    ids_.push_back(std::move(idLine));
}

// --- Catalog ---------------------------------------------------------------

Catalog::Catalog() {
    tables_.fill(EmptyTable());
}

void Catalog::LoadBuiltInTables() {
    std::lock_guard editing(editLock_);
    CatalogView::Tables loaded;
    for (std::size_t i = 0; i < kCatalogTableCount; ++i) {
        const auto table = static_cast<CatalogTable>(i);
        loaded[i] = std::make_shared<const TableLines>(SplitLines(BuiltInText(table)));
    }
    std::lock_guard lock(tablesLock_);
    tables_ = std::move(loaded);
}

void Catalog::AppendExtension(std::string_view fileText) {
    const std::string cleaned = RemoveBlankLines(fileText);
    const TableLines lines = SplitLines(cleaned);
    EditJapanese([&lines](JapaneseEdit& tables) {
        for (const std::string& line : lines) {
            if (auto entry = ParseExtensionLine(line)) {
                tables.Append(entry->number + "-" + entry->title, entry->number + "-" + entry->id);
            }
        }
    });
}

CatalogView Catalog::View() const {
    std::lock_guard lock(tablesLock_);
    return CatalogView(tables_);
}

std::string Catalog::ValueAt(CatalogTable table, EpisodeNumber n) const {
    return View().ValueAt(table, n);
}

int Catalog::EntryCount(CatalogTable table) const {
    return View().EntryCount(table);
}

void Catalog::EditJapanese(const std::function<void(JapaneseEdit&)>& edit) {
    std::lock_guard editing(editLock_);
    const CatalogView before = View();
    JapaneseEdit tables(before.Lines(CatalogTable::JapaneseTitles),
                        before.Lines(CatalogTable::JapaneseSohuIds));
    edit(tables);
    auto titles = std::make_shared<const TableLines>(std::move(tables.titles_));
    auto ids = std::make_shared<const TableLines>(std::move(tables.ids_));
    std::lock_guard lock(tablesLock_);
    tables_[IndexOf(CatalogTable::JapaneseTitles)] = std::move(titles);
    tables_[IndexOf(CatalogTable::JapaneseSohuIds)] = std::move(ids);
}

void Catalog::ResizeJapanese(int lineCount) {
    EditJapanese([lineCount](JapaneseEdit& tables) { tables.Resize(lineCount); });
}

bool Catalog::WriteJapaneseEntry(EpisodeNumber n, std::string titleLine, std::string idLine) {
    bool written = false;
    EditJapanese([&](JapaneseEdit& tables) {
        written = tables.Write(n, std::move(titleLine), std::move(idLine));
    });
    return written;
}

}  // namespace app
