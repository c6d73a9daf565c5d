#pragma once
// Mouse and keyboard input as the engine drives it each frame.

class ZInput
{
public:
    virtual ~ZInput() = default;
    virtual int Init() { return 0; }
    // Records or replays, then hands the queued events to the listeners.
    virtual void Update() {}
    virtual void EndFrame() {}
    virtual void Reset() {}
    void SetMouseSpeed(float speed) { m_mouseSpeed = speed; }
    float GetMouseSpeed() const { return m_mouseSpeed; }

protected:
    float m_mouseSpeed = 0.03f;
};
