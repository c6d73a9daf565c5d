// The score board of the dive's HUD.
#include "game/dive/hud/ZScoreBoard.h"

#include <cstdio>

#include "engine/audio/ZSound.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZNode.h"

ZScoreBoard* ZScoreBoard::Create(ZNode* root)
{
    DestroyInstance();
    auto* board = new ZScoreBoard();
    s_instance = board;
    board->m_root = root;
    board->m_text = root ? ZEntityCast<ZFontText>(root->FindNode("score")) : nullptr;
    if (ZPropertyManager* settings = ZPropertyManager::PeekInstance())
        board->m_setting = settings->FindTyped<int32_t>("profile.score");
    board->SetScore(board->m_setting ? board->m_setting->GetValue() : 0);
    if (board->m_setting)
        board->m_setting->AddListener(board);
    board->m_chargeUp = ZSound::Find("scorechargeup");
    return board;
}

void ZScoreBoard::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

ZScoreBoard::~ZScoreBoard()
{
    if (m_setting)
        m_setting->RemoveListener(this);
    if (s_instance == this)
        s_instance = nullptr;
}

void ZScoreBoard::SetScore(int32_t score)
{
    m_score = score;
    if (!m_text)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%05i", int(score));
    m_text->SetText(text);
}

void ZScoreBoard::OnPropertyChanged(ZProperty* property)
{
    if (property && property == m_setting)
        SetScore(m_setting->GetValue());
}
