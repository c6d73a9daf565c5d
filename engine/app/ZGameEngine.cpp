#include "engine/app/ZGameEngine.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZZipArchive.h"

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

ZGameEngine::~ZGameEngine() = default;

int ZGameEngine::MountGamePaths()
{
    ZMountTable* table = ZFileSystem::GetCurrentMountTable();
    table->AddMount("game", (std::string("media:") + m_keyName).c_str());
    table->AddMount("shaders", "game:shaders");
    table->AddMount("audio", "game:audio");
    return 0;
}

int ZGameEngine::MountResources()
{
    ZMountTable* table = ZFileSystem::GetCurrentMountTable();
    const std::string folder = std::string("media:") + m_keyName;
    if (g_gameResourceFileLast.GetValue())
        table->AddMount("resources", folder.c_str(), "", true);
    if (!g_gameDisableResourceFile.GetValue())
    {
        std::string name = "game:resources";
        if (g_language.GetValue() != "en")
            name += "_" + g_language.GetValue();
        name += ".brn";
        m_resourceArchive = std::make_unique<ZZipArchive>(name.c_str());
        if (ZFileSystem* fileSystem = ZFileSystem::GetInstance())
            fileSystem->MountResourceArchive(m_resourceArchive.get());
    }
    if (!g_gameResourceFileLast.GetValue())
        table->AddMount("resources", folder.c_str(), "", true);
    table->AddMount("localized", ("resources:localized/" + g_language.GetValue()).c_str(), "", true);
    return ZEngine::MountResources();
}

std::string ZGameEngine::GetShaderDefsPath() const { return std::string("media:") + m_keyName + "/shaders.def"; }

int ZGameEngine::PostInit()
{
    ZEngine::PostInit();
    return CreateLayers();
}
