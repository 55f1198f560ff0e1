#pragma once
// Request header lines as the engines build them: one "Name: value" text per line.
#include <string>
#include <string_view>
#include <vector>

namespace brevink::engine {

// The name of a header line: the text before its first ":", blanks trimmed.
std::string HeaderName(std::string_view line);

// True when `name` (ASCII case ignored) names the header line.
bool IsHeaderNamed(std::string_view line, std::string_view name);

// The non-empty lines of a header text, split at every "\r\n".
std::vector<std::string> HeaderTextLines(std::string_view text);

}  // namespace brevink::engine
