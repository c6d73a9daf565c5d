// The crew button: the charge meter of one kind, the ready look and the use of the member's power.
#include "game/dive/crew/ZCharacterButton.h"

#include <cstdio>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/controllers/ZProgressBar.h"
#include "engine/core/ZSerializer.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZSprite2D.h"
#include "game/dive/crew/ZCharacter.h"

namespace
{
ZSerializerRTTI<ZCharacterButton> s_characterButtonSerializer;

constexpr const char* kKindNames[3] = {"break", "move", "time"};

// A kind's look. The named resources are found when a button takes its kind (a cheap lookup, and
// always of the resources that exist now); the pictures are the HUD loader's.
struct SKindLook
{
    ZMaterial* templates[2] = {};
    ZMaterial* highlight = nullptr;
    ZSound* sound = nullptr;
    // Face, face2, fill, fill2: the pictures themselves, so that a button dressed in another kind's
    // pictures never changes the materials they were taken from (the layout's own buttons).
    std::array<ZTextureResource*, 4> pictures{};
};
SKindLook s_kinds[3];

SKindLook& KindLook(int kind)
{
    SKindLook& look = s_kinds[kind];
    {
        char name[48];
        for (int i = 0; i < 2; ++i)
        {
            std::snprintf(name, sizeof name, "particle_charge_%s_%i", kKindNames[kind], i);
            look.templates[i] = ZMaterial::Find(name);
        }
        std::snprintf(name, sizeof name, "highlight_%s", kKindNames[kind]);
        look.highlight = ZMaterial::Find(name);
        std::snprintf(name, sizeof name, "game_%s_charged", kKindNames[kind]);
        look.sound = ZSound::Find(name);
    }
    return look;
}

void SetPicture(ZNode* node, ZTextureResource* texture)
{
    if (auto* sprite = ZEntityCast<ZSprite2D>(node); sprite && texture && sprite->GetTexture() != texture)
        sprite->SetTexture(texture);
}

ZTextureResource* PictureOf(const ZMaterial* material)
{
    return material ? material->GetTexture(0) : nullptr;
}
} // namespace

ZCharacterButton::~ZCharacterButton()
{
    if (m_member)
    {
        ZCharacterButton* none[ZCharacter::kKindCount] = {};
        // The member forgets every button it had; it binds again when the dive comes back.
        m_member->BindButtons(none);
    }
}

ZSerializerBase* ZCharacterButton::GetSerializer() const
{
    return &s_characterButtonSerializer;
}

void ZCharacterButton::OnLoaded()
{
    ZAbilityButton::OnLoaded();
    Setup();
}

void ZCharacterButton::Setup()
{
    if (m_setUp)
        return;
    m_setUp = true;
    m_chargeEmitter = ZParticleEmitterSystem::Create();
    if (m_chargeEmitter)
    {
        m_chargeEmitter->SetParticleCount(24);
        m_chargeEmitter->SetRandomDirections(-3.1415927f, 3.1415927f);
        m_chargeEmitter->speedMinimum = 10.0f;
        m_chargeEmitter->speedMaximum = 30.0f;
        m_chargeEmitter->sizeMinimum = 0.3f;
        m_chargeEmitter->sizeMaximum = 0.6f;
        m_chargeEmitter->gravity = {0.0f, 20.0f, 0.0f};
        m_chargeEmitter->SetPositionXYZ(0.0f, 0.0f, -20.0f);
        AddChild(m_chargeEmitter);
        m_chargeEmitter->SetActive(false);
    }
    m_progressNode = FindChildNamed("progress", 8, false);
    m_fill = FindChildNamed("fill", 4, false);
    m_fill2 = FindChildNamed("fill2", 5, false);
    m_face = FindChildNamed("face", 4, false);
    m_face2 = FindChildNamed("face2", 5, false);
    // The meter: "fill" grows over the trough ("progress") with the first charge, and "fill2" grows
    // over the full "fill" with the overcharge. A layout without fills grows "progress" itself.
    auto* first = ZEntityCast<ZSprite>(m_fill);
    if (!first)
        first = ZEntityCast<ZSprite>(m_progressNode);
    if (first)
    {
        m_bar = ZProgressBar::Create(first);
        m_bar->SetValue(0.0f);
    }
    if (auto* second = ZEntityCast<ZSprite>(m_fill2))
    {
        m_bar2 = ZProgressBar::Create(second);
        m_bar2->SetValue(0.0f);
    }
    if (m_fill2)
        m_fill2->SetHidden(true);
    if (m_face2)
        m_face2->SetHidden(true);
    m_highlight = ZHighlight2::Create(this, ZMaterial::Find("highlight_move"), 40.0f, this);
    if (m_highlight)
        m_highlight->SetActive(false);
}

void ZCharacterButton::SetKindMaterials(int kind, ZMaterial* face, ZMaterial* face2, ZMaterial* fill,
                                        ZMaterial* fill2)
{
    if (kind >= 0 && kind < 3)
        s_kinds[kind].pictures = {PictureOf(face), PictureOf(face2), PictureOf(fill), PictureOf(fill2)};
}

void ZCharacterButton::SetKind(int kind)
{
    Setup();
    if (kind < 0 || kind > 2)
        return;
    m_kind = kind;
    SKindLook& look = KindLook(kind);
    if (m_chargeEmitter)
    {
        m_chargeEmitter->ClearTemplates();
        for (ZMaterial* material : look.templates)
        {
            if (material)
                m_chargeEmitter->AddTemplate(material);
        }
    }
    SetPicture(m_face, look.pictures[0]);
    SetPicture(m_face2, look.pictures[1]);
    SetPicture(m_fill, look.pictures[2]);
    SetPicture(m_fill2, look.pictures[3]);
    if (m_highlight && look.highlight)
        m_highlight->SetMaterial(look.highlight);
}

void ZCharacterButton::SetMember(ZCharacter* member, int slot)
{
    m_member = member;
    m_slot = member ? slot : -1;
    m_lastCharge = 0.0f;
    m_overcharged = false;
    if (!member)
    {
        SetItem(-1);
        SetEnabled(false);
        return;
    }
    SetKind(member->GetColour(slot));
    SetItem(member->GetAbility(slot));
}

void ZCharacterButton::SetShown(bool shown)
{
    SetHidden(!shown);
}

void ZCharacterButton::SetCharge(float first, float second, bool notify)
{
    m_showingSecond = first >= 1.0f && second > 0.0f;
    if (m_bar)
        m_bar->SetValue(m_showingSecond ? 1.0f : first);
    if (m_bar2)
        m_bar2->SetValue(m_showingSecond ? second : 0.0f);
    if (m_fill2)
        m_fill2->SetHidden(!m_showingSecond);
    if (m_showingSecond && second >= 1.0f && m_member && !m_overcharged)
    {
        const int id = m_member->GetAbility(m_slot + ZCharacter::kKindCount);
        if (id >= 0)
        {
            m_overcharged = true;
            SetItem(id);
            if (m_face2)
                m_face2->SetHidden(false);
        }
    }
    SetEnabled(first >= 1.0f);
    if (first >= 1.0f && notify)
        OnCharged(m_lastCharge < 1.0f);
    m_lastCharge = first;
}

void ZCharacterButton::OnCharged(bool sound)
{
    SetEnabled(true);
    if (m_chargeEmitter && !m_chargeEmitter->IsActive())
        m_chargeEmitter->SetActive(true);
    if (!sound)
        return;
    ++m_chargedSounds;
    if (m_kind >= 0)
    {
        char name[48];
        std::snprintf(name, sizeof name, "game_%s_charged", kKindNames[m_kind]);
        if (ZSound* charged = ZSound::Find(name))
            charged->Play();
    }
    if (m_highlight)
    {
        m_highlight->SetActive(false);
        m_highlight->SetActive(true);
    }
}

void ZCharacterButton::OnLeftDown(const SPointerState& state, ZNode* target, bool* handled)
{
    // The icon is the drag's own node: without this the drag would start on its own, unhandled, and
    // the board's press off the board would disarm the power again. An icon waiting on the board for
    // a second tile is the board's to handle.
    if (target && target == GetIcon() && IsIconAtHome())
        target = this;
    ZAbilityButton::OnLeftDown(state, target, handled);
}

void ZCharacterButton::SetEnabled(bool ready)
{
    ZAbilityButton::SetEnabled(ready);
    if (ZSprite* icon = GetIcon())
        icon->SetHidden(!ready || GetItem() < 0);
    if (!ready)
    {
        if (m_chargeEmitter && m_chargeEmitter->IsActive())
            m_chargeEmitter->SetActive(false);
        if (m_highlight && m_highlight->IsActive())
            m_highlight->SetActive(false);
    }
}

void ZCharacterButton::SetItem(int id)
{
    ZAbilityButton::SetItem(id);
    if (ZSprite* icon = GetIcon())
        icon->SetHidden(!IsEnabled() || GetItem() < 0);
}

void ZCharacterButton::OnAbilityConsumed()
{
    ZAbilityButton::OnAbilityConsumed();
    m_lastCharge = 0.0f;
    m_overcharged = false;
    m_showingSecond = false;
    if (m_bar)
        m_bar->SetValue(0.0f);
    if (m_bar2)
        m_bar2->SetValue(0.0f);
    if (m_fill2)
        m_fill2->SetHidden(true);
    if (m_face2)
        m_face2->SetHidden(true);
    if (m_member)
    {
        // The member's own ability comes back once the base has taken a fresh instance.
        m_member->SetCharge(m_slot, 0.0f);
        m_member->SetCharge(m_slot + ZCharacter::kKindCount, 0.0f);
        SetItem(m_member->GetAbility(m_slot));
    }
    SetEnabled(false);
}
