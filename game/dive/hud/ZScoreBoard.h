#pragma once
// The player's score on the dive's HUD: a five-digit number ("%05i") that follows the profile's
// score at once. One at a time; the board reaches it to place its floating score texts and keeps
// its "scorechargeup" sound for its score effects.
#include <cstdint>

#include "engine/core/ZProperty.h"

class ZFontText;
class ZNode;
class ZSound;

class ZScoreBoard : public IPropertyListener
{
public:
    // Makes the score board on the widget root (its text node is the child "score"); the one made
    // before is replaced. A null root gives a board without text.
    static ZScoreBoard* Create(ZNode* root);
    static ZScoreBoard* PeekInstance() { return s_instance; }
    static void DestroyInstance();

    ~ZScoreBoard() override;

    // The shown number, written with "%05i".
    void SetScore(int32_t score);
    int32_t GetScore() const { return m_score; }
    ZFontText* GetText() const { return m_text; }
    ZNode* GetRoot() const { return m_root; }
    ZSound* GetChargeUpSound() const { return m_chargeUp; }

    // `profile.score` changed: the display follows.
    void OnPropertyChanged(ZProperty* property) override;

private:
    ZScoreBoard() = default;

    static inline ZScoreBoard* s_instance = nullptr;
    ZNode* m_root = nullptr;
    ZFontText* m_text = nullptr;
    int32_t m_score = 0;
    ZSound* m_chargeUp = nullptr;
    ZPropertyInt* m_setting = nullptr;
};
