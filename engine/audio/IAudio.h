#pragma once
// The one audio interface as the engine drives it.

class IAudio
{
public:
    virtual ~IAudio() = default;
    // 0 on success; on failure the engine deletes the object and falls back to silent audio.
    virtual int Init() = 0;
    // The per-frame step, after the game update and before drawing.
    virtual void Update() = 0;
    virtual void PauseAll(bool pause) = 0;
    virtual bool HasPendingWork() const = 0;
    // The request step with a zero time step, run when the frame-rate limit skips a frame.
    virtual void IdleStep() = 0;
};
