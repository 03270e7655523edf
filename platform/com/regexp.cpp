#include "platform/com/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <exception>
#include <limits>
#include <new>
#include <thread>

namespace com {

namespace detail {

// The matches of one Execute: a copy of the subject and, per match, the
// start and end of the whole match followed by those of every group.
struct MatchTable {
    static constexpr std::uint32_t kUnset = std::numeric_limits<std::uint32_t>::max();

    std::u16string subject;
    std::size_t groups = 0;
    std::vector<std::uint32_t> offsets;

    std::size_t Stride() const { return (groups + 1) * 2; }
    std::size_t Count() const { return offsets.size() / Stride(); }
    const std::uint32_t* Span(std::size_t match, std::size_t group) const {
        return &offsets[match * Stride() + group * 2];
    }
    std::u16string Text(const std::uint32_t* span) const {
        if (span[0] == kUnset) {
            return {};
        }
        return subject.substr(span[0], span[1] - span[0]);
    }
};

}  // namespace detail

namespace {

using detail::MatchTable;

// Limits that turn a runaway match into E_REGEXP_LIMIT. The JIT stack is
// only reserved address space until a deep match touches it; 512 MB lets a
// repeated group run over a 10-million-unit subject.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kHeapLimitKib = 512 * 1024;
constexpr std::size_t kJitStackStart = 64 * 1024;
constexpr std::size_t kJitStackSizes[] = {std::size_t{512} << 20, std::size_t{16} << 20};

struct CodeFree {
    void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct CompileContextFree {
    void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct JitStackFree {
    void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

bool IsAsciiLetter(char16_t c) {
    return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
}

// Letters that an escape gives a meaning to in the dialect. PCRE2 knows more
// (\A, \h, \Q ...); here those stand for the letter itself.
bool EscapeHasMeaning(char16_t letter) {
    return std::u16string_view(u"bBdDsSwWfnrtvcxu").find(letter) != std::u16string_view::npos;
}

// The pattern in PCRE2's syntax: \v is the vertical tab (PCRE2 reads it as
// a class of line breaks) and meaningless letter escapes become the letter.
std::u16string TranslatePattern(std::u16string_view pattern) {
    std::u16string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c != u'\\' || i + 1 == pattern.size()) {
            out += c;
            continue;
        }
        const char16_t next = pattern[++i];
        if (next == u'v') {
            out += u"\\x0b";
        } else if (IsAsciiLetter(next) && !EscapeHasMeaning(next)) {
            out += next;
        } else {
            out += c;
            out += next;
        }
    }
    return out;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

win::HRESULT MatchFailure(int rc) {
    switch (rc) {
        case PCRE2_ERROR_MATCHLIMIT:
        case PCRE2_ERROR_DEPTHLIMIT:
        case PCRE2_ERROR_HEAPLIMIT:
        case PCRE2_ERROR_JIT_STACKLIMIT:
            return E_REGEXP_LIMIT;
        case PCRE2_ERROR_NOMEMORY:
            return win::E_OUTOFMEMORY;
        default:
            return win::E_FAIL;
    }
}

// One piece of a parsed replacement text.
struct ReplacementPart {
    enum Kind { kLiteral, kGroup, kWholeMatch, kBefore, kAfter };
    Kind kind;
    std::size_t value;   // kGroup: group number; kLiteral: start in the replacement
    std::size_t length;  // kLiteral only
};

// Splits replacement at its $ forms. $nn is taken when group nn exists,
// else $n when group n exists; any other $ is literal.
std::vector<ReplacementPart> ParseReplacement(std::u16string_view text, std::size_t groups) {
    std::vector<ReplacementPart> parts;
    const auto literal = [&](std::size_t start, std::size_t length) {
        if (!parts.empty() && parts.back().kind == ReplacementPart::kLiteral &&
            parts.back().value + parts.back().length == start) {
            parts.back().length += length;
        } else {
            parts.push_back({ReplacementPart::kLiteral, start, length});
        }
    };
    const auto digit = [&](std::size_t at) -> int {
        return at < text.size() && text[at] >= u'0' && text[at] <= u'9' ? text[at] - u'0' : -1;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != u'$' || i + 1 == text.size()) {
            literal(i++, 1);
            continue;
        }
        const char16_t next = text[i + 1];
        if (next == u'$') {
            literal(i + 1, 1);
            i += 2;
        } else if (next == u'&' || next == u'`' || next == u'\'') {
            parts.push_back({next == u'&'   ? ReplacementPart::kWholeMatch
                             : next == u'`' ? ReplacementPart::kBefore
                                            : ReplacementPart::kAfter,
                             0, 0});
            i += 2;
        } else if (const int d1 = digit(i + 1); d1 >= 0) {
            const int d2 = digit(i + 2);
            const std::size_t two = d2 >= 0 ? std::size_t(d1 * 10 + d2) : 0;
            if (two >= 1 && two <= groups) {
                parts.push_back({ReplacementPart::kGroup, two, 0});
                i += 3;
            } else if (d1 >= 1 && std::size_t(d1) <= groups) {
                parts.push_back({ReplacementPart::kGroup, std::size_t(d1), 0});
                i += 2;
            } else {
                literal(i++, 1);
            }
        } else {
            literal(i++, 1);
        }
    }
    return parts;
}

}  // namespace

// --- SubMatchCollection, Match, MatchCollection ---

SubMatchCollection::SubMatchCollection(std::shared_ptr<const MatchTable> table, std::size_t match)
    : table_(std::move(table)), match_(match) {}

long SubMatchCollection::Count() const {
    return long(table_->groups);
}

std::optional<std::u16string> SubMatchCollection::Item(long index) const {
    if (index < 0 || std::size_t(index) >= table_->groups) {
        return std::nullopt;
    }
    return table_->Text(table_->Span(match_, std::size_t(index) + 1));
}

std::optional<long> SubMatchCollection::FirstIndex(long index) const {
    if (index < 0 || std::size_t(index) >= table_->groups) {
        return std::nullopt;
    }
    const std::uint32_t start = table_->Span(match_, std::size_t(index) + 1)[0];
    return start == MatchTable::kUnset ? -1L : long(start);
}

Match::Match(std::shared_ptr<const MatchTable> table, std::size_t match)
    : table_(std::move(table)), match_(match) {}

std::u16string Match::Value() const {
    return table_->Text(table_->Span(match_, 0));
}

long Match::FirstIndex() const {
    return long(table_->Span(match_, 0)[0]);
}

long Match::Length() const {
    const std::uint32_t* span = table_->Span(match_, 0);
    return long(span[1] - span[0]);
}

SubMatchCollection Match::SubMatches() const {
    return SubMatchCollection(table_, match_);
}

MatchCollection::MatchCollection(std::shared_ptr<const MatchTable> table)
    : table_(std::move(table)) {}

long MatchCollection::Count() const {
    return long(table_->Count());
}

std::optional<Match> MatchCollection::Item(long index) const {
    if (index < 0 || std::size_t(index) >= table_->Count()) {
        return std::nullopt;
    }
    return Match(table_, std::size_t(index));
}

// --- RegExp ---

struct RegExp::Engine {
    bool ignoreCase = false;
    bool multiline = false;
    bool global = false;
    std::u16string pattern;
    std::thread::id owner = std::this_thread::get_id();

    // The compiled pattern; reset whenever Pattern, IgnoreCase or Multiline
    // changes. A rejected pattern is compiled again on every call.
    std::unique_ptr<pcre2_code, CodeFree> code;
    std::unique_ptr<pcre2_match_data, MatchDataFree> data;
    std::unique_ptr<pcre2_match_context, MatchContextFree> context;
    std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack;
    std::size_t groups = 0;

    win::HRESULT Compile();
    win::HRESULT Prepare();
    template <class Visit>
    win::HRESULT ForEachMatch(std::u16string_view subject, Visit&& visit);
};

win::HRESULT RegExp::Engine::Compile() {
    std::unique_ptr<pcre2_compile_context, CompileContextFree> options(
        pcre2_compile_context_create(nullptr));
    if (!options) {
        return win::E_OUTOFMEMORY;
    }
    pcre2_set_newline(options.get(), PCRE2_NEWLINE_ANYCRLF);
    pcre2_set_bsr(options.get(), PCRE2_BSR_ANYCRLF);

    std::uint32_t flags = PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                          PCRE2_ALT_CIRCUMFLEX | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP;
    flags |= ignoreCase ? PCRE2_CASELESS : 0;
    flags |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

    const std::u16string source = TranslatePattern(pattern);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), flags,
                             &error, &errorOffset, options.get()));
    if (!code) {
        return error == PCRE2_ERROR_HEAP_FAILED ? win::E_OUTOFMEMORY : E_REGEXP_SYNTAX;
    }
    const bool jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;

    std::uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    groups = captures;
    data.reset(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!context) {
        context.reset(pcre2_match_context_create(nullptr));
    }
    if (!data || !context) {
        code.reset();
        return win::E_OUTOFMEMORY;
    }
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKib);
    for (std::size_t size : kJitStackSizes) {
        if (!jit || jitStack) {
            break;
        }
        jitStack.reset(pcre2_jit_stack_create(kJitStackStart, size, nullptr));
    }
    // Without a stack of its own the JIT runs on a small part of the
    // machine stack and reports a deep match as a limit.
    pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());
    return win::S_OK;
}

win::HRESULT RegExp::Engine::Prepare() {
    if (std::this_thread::get_id() != owner) {
        return win::RPC_E_WRONG_THREAD;
    }
    return code ? win::S_OK : Compile();
}

template <class Visit>
win::HRESULT RegExp::Engine::ForEachMatch(std::u16string_view subject, Visit&& visit) {
    if (subject.size() >= MatchTable::kUnset) {
        return win::E_OUTOFMEMORY;
    }
    static const char16_t kEmpty[1] = {};
    const auto text = reinterpret_cast<PCRE2_SPTR>(subject.empty() ? kEmpty : subject.data());
    const PCRE2_SIZE length = subject.size();
    PCRE2_SIZE start = 0;
    for (;;) {
        const int rc = pcre2_match(code.get(), text, length, start, 0, data.get(), context.get());
        if (rc == PCRE2_ERROR_NOMATCH) {
            return win::S_OK;
        }
        if (rc <= 0) {
            return MatchFailure(rc);
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        visit(ovector, std::size_t(rc));
        if (!global) {
            return win::S_OK;
        }
        // An empty match moves the next search one unit on, so it ends.
        start = ovector[1] > ovector[0] ? ovector[1] : ovector[0] + 1;
        if (start > length) {
            return win::S_OK;
        }
    }
}

RegExp::RegExp() : engine_(std::make_unique<Engine>()) {}
RegExp::~RegExp() = default;

bool RegExp::IgnoreCase() const {
    return engine_->ignoreCase;
}
bool RegExp::Multiline() const {
    return engine_->multiline;
}
bool RegExp::Global() const {
    return engine_->global;
}
const std::u16string& RegExp::Pattern() const {
    return engine_->pattern;
}

void RegExp::SetIgnoreCase(bool value) {
    if (value != engine_->ignoreCase) {
        engine_->ignoreCase = value;
        engine_->code.reset();
    }
}

void RegExp::SetMultiline(bool value) {
    if (value != engine_->multiline) {
        engine_->multiline = value;
        engine_->code.reset();
    }
}

void RegExp::SetGlobal(bool value) {
    engine_->global = value;
}

void RegExp::SetPattern(std::u16string_view pattern) {
    engine_->pattern.assign(pattern);
    engine_->code.reset();
}

win::HRESULT RegExp::PutProperty(std::string_view name, bool value) {
    if (SameNameIgnoringCase(name, "IgnoreCase")) {
        SetIgnoreCase(value);
    } else if (SameNameIgnoringCase(name, "Multiline")) {
        SetMultiline(value);
    } else if (SameNameIgnoringCase(name, "Global")) {
        SetGlobal(value);
    } else {
        return win::DISP_E_UNKNOWNNAME;
    }
    return win::S_OK;
}

win::HRESULT RegExp::Execute(std::u16string_view subject,
                             std::unique_ptr<MatchCollection>* matches) {
    if (matches == nullptr) {
        return win::E_INVALIDARG;
    }
    matches->reset();
    try {
        if (const win::HRESULT hr = engine_->Prepare(); win::FAILED(hr)) {
            return hr;
        }
        auto table = std::make_shared<MatchTable>();
        table->subject.assign(subject);
        table->groups = engine_->groups;
        const std::size_t pairs = table->groups + 1;
        const win::HRESULT hr =
            engine_->ForEachMatch(subject, [&](const PCRE2_SIZE* ovector, std::size_t set) {
                for (std::size_t group = 0; group < pairs; ++group) {
                    const bool unset = group >= set || ovector[2 * group] == PCRE2_UNSET;
                    table->offsets.push_back(unset ? MatchTable::kUnset
                                                   : std::uint32_t(ovector[2 * group]));
                    table->offsets.push_back(unset ? MatchTable::kUnset
                                                   : std::uint32_t(ovector[2 * group + 1]));
                }
            });
        if (win::FAILED(hr)) {
            return hr;
        }
        table->offsets.shrink_to_fit();
        matches->reset(new MatchCollection(std::move(table)));
        return win::S_OK;
    } catch (const std::bad_alloc&) {
        return win::E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return win::E_FAIL;
    }
}

win::HRESULT RegExp::Replace(std::u16string_view subject, std::u16string_view replacement,
                             std::u16string* result) {
    if (result == nullptr) {
        return win::E_INVALIDARG;
    }
    result->clear();
    try {
        if (const win::HRESULT hr = engine_->Prepare(); win::FAILED(hr)) {
            return hr;
        }
        const std::vector<ReplacementPart> parts = ParseReplacement(replacement, engine_->groups);
        std::u16string out;
        out.reserve(subject.size());
        std::size_t copied = 0;
        const win::HRESULT hr = engine_->ForEachMatch(subject, [&](const PCRE2_SIZE* ovector,
                                                                   std::size_t set) {
            const std::size_t begin = ovector[0];
            const std::size_t end = std::max(ovector[0], ovector[1]);
            if (begin > copied) {
                out.append(subject.substr(copied, begin - copied));
            }
            for (const ReplacementPart& part : parts) {
                switch (part.kind) {
                    case ReplacementPart::kLiteral:
                        out.append(replacement.substr(part.value, part.length));
                        break;
                    case ReplacementPart::kGroup:
                        if (part.value < set && ovector[2 * part.value] != PCRE2_UNSET) {
                            const std::size_t from = ovector[2 * part.value];
                            out.append(subject.substr(from, ovector[2 * part.value + 1] - from));
                        }
                        break;
                    case ReplacementPart::kWholeMatch:
                        out.append(subject.substr(begin, end - begin));
                        break;
                    case ReplacementPart::kBefore:
                        out.append(subject.substr(0, begin));
                        break;
                    case ReplacementPart::kAfter:
                        out.append(subject.substr(end));
                        break;
                }
            }
            copied = end;
        });
        if (win::FAILED(hr)) {
            return hr;
        }
        out.append(subject.substr(copied));
        *result = std::move(out);
        return win::S_OK;
    } catch (const std::bad_alloc&) {
        return win::E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return win::E_FAIL;
    }
}

std::unique_ptr<RegExp> CreateRegExp() {
    if (!IsInitialized()) {
        return nullptr;
    }
    try {
        return std::unique_ptr<RegExp>(new RegExp());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace com
