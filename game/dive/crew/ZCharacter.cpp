// A crew member: experience and levels, charges, the crew-file attributes and the member pool.
#include "game/dive/crew/ZCharacter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>

#include "engine/core/ZNameId.h"
#include "engine/core/ZSerializer.h"
#include "engine/resource/ZStringTable.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZNode.h"
#include "game/dive/abilities/ZAbilityManager.h"
#include "game/dive/crew/ZCharacterButton.h"

namespace
{
// The pool: members by name id, kept until the program ends.
struct SPool
{
    std::deque<std::unique_ptr<ZCharacter>> members;
    bool warned = false;
};
SPool& Pool()
{
    static SPool pool;
    return pool;
}

// A whole number in [minimum, maximum]; false for text that is no number (nothing stored).
bool ParseInt(const char* text, int64_t minimum, int64_t maximum, int32_t& out, bool& clamped)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == text || (end && *end))
        return false;
    if (errno == ERANGE)
        v = v < 0 ? minimum : maximum;
    clamped = v < minimum || v > maximum;
    out = int32_t(std::clamp<long long>(v, minimum, maximum));
    return true;
}

// A finite number; false for anything else.
bool ParseFloat(const char* text, float& out)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == text || (end && *end) || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

// "<base><digit>" for digits 0..5: the digit, else -1.
int SlotSuffix(const char* name, const char* base)
{
    const size_t n = std::char_traits<char>::length(base);
    if (std::strncmp(name, base, n) != 0 || name[n] < '0' || name[n] > '5' || name[n + 1] != 0)
        return -1;
    return name[n] - '0';
}

void Complain(const char* member, const char* attribute, const char* value, const char* what)
{
    std::fprintf(stderr, "Crew: %s of \"%s\" is \"%s\": %s\n", attribute, member, value ? value : "", what);
}
} // namespace

ZCharacter::ZCharacter() = default;
ZCharacter::~ZCharacter() = default;

ZCharacter* ZCharacter::Find(const char* name)
{
    if (!name || !*name)
        return nullptr;
    for (const auto& member : Pool().members)
    {
        if (member->m_name == name)
            return member.get();
    }
    return nullptr;
}

ZCharacter* ZCharacter::GetOrCreate(const char* name)
{
    if (ZCharacter* found = Find(name))
        return found;
    if (!name || !*name)
        return nullptr;
    SPool& pool = Pool();
    if (pool.members.size() >= size_t(kPoolLimit))
    {
        if (!pool.warned)
            std::fprintf(stderr, "Crew: no room for more than %i crew members; \"%s\" and later ones ignored\n",
                         kPoolLimit, name);
        pool.warned = true;
        return nullptr;
    }
    pool.members.push_back(std::make_unique<ZCharacter>());
    ZCharacter* member = pool.members.back().get();
    member->SetName(name);
    return member;
}

void ZCharacter::SetName(const char* name)
{
    m_name = name ? name : "";
}

const char* ZCharacter::GetNameText() const
{
    return ZStringTable::GetInstance()->GetTextFormat("%s.name", m_name.c_str());
}

const char* ZCharacter::GetDescriptionText() const
{
    return ZStringTable::GetInstance()->GetTextFormat("%s.description", m_name.c_str());
}

const char* ZCharacter::GetAbilitiesText() const
{
    return ZStringTable::GetInstance()->GetTextFormat("%s.abilities", m_name.c_str());
}

ZTexture* ZCharacter::GetPortrait()
{
    // Found each time: the member outlives the resources of one engine.
    if (m_name.empty())
        return nullptr;
    const std::string path = "resources:portrait_" + m_name + ".png";
    return ZTexture::FindOrLoad(path.c_str(), 0, 1);
}

void ZCharacter::SetXP(int32_t xp)
{
    m_xp = std::clamp(xp, 0, kMaxXp);
    int32_t level = 0;
    while (level + 1 < kLevelCount && m_xp >= kXpThresholds[level + 1])
        ++level;
    if (level != m_level)
    {
        m_level = level;
        SetOpenCharges(level);
    }
    if (m_level >= kLevelCount - 1)
    {
        m_xpLow = kXpThresholds[kLevelCount - 2];
        m_xpHigh = kXpThresholds[kLevelCount - 1];
    }
    else
    {
        m_xpLow = m_level < 1 ? 0 : kXpThresholds[m_level];
        m_xpHigh = kXpThresholds[m_level + 1];
    }
}

void ZCharacter::GetLevelProgress(int32_t xp, int32_t& level, float& fraction)
{
    if (xp >= kXpThresholds[kLevelCount - 1])
    {
        level = kLevelCount - 1;
        fraction = 1.0f;
        return;
    }
    level = 0;
    while (level + 1 < kLevelCount - 1 && xp >= kXpThresholds[level + 1])
        ++level;
    const float low = float(kXpThresholds[level]);
    const float high = float(kXpThresholds[level + 1]);
    fraction = std::clamp((float(std::max(xp, 0)) - low) / (high - low), 0.0f, 1.0f);
}

void ZCharacter::SetOpenCharges(int32_t count)
{
    count = std::clamp(count, 0, kSlotCount);
    for (int32_t slot = m_openCharges; slot < count; ++slot)
        m_charge[size_t(slot)] = 1.0f;
    m_openCharges = count;
    UpdateChargeMeters(false);
}

void ZCharacter::Reset()
{
    m_level = -1; // so that SetXP(0) runs its level step
    m_openCharges = 0;
    SetXP(0);
    m_openCharges = 0;
    if (m_panel)
        m_panel->SetHidden(true);
    m_selected = false;
    m_charge = {1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    m_lastViewLevel = 0;
    UpdateChargeMeters(false);
}

int32_t ZCharacter::SlotForColour(int32_t colour) const
{
    if (colour < 0 || colour >= kKindCount)
        return -1;
    for (int32_t slot = 0; slot < std::min(m_openCharges, int32_t(kKindCount)); ++slot)
    {
        if (m_colour[size_t(slot)] == colour)
            return slot;
    }
    return -1;
}

bool ZCharacter::Charge(int32_t colour, float amount, float factor)
{
    const int32_t k = SlotForColour(colour);
    if (k < 0)
        return false;
    const float step = amount / 3.0f * factor;
    float& first = m_charge[size_t(k)];
    first = std::clamp(first + step * m_chargeSpeed[size_t(k)], 0.0f, 1.0f);
    if (first >= 1.0f && m_openCharges > k + kKindCount)
    {
        float& second = m_charge[size_t(k + kKindCount)];
        second = std::clamp(second + step * m_chargeSpeed[size_t(k + kKindCount)], 0.0f, 1.0f);
    }
    ShowOnButton(k, true);
    return true;
}

void ZCharacter::AddChargeToAll(float amount)
{
    for (int32_t k = 0; k < std::min(m_openCharges, int32_t(kKindCount)); ++k)
    {
        float& first = m_charge[size_t(k)];
        first = std::clamp(first + amount, 0.0f, 1.0f);
        if (first >= 1.0f)
            m_charge[size_t(k + kKindCount)] = std::clamp(m_charge[size_t(k + kKindCount)] + amount, 0.0f, 1.0f);
    }
    UpdateChargeMeters(true);
}

void ZCharacter::FillAll()
{
    for (int32_t slot = 0; slot < m_openCharges; ++slot)
        m_charge[size_t(slot)] = 1.0f;
    UpdateChargeMeters(true);
}

void ZCharacter::SetCharge(int slot, float value)
{
    if (InSlot(slot) && std::isfinite(value))
        m_charge[size_t(slot)] = std::clamp(value, 0.0f, 1.0f);
}

void ZCharacter::SetSlotCharges(int32_t kind, float first, float second)
{
    if (kind < 0 || kind >= kKindCount)
        return;
    SetCharge(kind, first);
    SetCharge(kind + kKindCount, second);
    ShowOnButton(kind, false);
}

void ZCharacter::SetAbility(int slot, int32_t id)
{
    if (!InSlot(slot))
        return;
    m_ability[size_t(slot)] = id;
    m_colour[size_t(slot)] = ZAbilityManager::GetColourGroup(id);
}

void ZCharacter::BindButtons(ZCharacterButton* const buttons[kKindCount])
{
    for (ZCharacterButton*& bound : m_buttons)
    {
        if (bound && bound->GetMember() == this)
            bound->SetMember(nullptr, -1);
        bound = nullptr;
    }
    if (!buttons)
        return;
    for (int32_t slot = 0; slot < kKindCount; ++slot)
    {
        ZCharacterButton* button = buttons[slot];
        const int32_t colour = m_colour[size_t(slot)];
        // A slot without a coloured ability serves no colour: its button stays unbound.
        if (!button || colour < 0 || colour >= kKindCount || m_buttons[size_t(colour)])
            continue;
        m_buttons[size_t(colour)] = button;
        button->SetMember(this, slot);
    }
    UpdateChargeMeters(false);
}

ZCharacterButton* ZCharacter::GetButton(int32_t colour) const
{
    return colour >= 0 && colour < kKindCount ? m_buttons[size_t(colour)] : nullptr;
}

void ZCharacter::ShowOnButton(int32_t kind, bool notify)
{
    const int32_t colour = m_colour[size_t(kind)];
    ZCharacterButton* button = GetButton(colour);
    if (!button || button->GetSlot() != kind)
        return;
    button->SetShown(kind < m_openCharges);
    button->SetCharge(m_charge[size_t(kind)], m_openCharges > kind + kKindCount ? m_charge[size_t(kind + kKindCount)] : 0.0f,
                      notify);
}

void ZCharacter::UpdateChargeMeters(bool notify)
{
    for (int32_t kind = 0; kind < kKindCount; ++kind)
        ShowOnButton(kind, notify);
}

bool ZCharacter::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)id;
    if (!name)
        return false;
    const std::string attribute = name;
    if (attribute == "name")
    {
        // Members are found by name before their attributes arrive: a name never renames one.
        if (m_name.empty())
            SetName(value);
        return true;
    }
    if (attribute == "xp")
    {
        int32_t xp = 0;
        bool clamped = false;
        if (!ParseInt(value, 0, kMaxXp, xp, clamped))
        {
            Complain(m_name.c_str(), "xp", value, "not a number, ignored");
            return true;
        }
        if (clamped)
            Complain(m_name.c_str(), "xp", value, "out of range, taken as the nearest allowed value");
        SetXP(xp);
        m_readMask |= kReadXp;
        return true;
    }
    if (attribute == "lastviewlevel")
    {
        int32_t level = 0;
        bool clamped = false;
        if (ParseInt(value, 0, kLevelCount - 1, level, clamped))
        {
            m_lastViewLevel = level;
            m_readMask |= kReadLastView;
        }
        else
        {
            Complain(m_name.c_str(), "lastviewlevel", value, "not a number, ignored");
        }
        return true;
    }
    if (attribute == "air" || attribute == "treasure")
    {
        float v = 0.0f;
        // A factor divides or multiplies play values: only sensible positive ones are taken.
        if (!ParseFloat(value, v) || v <= 0.0f || v > 10.0f)
        {
            Complain(m_name.c_str(), name, value, "not a factor between 0 and 10, ignored");
            return true;
        }
        (attribute == "air" ? m_air : m_treasure) = v;
        m_readMask |= attribute == "air" ? kReadAir : kReadTreasure;
        return true;
    }
    if (const int slot = SlotSuffix(name, "charge"); slot >= 0)
    {
        float v = 0.0f;
        if (!ParseFloat(value, v))
        {
            Complain(m_name.c_str(), name, value, "not a number, ignored");
            return true;
        }
        SetCharge(slot, v);
        m_readMask |= kReadCharge0 << slot;
        return true;
    }
    if (const int slot = SlotSuffix(name, "chargespeed"); slot >= 0)
    {
        float v = 0.0f;
        if (!ParseFloat(value, v) || v < 0.0f || v > 100.0f)
        {
            Complain(m_name.c_str(), name, value, "not a speed between 0 and 100, ignored");
            return true;
        }
        m_chargeSpeed[size_t(slot)] = v;
        m_readMask |= kReadChargeSpeed0 << slot;
        return true;
    }
    if (const int slot = SlotSuffix(name, "ability"); slot >= 0)
    {
        const int32_t ability = ZAbilityManager::FindAbilityId(value);
        if (ability < 0)
            Complain(m_name.c_str(), name, value, "no such item; the slot stays empty");
        SetAbility(slot, ability);
        m_readMask |= kReadAbility0 << slot;
        return true;
    }
    return false;
}

void ZCharacter::TakeReadValues(const ZCharacter& from)
{
    const uint32_t mask = from.m_readMask;
    if (mask & kReadXp)
        SetXP(from.m_xp);
    if (mask & kReadAir)
        m_air = from.m_air;
    if (mask & kReadTreasure)
        m_treasure = from.m_treasure;
    if (mask & kReadLastView)
        m_lastViewLevel = from.m_lastViewLevel;
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        if (mask & (kReadCharge0 << slot))
            m_charge[size_t(slot)] = from.m_charge[size_t(slot)];
        if (mask & (kReadChargeSpeed0 << slot))
            m_chargeSpeed[size_t(slot)] = from.m_chargeSpeed[size_t(slot)];
        if (mask & (kReadAbility0 << slot))
            SetAbility(slot, from.m_ability[size_t(slot)]);
    }
    UpdateChargeMeters(false);
}

void ZCharacter::SaveAttributes(ISaveVisitor* visitor)
{
    char text[48];
    visitor->Attribute("name", m_name.c_str());
    std::snprintf(text, sizeof text, "%i", int(m_xp));
    visitor->Attribute("xp", text);
    std::snprintf(text, sizeof text, "%f", double(m_air));
    visitor->Attribute("air", text);
    for (int slot = 0; slot < kSlotCount; ++slot)
    {
        char key[16];
        std::snprintf(key, sizeof key, "charge%i", slot);
        std::snprintf(text, sizeof text, "%f", double(m_charge[size_t(slot)]));
        visitor->Attribute(key, text);
    }
    std::snprintf(text, sizeof text, "%i", int(m_lastViewLevel));
    visitor->Attribute("lastviewlevel", text);
}
