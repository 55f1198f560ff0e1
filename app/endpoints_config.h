#pragma once
// The [Endpoints] section of the settings file: where the outside services are. Read once at
// start-up; the window saves never write it.
#include <string>

#include "platform/endpoints.h"

namespace brevink {

// The page bundled with the program: a short guide to using Brevink. Shown in the main
// window's HTML view when AdPage is not set; also a fitting default for HelpPage.
inline constexpr const char* kBundledGuidePage = "qrc:/brevink/guide.html";

// Every key of [Endpoints] that is missing or empty keeps its default. Hosts and pages are GBK
// texts like every other text of the file; CaFile is converted to a file system path (UTF-8)
// because libcurl opens it by name.
Endpoints ReadEndpoints(const std::string& settingsPath);

}  // namespace brevink
