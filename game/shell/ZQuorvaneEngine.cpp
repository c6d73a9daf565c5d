// Quorvane's engine subclass and its factory's names.
#include "game/shell/ZQuorvaneEngine.h"

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZStatsLog.h"
#include "engine/resource/ZResourceManager.h"
#include "game/shell/ZQuorvane.h"

template <> const char* ZEngineFactoryTempl<ZQuorvaneEngine>::displayName = "Quorvane";
template <> const char* ZEngineFactoryTempl<ZQuorvaneEngine>::keyName = "quorvane";

ZQuorvaneEngine::ZQuorvaneEngine()
{
    m_logicalWidth = float(g_renderWidth.GetValue());
    m_logicalHeight = float(g_renderHeight.GetValue());
}

ZQuorvaneEngine::~ZQuorvaneEngine()
{
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->StopLoader();
    delete m_quorvane;
    m_quorvane = nullptr;
    m_game = nullptr;
    ZStatsLog::DestroyInstance();
}

int ZQuorvaneEngine::CreateGame()
{
    // The game is laid out for 800 x 600 whatever the configuration asked; the display scales it.
    g_renderWidth.SetValue(800);
    g_renderHeight.SetValue(600);
    if (!m_quorvane)
        m_quorvane = new ZQuorvane();
    m_game = m_quorvane;
    return 0;
}

int ZQuorvaneEngine::StartServices()
{
    ZStatsLog* log = ZStatsLog::PeekInstance();
    if (!log)
        log = new ZStatsLog();
    log->WriteSessionStart();
    if (m_quorvane)
        m_quorvane->Start();
    return 0;
}

int ZQuorvaneEngine::StopServices()
{
    if (ZResourceManager* resources = ZResourceManager::PeekInstance())
        resources->StopLoader();
    if (ZStatsLog* log = ZStatsLog::PeekInstance())
    {
        log->WriteSessionEnd();
        ZStatsLog::DestroyInstance();
    }
    return 0;
}
