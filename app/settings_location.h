#pragma once
// Where the settings file "配置.ini" and the export file "123.txt" live. Paths here are file
// system paths (UTF-8 bytes), not GBK texts.
#include <string>
#include <vector>

namespace brevink {

// The program's directory when it already holds "配置.ini" or is writable (a portable
// install); otherwise $XDG_CONFIG_HOME/brevink, or ~/.config/brevink when XDG_CONFIG_HOME is
// unset or relative (the directory is created, mode 0700). Settings are never silently lost
// because the program sits in a read-only place such as /usr/bin.
std::string DefaultSettingsPath(const std::string& programDir);

// "--settings FILE" or "--settings=FILE" among the arguments (argv[0] excluded); empty when
// neither is given.
std::string SettingsOption(const std::vector<std::string>& args);

// "123.txt" in the directory of the settings file.
std::string ExportPathBeside(const std::string& settingsPath);

}  // namespace brevink
