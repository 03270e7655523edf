// Loading the catalog and reading it, each beside a plain anchor doing the same
// work with the bare standard library on the same bytes.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/catalog.h"

namespace {

using app::Catalog;
using app::CatalogTable;

std::vector<std::string> PlainSplit(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos;
         start = end + 2) {
        lines.emplace_back(text.substr(start, end - start));
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

void BM_LoadBuiltInTables(benchmark::State& state) {
    Catalog catalog;
    for (auto _ : state) {
        catalog.LoadBuiltInTables();
        benchmark::DoNotOptimize(catalog.EntryCount(CatalogTable::MandarinTitles));
    }
}
BENCHMARK(BM_LoadBuiltInTables);

void BM_Anchor_PlainSplitOfTheSameTexts(benchmark::State& state) {
    std::vector<std::string_view> texts;
    for (std::size_t i = 0; i < app::kCatalogTableCount; ++i) {
        texts.push_back(app::BuiltInText(static_cast<CatalogTable>(i)));
    }
    for (auto _ : state) {
        std::vector<std::vector<std::string>> tables;
        tables.reserve(texts.size());
        for (std::string_view text : texts) {
            tables.push_back(PlainSplit(text));
        }
        benchmark::DoNotOptimize(tables.data());
    }
}
BENCHMARK(BM_Anchor_PlainSplitOfTheSameTexts);

// Reading every 国语 title through a fresh view per value, as a list fill does.
void BM_ValueAtEveryMandarinTitle(benchmark::State& state) {
    Catalog catalog;
    catalog.LoadBuiltInTables();
    const int count = catalog.EntryCount(CatalogTable::MandarinTitles);
    for (auto _ : state) {
        for (int n = 1; n <= count; ++n) {
            benchmark::DoNotOptimize(catalog.ValueAt(CatalogTable::MandarinTitles, n));
        }
    }
}
BENCHMARK(BM_ValueAtEveryMandarinTitle);

void BM_ValueAtEveryMandarinTitleThroughOneView(benchmark::State& state) {
    Catalog catalog;
    catalog.LoadBuiltInTables();
    for (auto _ : state) {
        const app::CatalogView view = catalog.View();
        const int count = view.EntryCount(CatalogTable::MandarinTitles);
        for (int n = 1; n <= count; ++n) {
            benchmark::DoNotOptimize(view.ValueAt(CatalogTable::MandarinTitles, n));
        }
    }
}
BENCHMARK(BM_ValueAtEveryMandarinTitleThroughOneView);

void BM_Anchor_RfindEveryMandarinTitle(benchmark::State& state) {
    const std::vector<std::string> lines =
        PlainSplit(app::BuiltInText(CatalogTable::MandarinTitles));
    for (auto _ : state) {
        for (const std::string& line : lines) {
            const std::size_t at = line.rfind('-');
            benchmark::DoNotOptimize(at == std::string::npos ? std::string() : line.substr(at + 1));
        }
    }
}
BENCHMARK(BM_Anchor_RfindEveryMandarinTitle);

}  // namespace
