#include "app/endpoints_config.h"

#include "app/profile_file.h"
#include "web/codepage.h"

namespace brevink {
namespace {

constexpr std::string_view kSection = "Endpoints";

void ReadKey(const std::string& path, std::string_view key, std::string& value) {
    std::string read = ReadProfileString(path, kSection, key, "");
    if (!read.empty()) {
        value = std::move(read);
    }
}

}  // namespace

Endpoints ReadEndpoints(const std::string& settingsPath) {
    Endpoints endpoints;
    ReadKey(settingsPath, "AccountHost", endpoints.accountHost);
    ReadKey(settingsPath, "PortalHost", endpoints.portalHost);
    ReadKey(settingsPath, "PlatformHost", endpoints.platformHost);
    ReadKey(settingsPath, "RankHost", endpoints.rankHost);
    ReadKey(settingsPath, "AdPage", endpoints.adPage);
    ReadKey(settingsPath, "HelpPage", endpoints.helpPage);
    std::string caFile;
    ReadKey(settingsPath, "CaFile", caFile);
    if (!caFile.empty()) {
        endpoints.caFile = GbkToUtf8(caFile);
    }
    return endpoints;
}

}  // namespace brevink
