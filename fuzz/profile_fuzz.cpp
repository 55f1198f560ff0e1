// The settings-file store on any file: the input is the file. Reading never fails, and a
// write changes only its own line (or adds its lines) and keeps every other byte.
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/profile_file.h"
#include "web/text.h"

namespace {

using namespace brevink;

void Check(bool ok) {
    if (!ok) {
        abort();
    }
}

// The file lives in memory-backed storage (every write syncs it); the directory goes at
// exit. Its name is a plain array, which no static destructor takes away before that.
char tempDir[] = "/dev/shm/profile_fuzz.XXXXXX";

void RemoveTempDir() {
    std::filesystem::remove_all(tempDir);
}

const std::string& FilePath() {
    static const std::string path = [] {
        Check(mkdtemp(tempDir) != nullptr);
        std::atexit(RemoveTempDir);
        return std::string(tempDir) + "/settings.ini";
    }();
    return path;
}

std::string Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines with their breaks, so that joining them gives the file again.
std::vector<std::string> Lines(std::string_view content) {
    std::vector<std::string> lines;
    for (size_t begin = 0; begin < content.size();) {
        const size_t end = std::min(content.find('\n', begin), content.size() - 1) + 1;
        lines.emplace_back(content.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// Our line with any of the breaks a line may have (a replaced last line keeps its own).
bool IsOurLine(std::string_view line, std::string_view expected) {
    for (const char* ending : {"", "\n", "\r\n", "\r"}) {
        if (line == std::string(expected) + ending) {
            return true;
        }
    }
    return false;
}

// Outside the stretch where they differ, old and new lines are the same; inside it the new
// file holds only our key line, our section header, and the old last line given a break,
// and the old file lost at most the one line of the key.
void CheckOtherLinesKept(const std::string& before, const std::string& after) {
    const auto oldLines = Lines(before);
    const auto newLines = Lines(after);
    size_t head = 0;
    while (head < oldLines.size() && head < newLines.size() && oldLines[head] == newLines[head]) {
        ++head;
    }
    size_t tail = 0;
    while (tail + head < oldLines.size() && tail + head < newLines.size() &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail]) {
        ++tail;
    }
    Check(oldLines.size() - head - tail <= 1);
    const std::string dropped = oldLines.size() > head + tail ? oldLines[head] : "";
    for (size_t i = head; i + tail < newLines.size(); ++i) {
        Check(IsOurLine(newLines[i], "k=v") || IsOurLine(newLines[i], "[S]") ||
              (!dropped.empty() && dropped.back() != '\n' && IsOurLine(newLines[i], dropped)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FilePath();
    const std::string before(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << before;

    const char* const keys[] = {"k", "a", "Edit1001"};
    std::string others[2][3];
    for (int s = 0; s < 2; ++s) {
        for (int k = 0; k < 3; ++k) {
            others[s][k] = ReadProfileString(path, s == 0 ? "S" : "T", keys[k], "\x01");
            Check(others[s][k].size() <= kProfileValueMax);
            Check(others[s][k].find('\0') == std::string::npos);
        }
    }
    Check(WriteProfileString(path, "S", "k", "v"));
    const std::string after = Load(path);
    CheckOtherLinesKept(before, after);
    Check(ReadProfileString(path, "s", "K", "") == "v");
    for (int s = 0; s < 2; ++s) {
        for (int k = (s == 0 ? 1 : 0); k < 3; ++k) {
            Check(ReadProfileString(path, s == 0 ? "S" : "T", keys[k], "\x01") == others[s][k]);
        }
    }
    struct stat st {};
    Check(stat(path.c_str(), &st) == 0 && (st.st_mode & 0777) == 0600);
    return 0;
}
