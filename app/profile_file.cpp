#include "app/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "web/text.h"

namespace brevink {

namespace {

constexpr size_t kNone = std::string_view::npos;

// One line of the file: its bytes without the line break, and the break itself ("\r\n",
// "\n", or for the last line "\r" or nothing). Both point into the file's content.
struct Line {
    std::string_view body;
    std::string_view ending;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < content.size()) {
        const size_t newline = content.find('\n', begin);
        const size_t next = newline == kNone ? content.size() : newline + 1;
        size_t end = newline == kNone ? content.size() : newline;
        // A CR at the very end is the start of a break too: once a line is added after it,
        // it becomes a CR LF, and the line must read the same before and after.
        if (end > begin && content[end - 1] == '\r') {
            --end;
        }
        lines.push_back({content.substr(begin, end - begin), content.substr(end, next - end)});
        begin = next;
    }
    return lines;
}

// The break that new lines get: the one the file already uses, CR LF for a new file.
std::string_view LineEndingOf(std::string_view content) {
    const size_t newline = content.find('\n');
    if (newline == kNone) {
        return "\r\n";
    }
    return newline > 0 && content[newline - 1] == '\r' ? "\r\n" : "\n";
}

// What the line needs before another line can follow it: a last line without a break gets
// the file's break, a lone CR is completed to CR LF.
std::string_view BreakToComplete(const Line& line, std::string_view eol) {
    if (line.ending.empty()) {
        return eol;
    }
    return line.ending == "\r" ? "\n" : "";
}

std::string_view TrimBlanksAndTabs(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == kNone) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

// The section name when the line is a section header ("[name]"; a header that lacks its
// "]" still starts a new section, so that its lines are never taken for the one before).
std::optional<std::string_view> SectionNameOf(std::string_view line) {
    line = TrimBlanksAndTabs(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const size_t close = FindText(line, "]", 1, false);  // 0x5D is also a GBK trail byte
    return TrimBlanksAndTabs(close == 0 ? line : line.substr(0, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> KeyLineOf(std::string_view line) {
    const std::string_view trimmed = TrimBlanksAndTabs(line);
    const size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[' || equals == kNone) {
        return std::nullopt;
    }
    return KeyLine{TrimBlanksAndTabs(trimmed.substr(0, equals)),
                   TrimBlanksAndTabs(trimmed.substr(equals + 1))};
}

// Where a key is in the file: the line of its section header, the line of the key itself,
// and the last non-blank line of the section (after which a new key goes).
struct KeyPlace {
    size_t section = kNone;
    size_t key = kNone;
    size_t lastOfSection = kNone;
};

KeyPlace FindKey(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    KeyPlace place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionNameOf(lines[i].body);
        if (name) {
            if (place.section != kNone) {
                break;  // the first section of that name is the one
            }
            if (SameName(*name, section)) {
                place.section = place.lastOfSection = i;
            }
            continue;
        }
        if (place.section == kNone) {
            continue;
        }
        if (!TrimBlanksAndTabs(lines[i].body).empty()) {
            place.lastOfSection = i;
        }
        const auto entry = KeyLineOf(lines[i].body);
        if (entry && SameName(entry->key, key)) {
            place.key = i;
            break;
        }
    }
    return place;
}

// A name that can be written and found again as it is.
bool UsableName(std::string_view name, std::string_view forbidden) {
    return !name.empty() && name.find_first_of(forbidden) == kNone &&
           TrimBlanksAndTabs(name).size() == name.size();
}

bool UsableKey(std::string_view key) {
    return UsableName(key, std::string_view("=\r\n\0", 4)) && key.front() != '[' &&
           key.front() != ';';
}

bool UsableSection(std::string_view section) {
    return UsableName(section, std::string_view("\r\n\0", 3)) && !ContainsText(section, "]", false);
}

// Cut to the longest prefix of at most `max` bytes that does not split a GBK character.
std::string CutToCharacters(std::string_view text, size_t max) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t len = GbkCharLength(text, end);
        if (end + len > max) {
            break;
        }
        end += len;
    }
    return std::string(text.substr(0, end));
}

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const std::string& path, std::string& content) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno != EINTR) {
            close(fd);
            return ReadResult::kFailed;
        }
        content.append(buffer, got < 0 ? 0 : static_cast<size_t>(got));
    }
    close(fd);
    return ReadResult::kRead;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t put = write(fd, data.data(), data.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

void SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == kNone ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// The whole file anew beside the old one, then renamed over it: a crash or a full disk
// leaves either the old file or the new one, never half of one. Only the user may read it
// (it holds the password).
bool ReplaceFile(const std::string& path, std::string_view content) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = fchmod(fd, S_IRUSR | S_IWUSR) == 0 && WriteAll(fd, content) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    SyncDirectoryOf(path);
    return true;
}

std::string WithKey(std::string_view content, std::string_view section, std::string_view key,
                    std::string_view value) {
    const std::vector<Line> lines = SplitLines(content);
    const std::string_view eol = LineEndingOf(content);
    const KeyPlace place = FindKey(lines, section, key);
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::string out;
    out.reserve(content.size() + entry.size() + section.size() + 8);
    for (size_t i = 0; i < lines.size(); ++i) {
        out += i == place.key ? std::string_view(entry) : lines[i].body;
        out += lines[i].ending;
        if (place.key == kNone && i == place.lastOfSection) {
            out += BreakToComplete(lines[i], eol);
            out += entry;
            out += eol;
        }
    }
    if (place.section == kNone) {
        if (!lines.empty()) {
            out += BreakToComplete(lines.back(), eol);
        }
        out += "[" + std::string(section) + "]";
        out += eol;
        out += entry;
        out += eol;
    }
    return out;
}

}  // namespace

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue) {
    std::string result(defaultValue);
    std::string content;
    if (UsableSection(section) && UsableKey(key) &&
        ReadWholeFile(path, content) == ReadResult::kRead) {
        const std::vector<Line> lines = SplitLines(content);
        const KeyPlace place = FindKey(lines, section, key);
        if (place.key != kNone) {
            result = KeyLineOf(lines[place.key].body)->value;
        }
    }
    return CutToCharacters(BytesToText(result), kProfileValueMax);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!UsableSection(section) || !UsableKey(key)) {
        return false;
    }
    std::string content;
    if (ReadWholeFile(path, content) == ReadResult::kFailed) {
        return false;  // rewriting a file we could not read would lose its other lines
    }
    // A value is one line of text: a line break in it would add keys of its own.
    const std::string text = BytesToText(value);
    const std::string line = text.substr(0, text.find_first_of("\r\n"));
    return ReplaceFile(path, WithKey(content, section, key, line));
}

}  // namespace brevink
