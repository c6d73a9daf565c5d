#pragma once
// Quorvane's own engine: fixes the logical screen at 800 x 600, owns the game object and starts
// and stops the game's services (the usage-statistics log and the game itself).
#include "engine/app/ZEngineMain.h"
#include "engine/app/ZGameEngine.h"

class ZQuorvane;

class ZQuorvaneEngine : public ZGameEngine
{
public:
    ZQuorvaneEngine();
    // Stops the resource loader, deletes the game object and the statistics log, then the engine.
    ~ZQuorvaneEngine() override;

    int CreateGame() override;
    int StartServices() override;
    int StopServices() override;

    ZQuorvane* GetQuorvane() const { return m_quorvane; }

private:
    ZQuorvane* m_quorvane = nullptr;
};

using ZQuorvaneEngineFactory = ZEngineFactoryTempl<ZQuorvaneEngine>;
