#pragma once
// Quorvane's own engine: fixes the logical screen at 800 x 600 and owns the game object.
#include "engine/app/ZEngineMain.h"
#include "engine/app/ZGameEngine.h"

class ZQuorvaneEngine : public ZGameEngine
{
public:
    ZQuorvaneEngine();
    ~ZQuorvaneEngine() override;

    int CreateGame() override;
    int StartServices() override;
    int StopServices() override;
};

using ZQuorvaneEngineFactory = ZEngineFactoryTempl<ZQuorvaneEngine>;
