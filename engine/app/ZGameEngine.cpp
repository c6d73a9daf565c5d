#include "engine/app/ZGameEngine.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
std::vector<std::pair<int, ZModuleRegistrar>>& Registrars()
{
    static std::vector<std::pair<int, ZModuleRegistrar>> registrars;
    return registrars;
}
} // namespace

void AddModuleRegistrar(ZModuleRegistrar registrar, int order) { Registrars().emplace_back(order, registrar); }

ZGameEngine::ZGameEngine() = default;
ZGameEngine::~ZGameEngine() = default;

int ZGameEngine::RegisterModules()
{
    // Factories register in a fixed order (renderer D3D7, audio, input, renderer OpenGL, scene
    // importer, silent audio) whatever the order the linker ran their registrars in.
    auto list = Registrars();
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : list)
        entry.second(*this);
    return 0;
}

int ZGameEngine::MountGamePaths() { return 0; }

int ZGameEngine::MountResources() { return ZEngine::MountResources(); }

std::string ZGameEngine::GetShaderDefsPath() const { return std::string("media:") + m_keyName + "/shaders.def"; }

int ZGameEngine::PostInit()
{
    ZEngine::PostInit();
    return CreateLayers();
}
