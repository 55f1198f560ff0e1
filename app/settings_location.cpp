#include "app/settings_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace brevink {
namespace {

constexpr std::string_view kSettingsName = "配置.ini";
constexpr std::string_view kExportName = "123.txt";
constexpr std::string_view kOption = "--settings";

std::string Join(const std::string& dir, std::string_view name) {
    if (dir.empty()) {
        return std::string(name);
    }
    std::string path = dir;
    if (path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryWritable(const std::string& dir) {
    return !dir.empty() && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// Creates every missing directory of `dir` (like mkdir -p); the last one gets `mode`.
void MakeDirectories(const std::string& dir, mode_t mode) {
    for (size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1)) {
        ::mkdir(dir.substr(0, slash).c_str(), 0755);
    }
    ::mkdir(dir.c_str(), mode);
}

std::string UserConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return Join(xdg, "brevink");
    }
    const char* home = std::getenv("HOME");
    return Join(Join(home != nullptr ? home : "", ".config"), "brevink");
}

}  // namespace

std::string DefaultSettingsPath(const std::string& programDir) {
    const std::string beside = Join(programDir, kSettingsName);
    if (FileExists(beside) || DirectoryWritable(programDir)) {
        return beside;
    }
    const std::string dir = UserConfigDirectory();
    MakeDirectories(dir, 0700);
    return Join(dir, kSettingsName);
}

std::string SettingsOption(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == kOption && i + 1 < args.size()) {
            return args[i + 1];
        }
        if (arg.size() > kOption.size() + 1 && arg.substr(0, kOption.size()) == kOption &&
            arg[kOption.size()] == '=') {
            return std::string(arg.substr(kOption.size() + 1));
        }
    }
    return {};
}

std::string ExportPathBeside(const std::string& settingsPath) {
    const size_t slash = settingsPath.rfind('/');
    if (slash == std::string::npos) {
        return std::string(kExportName);
    }
    return Join(settingsPath.substr(0, slash + 1), kExportName);
}

}  // namespace brevink
