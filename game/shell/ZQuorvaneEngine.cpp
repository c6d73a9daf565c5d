#include "game/shell/ZQuorvaneEngine.h"

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGame.h"

template <> const char* ZEngineFactoryTempl<ZQuorvaneEngine>::displayName = "Quorvane";
template <> const char* ZEngineFactoryTempl<ZQuorvaneEngine>::keyName = "quorvane";

ZQuorvaneEngine::ZQuorvaneEngine()
{
    m_logicalWidth = float(g_renderWidth.GetValue());
    m_logicalHeight = float(g_renderHeight.GetValue());
}

ZQuorvaneEngine::~ZQuorvaneEngine()
{
    delete m_game;
    m_game = nullptr;
}

int ZQuorvaneEngine::CreateGame()
{
    // The game is laid out for 800 x 600 whatever the configuration asked; the display scales it.
    g_renderWidth.SetValue(800);
    g_renderHeight.SetValue(600);
    return 0;
}

int ZQuorvaneEngine::StartServices() { return 0; }

int ZQuorvaneEngine::StopServices() { return ZGameEngine::StopServices(); }
