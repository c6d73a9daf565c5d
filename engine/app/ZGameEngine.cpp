#include "engine/app/ZGameEngine.h"

#include <cstdio>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZInput.h"
#include "engine/audio/ZAudioDirectSound.h"
#include "engine/audio/ZAudioNullSound.h"
#include "engine/core/ZModule.h"
#include "engine/fs/ZFile.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/fs/ZZipArchive.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/d3d7/ZRenderD3D7.h"
#include "engine/render/opengl/ZRenderOpenGL.h"
#include "engine/ui/ZLayer2D.h"

ZGameEngine::ZGameEngine() = default;

int ZGameEngine::RegisterModules()
{
    // The order is fixed: lookups take the first factory of a name.
    AddModule(new ZModule<ZRenderD3D7, IRender>("ZRenderD3D7"));
    AddModule(new ZModule<ZAudioDirectSound, IAudio>("ZAudioDirectSound"));
    AddModule(new ZModule<ZInputWindows, ZInput>("ZInputWindows"));
    AddModule(new ZModule<ZRenderOpenGL, IRender>("ZRenderOpenGL"));
    AddModule(new ZModule<ZSceneXMLImport2>("ZSceneXMLImport2"));
    AddModule(new ZModule<ZAudioNullSound, IAudio>("ZAudioNullSound"));
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
        // A missing archive is a game run from its folders; one that is there but cannot be read
        // would otherwise show only as the first resource that fails to load.
        if (m_resourceArchive->Open() == 0)
            m_resourceArchive->Close();
        else if (const std::string path = m_resourceArchive->GetFilePath();
                 !path.empty() && FileExists(path.c_str()))
            std::fprintf(stderr, "Error: the resource archive \"%s\" (%s) is damaged and cannot be read\n",
                         name.c_str(), path.c_str());
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

int ZGameEngine::CreateLayers()
{
    float width = 0.0f, height = 0.0f;
    GetLogicalScreenSize(width, height);
    m_layers.reset(ZLayer2DManager::Create(width, height));
    if (!m_layers)
        return 1;
    // The game draws its pop-ups through a copy of the second layer's camera.
    m_layers->AddLayer(kSecondLayerName);
    return 0;
}
