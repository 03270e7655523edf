#pragma once
// The regular-expression engine object, the one registered as
// "VBScript.RegExp": properties IgnoreCase, Multiline, Global and Pattern,
// Execute giving a match collection, and Replace.
//
// Texts are UTF-16. Positions and lengths count UTF-16 units. The dialect is
// ECMAScript-style: classes such as \s (exactly [ \f\n\r\t\v]), \d and \w are
// ASCII only; the dot matches neither CR nor LF; with Multiline, ^ and $ also
// match at CR and LF line breaks. A backslash before a letter without a
// meaning in this dialect stands for the letter itself.
//
// Matching never exhausts the machine stack and gives up with
// E_REGEXP_LIMIT when a pattern backtracks without end or needs too much
// memory. No call throws.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/com.h"

namespace com {

// Script error 5017, "Syntax error in regular expression": the pattern is
// rejected. Reported by Execute and Replace, not by setting Pattern.
constexpr win::HRESULT E_REGEXP_SYNTAX = static_cast<win::HRESULT>(0x800A1399);
// Script error 28, "Out of stack space": a match ran into the backtracking
// or memory limits.
constexpr win::HRESULT E_REGEXP_LIMIT = static_cast<win::HRESULT>(0x800A001C);

namespace detail {
struct MatchTable;
}

// The groups of one match, in the order of their opening parentheses.
class SubMatchCollection {
  public:
    long Count() const;
    // The text group index + 1 captured; the empty text for a group that took
    // part in no match. None when the index is out of range.
    std::optional<std::u16string> Item(long index) const;
    // Where that capture begins (0-based units), -1 for a group that took
    // part in no match. None when the index is out of range.
    std::optional<long> FirstIndex(long index) const;

  private:
    friend class Match;
    SubMatchCollection(std::shared_ptr<const detail::MatchTable> table, std::size_t match);
    std::shared_ptr<const detail::MatchTable> table_;
    std::size_t match_;
};

// One match. Stays valid after its collection and engine are released.
class Match {
  public:
    std::u16string Value() const;
    // 0-based index of the match's first unit in the subject.
    long FirstIndex() const;
    long Length() const;
    SubMatchCollection SubMatches() const;

  private:
    friend class MatchCollection;
    Match(std::shared_ptr<const detail::MatchTable> table, std::size_t match);
    std::shared_ptr<const detail::MatchTable> table_;
    std::size_t match_;
};

class MatchCollection {
  public:
    long Count() const;
    // Match index (0-based); none when out of range.
    std::optional<Match> Item(long index) const;

  private:
    friend class RegExp;
    explicit MatchCollection(std::shared_ptr<const detail::MatchTable> table);
    std::shared_ptr<const detail::MatchTable> table_;
};

class RegExp {
  public:
    ~RegExp();
    RegExp(const RegExp&) = delete;
    RegExp& operator=(const RegExp&) = delete;

    // All false and the pattern empty on a new object.
    bool IgnoreCase() const;
    void SetIgnoreCase(bool value);
    bool Multiline() const;
    void SetMultiline(bool value);
    bool Global() const;
    void SetGlobal(bool value);
    const std::u16string& Pattern() const;
    void SetPattern(std::u16string_view pattern);

    // Late-bound assignment of a boolean property by its name, the way a
    // script sets one: "IgnoreCase", "Multiline" or "Global" (case does not
    // matter). Any other name gives DISP_E_UNKNOWNNAME and changes nothing.
    win::HRESULT PutProperty(std::string_view name, bool value);

    // Every match of Pattern in subject (only the first unless Global). After
    // an empty match the next search starts one unit further. Calls from a
    // thread other than the creating one give RPC_E_WRONG_THREAD.
    win::HRESULT Execute(std::u16string_view subject, std::unique_ptr<MatchCollection>* matches);
    // subject with the matches (only the first unless Global) replaced by
    // replacement, in which $1 ... $99 stand for a group's capture, $& for
    // the match, $` for the text before it, $' for the text after it and $$
    // for "$". A $ that forms none of these stays as it is.
    win::HRESULT Replace(std::u16string_view subject, std::u16string_view replacement,
                         std::u16string* result);

  private:
    friend std::unique_ptr<RegExp> CreateRegExp();
    RegExp();
    struct Engine;
    std::unique_ptr<Engine> engine_;
};

// A new engine object owned by the calling thread; null when COM is not
// initialised on it.
std::unique_ptr<RegExp> CreateRegExp();

}  // namespace com
