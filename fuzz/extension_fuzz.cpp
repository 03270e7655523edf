// The stored additions file is outside input: any bytes must extend the two
// 日语 tables in step, leave the built-in lines alone and never crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/catalog.h"

namespace {

app::Catalog& LoadedCatalog() {
    static app::Catalog catalog;
    static const bool loaded = (catalog.LoadBuiltInTables(), true);
    (void)loaded;
    return catalog;
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    app::Catalog& catalog = LoadedCatalog();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const app::CatalogView before = catalog.View();

    catalog.AppendExtension(text);

    const app::CatalogView after = catalog.View();
    const auto& titles = after.Lines(app::CatalogTable::JapaneseTitles);
    const auto& ids = after.Lines(app::CatalogTable::JapaneseSohuIds);
    Check(titles.size() == ids.size());
    Check(titles.size() >= before.Lines(app::CatalogTable::JapaneseTitles).size());
    Check(titles.size() - 773 <= text.size() / 2 + 1);  // an added line holds two "|"
    for (app::EpisodeNumber n = 1; n <= 773; ++n) {
        Check(after.LineAt(app::CatalogTable::JapaneseTitles, n) ==
              before.LineAt(app::CatalogTable::JapaneseTitles, n));
    }
    for (std::size_t i = 773; i < titles.size(); ++i) {
        Check(titles[i].find('-') != std::string::npos && ids[i].find('-') != std::string::npos);
        after.ValueAt(app::CatalogTable::JapaneseTitles, static_cast<int>(i) + 1);
    }

    catalog.ResizeJapanese(773);  // back to the built-in tables for the next input
    return 0;
}
