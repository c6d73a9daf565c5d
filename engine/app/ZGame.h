#pragma once
// The top-level game object as the engine drives it. The game-state stack builds on it.

class ZGame
{
public:
    virtual ~ZGame() = default;
    // Runs once before the scene start-up phases.
    virtual void OnEngineStart() {}
    virtual void Update(double dt) { (void)dt; }
    // True when the game handles focus itself; the engine then neither pauses nor resumes.
    virtual bool OnFocusLost() { return false; }
    virtual bool OnFocusGained() { return false; }
};
