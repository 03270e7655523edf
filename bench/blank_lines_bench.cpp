// RemoveBlankLines (through the regular-expression object) against a plain
// loop that removes the same blank lines, over 1 MB and 10 MB GBK texts.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "toolkit/blank_lines.h"

namespace {

// Episode lines with blank, space-only and tab lines between them.
std::string SampleText(std::size_t bytes) {
    const char* const fillers[] = {"", " ", "", "\t  ", "", "　"};
    std::string text;
    text.reserve(bytes + 64);
    for (unsigned i = 0; text.size() < bytes; ++i) {
        text += std::to_string(774 + i) + "|第" + std::to_string(774 + i) + "集 新的冒险|" +
                std::to_string(100000 + i * 7) + "\r\n";
        text += fillers[i % std::size(fillers)];
        text += "\r\n";
    }
    return text;
}

bool IsWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The anchor: the same cleaning written as one pass over the bytes.
std::string RemoveBlankLinesByHand(std::string_view text) {
    if (text.starts_with("\r\n")) {
        text.remove_prefix(2);
    }
    if (text.ends_with("\r\n")) {
        text.remove_suffix(2);
    }
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\n') {
            out += text[i++];
            continue;
        }
        std::size_t end = i + 1;
        std::size_t lastCr = 0;
        while (end < text.size() && IsWhite(text[end])) {
            if (text[end] == '\r') {
                lastCr = end;
            }
            ++end;
        }
        if (lastCr > i) {
            i = lastCr + 1;
        } else {
            out.append(text.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

const std::string& Text(std::int64_t megabytes) {
    static const std::string one = SampleText(1 << 20);
    static const std::string ten = SampleText(10 << 20);
    return megabytes == 1 ? one : ten;
}

void BM_RemoveBlankLines(benchmark::State& state) {
    const std::string& text = Text(state.range(0));
    if (RemoveBlankLines(text) != RemoveBlankLinesByHand(text)) {
        state.SkipWithError("the two cleanings differ");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(RemoveBlankLines(text));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

void BM_RemoveBlankLinesByHand(benchmark::State& state) {
    const std::string& text = Text(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(RemoveBlankLinesByHand(text));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

BENCHMARK(BM_RemoveBlankLines)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveBlankLinesByHand)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
