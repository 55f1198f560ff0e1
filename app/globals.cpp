#include "app/globals.h"

#include <cassert>
#include <memory>

#include "app/endpoints_config.h"
#include "app/settings_location.h"

namespace brevink {
namespace {

// The one program-wide instance; lives from InitGlobals to ReleaseGlobals.
std::unique_ptr<Globals>& Instance() {
    static std::unique_ptr<Globals> instance;
    return instance;
}

}  // namespace

Globals& InitGlobals(const std::string& settingsPath) {
    auto globals = std::make_unique<Globals>();
    globals->settingsPath = settingsPath;
    globals->exportPath = ExportPathBeside(settingsPath);
    globals->endpoints = ReadEndpoints(settingsPath);
    Instance() = std::move(globals);
    return *Instance();
}

void ReleaseGlobals() {
    Instance().reset();
}

Globals& TheGlobals() {
    assert(Instance() != nullptr && "InitGlobals has not run");
    return *Instance();
}

}  // namespace brevink
