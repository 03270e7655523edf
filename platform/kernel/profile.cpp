#include "platform/kernel/profile.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/kernel/files.h"

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kLineEnd = "\r\n";

bool IsLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// The position of an ASCII byte that is not the second byte of a two-byte
// character ("]" can be one).
size_t FindChar(std::string_view s, char wanted) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == wanted) {
            return i;
        }
        if (IsLeadByte(s[i])) {
            ++i;
        }
    }
    return std::string_view::npos;
}

// ASCII letters match in either case; both bytes of a two-byte character
// must be equal.
bool NamesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

struct Line {
    enum Kind { kOther, kSection, kKey };
    size_t begin = 0;  // first byte of the line
    size_t end = 0;    // end of its content, before CR LF or LF
    size_t next = 0;   // first byte of the following line
    Kind kind = kOther;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // trimmed, quotes still on
    size_t nameBegin = 0;    // where the name starts in the text
};

Line ParseLine(std::string_view text, size_t begin) {
    Line line;
    line.begin = begin;
    const size_t newline = text.find('\n', begin);
    line.next = newline == std::string_view::npos ? text.size() : newline + 1;
    line.end = newline == std::string_view::npos ? text.size() : newline;
    if (line.end > begin && text[line.end - 1] == '\r') {
        --line.end;
    }
    const std::string_view content = text.substr(begin, line.end - begin);
    const size_t start = content.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) {
        return line;
    }
    if (content[start] == '[') {
        const std::string_view inside = content.substr(start + 1);
        const size_t close = FindChar(inside, ']');
        if (close != std::string_view::npos) {
            line.kind = Line::kSection;
            line.name = Trim(inside.substr(0, close));
        }
        return line;
    }
    const size_t equals = content.find('=', start);
    if (equals == std::string_view::npos) {
        return line;
    }
    line.name = Trim(content.substr(start, equals - start));
    if (!line.name.empty()) {
        line.kind = Line::kKey;
        line.value = Trim(content.substr(equals + 1));
        line.nameBegin = begin + start;
    }
    return line;
}

// A profile file's text split into lines; the views point into `text`.
class Profile {
  public:
    explicit Profile(std::string text) : text_(std::move(text)) {
        // The lines' views point into text_, so a Profile never moves.
        for (size_t at = 0; at < text_.size();) {
            lines_.push_back(ParseLine(text_, at));
            at = lines_.back().next;
        }
    }

    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    const std::string& text() const { return text_; }
    const std::vector<Line>& lines() const { return lines_; }

    // The index of the first matching section header, or none.
    std::optional<size_t> FindSection(std::string_view section) const {
        for (size_t i = 0; i < lines_.size(); ++i) {
            if (lines_[i].kind == Line::kSection && NamesMatch(lines_[i].name, section)) {
                return i;
            }
        }
        return std::nullopt;
    }

    // The index after the last line of the section that starts at `header`.
    size_t SectionEnd(size_t header) const {
        size_t i = header + 1;
        while (i < lines_.size() && lines_[i].kind != Line::kSection) {
            ++i;
        }
        return i;
    }

    std::optional<size_t> FindKey(size_t header, std::string_view key) const {
        for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i) {
            if (lines_[i].kind == Line::kKey && NamesMatch(lines_[i].name, key)) {
                return i;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string_view> FindValue(std::string_view section,
                                              std::string_view key) const {
        const auto header = FindSection(section);
        const auto line = header ? FindKey(*header, key) : std::nullopt;
        if (!line) {
            return std::nullopt;
        }
        return Unquote(lines_[*line].value);
    }

  private:
    std::string text_;
    std::vector<Line> lines_;
};

Profile ReadProfile(std::string_view path) {
    std::string text;
    files::ReadWholeFile(path, &text);
    return Profile(std::move(text));
}

std::string_view UpToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// ---- Writing ------------------------------------------------------------------

bool IsBlankLine(std::string_view text, const Line& line) {
    return Trim(text.substr(line.begin, line.end - line.begin)).empty();
}

// Where a new key of the section goes: after its last line that is not
// blank, so blank lines before the next section stay where they are.
size_t NewKeyPosition(const Profile& profile, size_t header, std::string* text) {
    const auto& lines = profile.lines();
    size_t last = header;
    for (size_t i = header + 1, end = profile.SectionEnd(header); i < end; ++i) {
        if (!IsBlankLine(profile.text(), lines[i])) {
            last = i;
        }
    }
    const Line& line = lines[last];
    if (profile.text()[line.next - 1] != '\n') {  // the file's last line, not ended
        text->insert(line.next, kLineEnd);
        return line.next + kLineEnd.size();
    }
    return line.next;
}

std::string WithValue(const Profile& profile, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::string text = profile.text();
    const auto header = profile.FindSection(section);
    if (!header) {
        if (!text.empty() && text.back() != '\n') {
            text += kLineEnd;
        }
        return text.append("[")
            .append(section)
            .append("]")
            .append(kLineEnd)
            .append(key)
            .append("=")
            .append(value)
            .append(kLineEnd);
    }
    if (const auto found = profile.FindKey(*header, key)) {
        // The line keeps its indentation and the spelling of its key.
        const Line& line = profile.lines()[*found];
        std::string rewritten(line.name);
        rewritten.append("=").append(value).append(kLineEnd);
        return text.replace(line.nameBegin, line.next - line.nameBegin, rewritten);
    }
    std::string added(key);
    added.append("=").append(value).append(kLineEnd);
    return text.insert(NewKeyPosition(profile, *header, &text), added);
}

std::string WithoutKey(const Profile& profile, size_t header, std::string_view key) {
    std::string text = profile.text();
    if (const auto found = profile.FindKey(header, key)) {
        const Line& line = profile.lines()[*found];
        text.erase(line.begin, line.next - line.begin);
    }
    return text;
}

std::string WithoutSection(const Profile& profile, size_t header) {
    const auto& lines = profile.lines();
    const size_t end = profile.SectionEnd(header);
    const size_t from = lines[header].begin;
    const size_t to = end < lines.size() ? lines[end].begin : profile.text().size();
    return std::string(profile.text()).erase(from, to - from);
}

// A name can be written only when the line written for it reads back as
// that name (no line breaks, no "]" in a section name, no "=" in a key, no
// two-byte character cut at the end).
bool ReadsBack(const std::string& line, Line::Kind kind, std::string_view name) {
    if (line.find_first_of(kLineEnd) != std::string::npos) {
        return false;
    }
    const Line parsed = ParseLine(line, 0);
    return parsed.kind == kind && parsed.name == name;
}

bool ValidNames(std::string_view section, const char* key) {
    if (!ReadsBack("[" + std::string(section) + "]", Line::kSection, section)) {
        return false;
    }
    return key == nullptr || ReadsBack(std::string(Trim(key)) + "=", Line::kKey, Trim(key));
}

std::mutex& WriteLock() {
    static std::mutex lock;
    return lock;
}

// One read-change-write of the file; `key` null deletes the section,
// `value` null the key.
bool ChangeProfile(std::string_view path, std::string_view untrimmedSection, const char* key,
                   const char* value) {
    const std::string_view section = Trim(untrimmedSection);
    if (!ValidNames(section, key)) {
        return false;
    }
    const std::lock_guard<std::mutex> guard(WriteLock());
    std::string text;
    if (!files::ReadWholeFile(path, &text) && files::Exists(path)) {
        return false;  // never replace a file that could not be read
    }
    const Profile profile(std::move(text));
    const auto header = profile.FindSection(section);
    std::string changed;
    if (key == nullptr || value == nullptr) {
        if (!header) {
            return true;  // nothing to delete
        }
        changed = key == nullptr ? WithoutSection(profile, *header)
                                 : WithoutKey(profile, *header, Trim(key));
    } else {
        const std::string_view v = value;
        changed = WithValue(profile, section, Trim(key), v.substr(0, v.find_first_of(kLineEnd)));
    }
    return changed == profile.text() && files::Exists(path) ? true
                                                            : files::WriteWholeFile(path, changed);
}

// ---- Copying into the caller's buffer ----------------------------------------

// Cuts to at most `room` bytes without splitting a two-byte character.
std::string_view CutToRoom(std::string_view s, size_t room) {
    if (s.size() <= room) {
        return s;
    }
    size_t i = 0;
    while (i < room) {
        const size_t step = IsLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
        if (i + step > room) {
            break;
        }
        i += step;
    }
    return s.substr(0, i);
}

win::DWORD CopyValue(std::string_view value, char* buffer, win::DWORD size) {
    const std::string_view copied = CutToRoom(UpToNul(value), size - 1);
    std::memcpy(buffer, copied.data(), copied.size());
    buffer[copied.size()] = '\0';
    return static_cast<win::DWORD>(copied.size());
}

// Names, each NUL-terminated, and one more NUL. A list cut short still ends
// in two NULs and reports size - 2.
win::DWORD CopyNames(const std::vector<std::string_view>& names, char* buffer, win::DWORD size) {
    std::string list;
    for (std::string_view name : names) {
        list.append(UpToNul(name)).push_back('\0');
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<win::DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::vector<std::string_view> SectionNames(const Profile& profile) {
    std::vector<std::string_view> names;
    for (const Line& line : profile.lines()) {
        if (line.kind == Line::kSection) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::vector<std::string_view> KeyNames(const Profile& profile, std::string_view section) {
    std::vector<std::string_view> names;
    if (const auto header = profile.FindSection(section)) {
        const auto& lines = profile.lines();
        for (size_t i = *header + 1, end = profile.SectionEnd(*header); i < end; ++i) {
            if (lines[i].kind == Line::kKey) {
                names.push_back(lines[i].name);
            }
        }
    }
    return names;
}

}  // namespace

namespace win {

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const Profile profile = ReadProfile(path != nullptr ? path : "");
    if (section == nullptr) {
        return CopyNames(SectionNames(profile), buffer, size);
    }
    if (key == nullptr) {
        return CopyNames(KeyNames(profile, Trim(section)), buffer, size);
    }
    if (const auto value = profile.FindValue(Trim(section), Trim(key))) {
        return CopyValue(*value, buffer, size);
    }
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    fallback = fallback.substr(0, fallback.find_last_not_of(' ') + 1);
    return CopyValue(fallback, buffer, size);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
    if (section == nullptr || path == nullptr) {
        // With nothing named, there is no cache to flush: every write goes to
        // the file at once.
        return section == nullptr && key == nullptr && value == nullptr ? TRUE : FALSE;
    }
    return ChangeProfile(path, section, key, value) ? TRUE : FALSE;
}

}  // namespace win

namespace profile {

std::string ReadString(std::string_view path, std::string_view section, std::string_view key) {
    const Profile profile = ReadProfile(path);
    const auto value = profile.FindValue(Trim(section), Trim(key));
    return value ? std::string(UpToNul(*value)) : std::string();
}

bool WriteString(std::string_view path, std::string_view section, std::string_view key,
                 std::string_view value) {
    const std::string k(key);
    const std::string v(value);
    return ChangeProfile(path, section, k.c_str(), v.c_str());
}

}  // namespace profile
