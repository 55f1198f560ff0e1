#pragma once
// The settings file: an INI file in GBK, read and written one key at a time.
// Section and key names compare ignoring ASCII case; blanks around a value are dropped;
// a missing file, section or key gives the default; a write replaces only its own line
// (creating the file and the section when needed) and keeps every other line as it was.
// The file is written to a temporary file beside it and renamed over it, mode 0600.
#include <string>
#include <string_view>

namespace brevink {

inline constexpr size_t kProfileValueMax = 10239;  // longer values are cut when read

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// Returns false when the file could not be written (the old file then stays as it was).
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace brevink
