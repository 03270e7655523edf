#include "toolkit/regex_object.h"

#include "platform/com/com.h"
#include "platform/com/regexp.h"
#include "platform/kernel/codepage.h"
#include "toolkit/text.h"

RegexObject::RegexObject() {
    win::CoInitialize(nullptr);
}

RegexObject::~RegexObject() {
    matches_.reset();
    engine_.reset();
    subject_.clear();
    win::CoUninitialize();
}

bool RegexObject::Search(std::string_view pattern, std::string_view subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteToken) {
    matches_.reset();
    engine_.reset();

    engine_ = com::CreateRegExp();
    if (!engine_) {
        return false;
    }

    engine_->PutProperty("IgnoreCase", !caseSensitive);
    engine_->PutProperty("Multiline", multiline);
    // The engine has no such property: this assignment fails and has no
    // effect, so the dot keeps not matching line breaks.
    engine_->PutProperty("Singleline", true);
    engine_->PutProperty("Global", global);

    const std::string prepared =
        quoteToken ? ReplacePairs(pattern, ReplaceOptions{.caseSensitive = true}, "#引号", "\"")
                   : std::string(pattern);
    engine_->SetPattern(codepage::GbkToUtf16(prepared));

    subject_ = codepage::GbkToUtf16(subject);

    return win::SUCCEEDED(engine_->Execute(subject_, &matches_)) && matches_ != nullptr;
}

std::string RegexObject::GetPattern() const {
    return engine_ ? codepage::Utf16ToGbk(engine_->Pattern()) : std::string();
}

std::string RegexObject::Replace(std::string_view replacement) const {
    std::u16string result;
    if (!engine_ ||
        win::FAILED(engine_->Replace(subject_, codepage::GbkToUtf16(replacement), &result))) {
        return {};
    }
    return codepage::Utf16ToGbk(result);
}

int RegexObject::MatchCount() const {
    return matches_ ? int(matches_->Count()) : 0;
}

std::string RegexObject::MatchText(int matchNumber, int* byteOffset) const {
    if (byteOffset != nullptr) {
        *byteOffset = -1;
    }
    const std::optional<com::Match> match =
        matches_ ? matches_->Item(long(matchNumber) - 1) : std::nullopt;
    if (!match) {
        return {};
    }
    if (byteOffset != nullptr) {
        *byteOffset = GbkOffset(match->FirstIndex());
    }
    return codepage::Utf16ToGbk(match->Value());
}

std::string RegexObject::SubMatchText(int matchNumber, int groupNumber, int* byteOffset) const {
    if (byteOffset != nullptr) {
        *byteOffset = -1;
    }
    const std::optional<com::Match> match =
        matches_ ? matches_->Item(long(matchNumber) - 1) : std::nullopt;
    if (!match) {
        return {};
    }
    const com::SubMatchCollection groups = match->SubMatches();
    const std::optional<std::u16string> value = groups.Item(long(groupNumber) - 1);
    if (!value) {
        return {};
    }
    if (byteOffset != nullptr) {
        const long start = groups.FirstIndex(long(groupNumber) - 1).value_or(-1);
        *byteOffset = start < 0 ? -1 : GbkOffset(start);
    }
    return codepage::Utf16ToGbk(*value);
}

int RegexObject::SubMatchCount() const {
    const std::optional<com::Match> first = matches_ ? matches_->Item(0) : std::nullopt;
    return first ? int(first->SubMatches().Count()) : 0;
}

// The byte offset in the GBK form of the subject of the place unitIndex
// UTF-16 units into it: the length of the GBK form of what precedes it.
int RegexObject::GbkOffset(long unitIndex) const {
    return int(codepage::Utf16ToGbk(std::u16string_view(subject_).substr(0, unitIndex)).size());
}
