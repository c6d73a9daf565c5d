#pragma once
// The usage-statistics record a game screen writes as it closes: the seconds it was shown and
// the frames drawn per second meanwhile.
class ZGameState;

// Writes nothing unless `engine.stats` is on. With sessionUpdate a "session-update" follows.
void WriteScreenRecord(const ZGameState* state, const char* record, const char* timeKey, bool sessionUpdate);
