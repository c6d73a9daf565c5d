#pragma once
// The engine as a game uses it: registers the system's module factories, mounts the game's
// folders and resource archive, names the game's shader definitions and keeps the logical
// screen size that 2D layers are laid out in.
#include <memory>

#include "engine/app/ZEngineWintel.h"

class ZZipArchive;
class ZLayer2DManager;

class ZGameEngine : public ZEngineWintel
{
public:
    ZGameEngine();
    ~ZGameEngine() override;

    int RegisterModules() override;
    int MountGamePaths() override;
    int MountResources() override;
    std::string GetShaderDefsPath() const override;
    int EarlyInit() override { return 0; }
    int PostInit() override;
    bool CheckVersion() override { return true; }

    // The name of the 2D layer made after the first ("default", which the game renames "game").
    static constexpr const char* kSecondLayerName = "overlay";

    // The 2D layer manager for the logical screen size with two layers; the engine keeps it until
    // it goes.
    virtual int CreateLayers();
    virtual void GetLogicalScreenSize(float& width, float& height) const
    {
        width = m_logicalWidth;
        height = m_logicalHeight;
    }

protected:
    std::unique_ptr<ZZipArchive> m_resourceArchive;
    std::unique_ptr<ZLayer2DManager> m_layers;
    float m_logicalWidth = 800.0f;
    float m_logicalHeight = 600.0f;
};
