// The text helpers over a 1 MB GBK page, each beside a plain byte search
// that ignores two-byte characters (std::string::find or a hand loop).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text.h"

namespace {

// About 1 MB of list markup with Chinese titles, full-width spaces and
// characters whose second bytes look like markup ('[', ']', 'a').
const std::string& Page() {
    static const std::string page = [] {
        std::string text;
        text.reserve(1 << 20);
        for (int i = 0; text.size() < (1 << 20) - 100; ++i) {
            text += "<li><a href=\"/v/" + std::to_string(i) + "\">第" + std::to_string(i % 775) +
                    "集　国语　乕乚乤 在线观看</a></li>\n";
        }
        text += "<div id=\"end\">最后一集</div>";
        return text;
    }();
    return page;
}

std::string PaddedPage() {
    return "  　　" + Page() + "　　  ";
}

void Processed(benchmark::State& state, size_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// --- TextBetween: the marker sits at the very end, so the whole page is searched.

void TextBetween_Toolkit(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextBetween(Page(), "<div id=#引号end#引号>", "</div>"));
    }
    Processed(state, Page().size());
}

void TextBetween_ToolkitCaseSensitive(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextBetween(Page(), "<div id=#引号end#引号>", "</div>", 1, true));
    }
    Processed(state, Page().size());
}

void TextBetween_StdFindBaseline(benchmark::State& state) {
    const std::string& page = Page();
    const std::string left = "<div id=\"end\">";
    for (auto _ : state) {
        std::string result;
        const size_t l = page.find(left);
        if (l != std::string::npos) {
            const size_t r = page.find("</div>", l + left.size());
            if (r != std::string::npos) {
                result = page.substr(l + left.size(), r - l - left.size());
            }
        }
        benchmark::DoNotOptimize(result);
    }
    Processed(state, page.size());
}

// --- ReplacePairs: every title's "国语" and every "href" (a letter: both cases are searched).

std::string ReplaceAllBaseline(const std::string& text, const std::string& find,
                               const std::string& replacement) {
    std::string result;
    result.reserve(text.size());
    size_t copied = 0;
    for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, copied)) {
        result.append(text, copied, at - copied).append(replacement);
        copied = at + find.size();
    }
    return result.append(text, copied);
}

void ReplacePairs_Toolkit(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplacePairs(Page(), "国语", "日语", "href", "src"));
    }
    Processed(state, Page().size());
}

void ReplacePairs_StdFindBaseline(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ReplaceAllBaseline(ReplaceAllBaseline(Page(), "国语", "日语"), "href", "src"));
    }
    Processed(state, Page().size());
}

// --- ItemsBetween: every list entry (about 16000 items).

void ItemsBetween_Toolkit(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ItemsBetween(Page(), "<li>", "</li>"));
    }
    Processed(state, Page().size());
}

void ItemsBetween_StdFindBaseline(benchmark::State& state) {
    const std::string& page = Page();
    for (auto _ : state) {
        std::vector<std::string> items;
        size_t from = 0;
        for (;;) {
            const size_t l = page.find("<li>", from);
            if (l == std::string::npos) {
                break;
            }
            const size_t r = page.find("</li>", l + 4);
            if (r == std::string::npos) {
                break;
            }
            std::string_view item(page.data() + l + 4, r - l - 4);
            const size_t first = item.find_first_not_of(' ');
            if (first != std::string_view::npos) {
                item = item.substr(first, item.find_last_not_of(' ') - first + 1);
                items.emplace_back(item);
            }
            from = r;
        }
        benchmark::DoNotOptimize(items);
    }
    Processed(state, page.size());
}

// --- TrimBlanks: blanks at both ends of the whole page; the copy dominates.

void TrimBlanks_Toolkit(benchmark::State& state) {
    const std::string padded = PaddedPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(TrimBlanks(padded));
    }
    Processed(state, padded.size());
}

void TrimBlanks_HandLoopBaseline(benchmark::State& state) {
    const std::string padded = PaddedPage();
    for (auto _ : state) {
        size_t begin = 0;
        size_t end = padded.size();
        while (begin < end && (padded[begin] == ' ' || padded[begin] == '\xA1')) {
            ++begin;
        }
        while (end > begin && (padded[end - 1] == ' ' || padded[end - 1] == '\xA1')) {
            --end;
        }
        benchmark::DoNotOptimize(padded.substr(begin, end - begin));
    }
    Processed(state, padded.size());
}

}  // namespace

BENCHMARK(TextBetween_Toolkit);
BENCHMARK(TextBetween_ToolkitCaseSensitive);
BENCHMARK(TextBetween_StdFindBaseline);
BENCHMARK(ReplacePairs_Toolkit);
BENCHMARK(ReplacePairs_StdFindBaseline);
BENCHMARK(ItemsBetween_Toolkit);
BENCHMARK(ItemsBetween_StdFindBaseline);
BENCHMARK(TrimBlanks_Toolkit);
BENCHMARK(TrimBlanks_HandLoopBaseline);
