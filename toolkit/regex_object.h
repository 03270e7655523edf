#pragma once
// Regular-expression searches and replacements over GBK texts, driving the
// platform's "VBScript.RegExp" engine object.
//
// An object belongs to the thread that makes it: construction initialises
// COM on that thread and destruction ends it. It is made, used for a search
// and its reads or replacement, and destroyed within one routine.
//
// The subject is handed to the engine as UTF-16 (code page 936) and match
// texts come back as GBK. No operation reports an error: a failing engine
// call yields false, the empty text or 0.
#include <memory>
#include <string>
#include <string_view>

namespace com {
class MatchCollection;
class RegExp;
}  // namespace com

class RegexObject {
  public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Runs pattern over subject with a new engine. With quoteToken every
    // "#引号" in the pattern stands for a double quote. The dot never matches
    // a line break. True when the engine accepted the pattern, also when it
    // found nothing.
    bool Search(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteToken = false);
    // The engine's current pattern; empty before any search.
    std::string GetPattern() const;
    // The subject of the last search with its matches (all of them after a
    // global search, else the first) replaced. The engine's substitution
    // forms apply: $1 ... $99, $&, $`, $' and $$.
    std::string Replace(std::string_view replacement = "") const;
    int MatchCount() const;
    // The text of match matchNumber (1-based). With byteOffset, also its
    // 0-based byte offset in the GBK subject (-1 when there is no such match).
    std::string MatchText(int matchNumber, int* byteOffset = nullptr) const;
    // The text group groupNumber (1-based) captured in match matchNumber; the
    // empty text for a group that took part in no match. With byteOffset,
    // also the capture's 0-based byte offset in the GBK subject (-1 when
    // there is no such group or it took part in no match).
    std::string SubMatchText(int matchNumber, int groupNumber, int* byteOffset = nullptr) const;
    // The number of groups of the first match; 0 when there is no match.
    int SubMatchCount() const;

  private:
    int GbkOffset(long unitIndex) const;

    std::unique_ptr<com::RegExp> engine_;
    std::unique_ptr<com::MatchCollection> matches_;
    std::u16string subject_;
};
