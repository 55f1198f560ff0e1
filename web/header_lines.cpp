#include "web/header_lines.h"

#include "web/text.h"

namespace brevink::engine {

std::string HeaderName(std::string_view line) {
    return TrimBlanks(line.substr(0, line.find(':')));
}

bool IsHeaderNamed(std::string_view line, std::string_view name) {
    return line.find(':') != std::string_view::npos &&
           AsciiLower(HeaderName(line)) == AsciiLower(name);
}

std::vector<std::string> HeaderTextLines(std::string_view text) {
    std::vector<std::string> lines;
    for (std::string& line : SplitText(text, "\r\n")) {
        if (!line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

}  // namespace brevink::engine
