#pragma once
// The token movement controllers, short-lived interpolators of the board:
//   ZSwapTokensController      exchanges two neighbouring tokens, and swaps them back with the
//                              false-move sound when the move made no match
//   ZArtifactExitController    flies a copy of an artifact that left the board along a curve into
//                              its slot of the completion bar
//   ZTokenHighlightController  pulses a ring over a token the hint suggests
#include "engine/controllers/ZInterpolateBase.h"
#include "engine/core/ZVector.h"

class ZArtifact;
class ZGameSprite;
class ZGroup;
class ZSprite;
class ZSplineNode;
class ZTile;
class ZToken;

class ZSwapTokensController : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZSwapTokensController, &ZInterpolateBase::kTypeRecord)

public:
    // Starts the exchange of a's and b's tokens over `duration` seconds (scaled by how far apart
    // they are now); with matchCheck a swap that makes no match goes back.
    static ZSwapTokensController* Create(ZToken* a, ZToken* b, bool matchCheck, float duration);

    // Tokens still listening forget the controller; a token destroyed first has left the list.
    ~ZSwapTokensController() override;
    ZControllerBase* CreateInstance() override { return new ZSwapTokensController(); }
    void ApplyValue(float t) override;
    void Finish() override;
    void RunEndActions() override;

    // A token is going away (back to the pool): the controller forgets it; with both gone it stops.
    void ForgetToken(ZToken* token);

    ZToken* GetTokenA() const { return m_a; }
    ZToken* GetTokenB() const { return m_b; }
    bool IsSwappedBack() const { return m_swappedBack; }
    bool GetMatchCheck() const { return m_matchCheck; }

private:
    void SetUpPaths(bool back);
    void Land();

    ZToken* m_a = nullptr;
    ZToken* m_b = nullptr;
    ZTile* m_tileA = nullptr;
    ZTile* m_tileB = nullptr;
    V3 m_startA, m_endA, m_startB, m_endB;
    V3 m_tilePosA, m_tilePosB;
    bool m_matchCheck = true;
    bool m_swappedBack = false;
    bool m_landed = false;
};

class ZArtifactExitController : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZArtifactExitController, &ZInterpolateBase::kTypeRecord)

public:
    // A copy of the token flies from the token to the target node and delivers the record to
    // the completion bar when it arrives. Made inactive; the board starts it.
    static ZArtifactExitController* Create(ZToken* token, ZNode* target, ZArtifact* record);

    ZArtifactExitController();
    ~ZArtifactExitController() override;
    ZControllerBase* CreateInstance() override { return new ZArtifactExitController(); }
    void Start() override;
    void ApplyValue(float t) override;
    void Finish() override;

    ZGroup* GetMovingGroup() const { return m_group; }
    ZGameSprite* GetSprite() const { return m_sprite; }
    ZArtifact* GetRecord() const { return m_record; }

private:
    ZGroup* m_group = nullptr;
    ZGameSprite* m_sprite = nullptr;
    ZArtifact* m_record = nullptr;
    ZSplineNode* m_path = nullptr;
    V4 m_from;
    V4 m_to;
    char m_shorthand = 0;
    bool m_delivered = false;
};

class ZTokenHighlightController : public ZInterpolateBase
{
    QV_TYPE_RECORD(ZTokenHighlightController, &ZInterpolateBase::kTypeRecord)

public:
    // Pulses `sprite` over the token for `duration` seconds; the sprite shows at once.
    static ZTokenHighlightController* Create(ZToken* token, float duration, ZSprite* sprite);

    ZControllerBase* CreateInstance() override { return new ZTokenHighlightController(); }
    ~ZTokenHighlightController() override;
    void ApplyValue(float t) override;

    // The ring's size at t: small at both ends, full in the middle.
    static float PulseSize(float t);

    ZSprite* GetSprite() const { return m_sprite; }

    V4 colour = {1.0f, 0.0f, 0.0f, 0.0f};
    V4 colour2 = {1.0f, 0.0f, 0.0f, 0.0f};
    float sizeFactor = 1.0f;

private:
    ZSprite* m_sprite = nullptr;
    float m_angle = 0.0f;
};
