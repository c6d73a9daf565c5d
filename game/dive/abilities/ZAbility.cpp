// The ability base, its factories and their pools.
#include "game/dive/abilities/ZAbility.h"

#include <algorithm>
#include <cstdio>

#include "engine/audio/ZSound.h"
#include "engine/resource/ZStringTable.h"
#include "game/dive/abilities/IAbilityDive.h"

ZSound* ZAbility::GetSound()
{
    char name[64];
    std::snprintf(name, sizeof name, "ability_%s", GetName());
    return ZSound::Find(name);
}

void ZAbility::Update(float progress)
{
    const float left = 1.0f - progress;
    for (uint32_t flag : {kAirEffect, kTreasureEffect, kRotationEffect})
    {
        if (m_flags & flag)
            GetAbilityDive()->AddEffectValue(flag, left);
    }
}

bool ZAbility::Reset()
{
    m_running = false;
    m_spent = false;
    m_progress = 0.0f;
    m_remaining = 0.0f;
    m_duration = 0.0f;
    return false;
}

ZAbilityFactoryBase::~ZAbilityFactoryBase()
{
    // Only at program exit: instances are reused, never freed, while the program runs.
    for (ZAbility* ability : m_pool)
        delete ability;
}

void ZAbilityFactoryBase::Release(ZAbility* ability)
{
    if (!ability)
        return;
    // A second release of one instance would let two owners share it.
    if (std::find(m_pool.begin(), m_pool.end(), ability) != m_pool.end())
    {
        std::fprintf(stderr, "Ability \"%s\": an instance was released twice; kept once\n", m_name);
        return;
    }
    ability->SetArmed(false);
    m_pool.push_back(ability);
}

const char* ZAbilityFactoryBase::GetPopupText()
{
    if (!m_popupLooked)
    {
        m_popupLooked = true;
        m_popupText = ZStringTable::GetInstance()->FindFormat("%s.popuptext", m_name);
    }
    return m_popupText;
}

ZAbility* ZAbilityFactoryBase::TakeFromPool()
{
    if (m_pool.empty())
        return nullptr;
    ZAbility* ability = m_pool.back();
    ability->Reset();
    m_pool.pop_back();
    return ability;
}

void ZAbilityFactoryBase::Prepare(ZAbility* ability, uint32_t flags)
{
    ability->m_factory = this;
    ability->m_flags = flags;
}
