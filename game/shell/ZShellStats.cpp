// The closing statistics record of the game's screens.
#include "game/shell/ZShellStats.h"

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGameState.h"
#include "engine/app/ZStatsLog.h"
#include "engine/render/resources/IRender.h"

void WriteScreenRecord(const ZGameState* state, const char* record, const char* timeKey, bool sessionUpdate)
{
    if (!state || !g_engineStats.GetValue())
        return;
    ZStatsLog* log = ZStatsLog::PeekInstance();
    if (!log || !log->BeginRecord(record))
        return;
    const double seconds = (g_frameTimer ? g_frameTimer->now : 0.0) - state->GetTimeEntered();
    const uint32_t frames =
        g_engine && g_engine->GetRender() ? g_engine->GetRender()->GetFrameCount() - state->GetFrameEntered() : 0;
    log->SetFloat(timeKey, float(seconds));
    log->SetFloat("fps", seconds > 0.0 ? float(double(frames) / seconds) : 0.0f);
    log->Flush();
    if (sessionUpdate)
        log->WriteSessionUpdate();
}
