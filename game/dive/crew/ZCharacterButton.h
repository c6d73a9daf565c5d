#pragma once
// The crew button of the dive ("characterbutton", "leftbar/characters/button_<i>" in the HUD): one
// per charge kind (0 break, 1 move, 2 time). It shows the crew member's charge of that kind on its
// meter ("fill" growing over the trough "progress", and "fill2" growing over the full "fill" for
// the overcharge); when the charge is full the button becomes ready, its icon shows, it glows and
// plays the kind's "charged" sound, and the player drags the icon onto the board to use the
// member's power like any ability button. Using it empties both charges. The crew member
// (ZCharacter::BindButtons) tells it its member and slot and pushes the charges into it.
#include <array>

#include "game/dive/abilities/ZAbilityButton.h"

class ZCharacter;
class ZHighlight2;
class ZMaterial;
class ZParticleEmitterSystem;
class ZProgressBar;
class ZSound;

class ZCharacterButton : public ZAbilityButton
{
    QV_TYPE_RECORD(ZCharacterButton, &ZAbilityButton::kTypeRecord)

public:
    ZCharacterButton() = default;
    ~ZCharacterButton() override;

    static ZCharacterButton* Create() { return new ZCharacterButton(); }
    ZSerializerBase* GetSerializer() const override;
    // The base's, then Setup.
    void OnLoaded() override;
    // Builds the charge emitter (hidden) and the highlight, finds "progress", "fill", "fill2",
    // "face" and "face2" and makes the two meters ("fill" and "fill2" grow with their charges).
    // Runs once; later calls do nothing.
    void Setup();

    // The pictures of a kind (button face, second face, fill, second fill: the materials' textures),
    // filled by the dive's HUD loader; a kind's buttons take them in SetKind. Null entries leave the
    // layout's own.
    static void SetKindMaterials(int kind, ZMaterial* face, ZMaterial* face2, ZMaterial* fill, ZMaterial* fill2);
    // Looks the kind's templates, highlight and sound up (once per run) and takes its pictures.
    void SetKind(int kind);
    int GetKind() const { return m_kind; }

    // The member and the slot (0..2) whose charges the button shows; the button takes the slot's
    // colour as its kind and the slot's ability as its item. Null unbinds.
    void SetMember(ZCharacter* member, int slot);
    ZCharacter* GetMember() const { return m_member; }
    int GetSlot() const { return m_slot; }
    // The whole button, meter and all, shows while the member has the slot open.
    void SetShown(bool shown);

    // The member's charges of the slot (first) and of its overcharge (second). The bar shows the
    // first until it is full and the second is above 0, then the second over "fill2"; a full second
    // offers the overcharge ability. Ready exactly when the first is full; with `notify`, becoming
    // full glows and plays the charged sound once.
    void SetCharge(float first, float second, bool notify);
    // The ready look: ready, the emitter on; with `sound` the charged sound and the highlight.
    void OnCharged(bool sound);

    // A press on the ready icon at home picks the power up like a press on the face: the button
    // takes the press, so the board behind it never hears it (it would cancel the power just armed).
    void OnLeftDown(const SPointerState& state, ZNode* target, bool* handled) override;
    // Ready or not: the base's enabling, and the power icon shows only while ready.
    void SetEnabled(bool ready) override;
    // The base's, with the icon shown only while ready.
    void SetItem(int id) override;
    // The power used: both charges empty, the slot's own ability back, not ready.
    void OnAbilityConsumed() override;

    // The meter that shows the charge now: the overcharge's once the first charge is full and the
    // overcharge has begun, else the first charge's.
    ZProgressBar* GetBar() const { return m_showingSecond && m_bar2 ? m_bar2 : m_bar; }
    ZNode* GetFill2() const { return m_fill2; }
    ZParticleEmitterSystem* GetChargeEmitter() const { return m_chargeEmitter; }
    // How often the charged sound was asked for (the sound itself may be missing).
    int GetChargedSounds() const { return m_chargedSounds; }

private:
    ZCharacter* m_member = nullptr;
    int m_slot = -1;
    int m_kind = -1;
    float m_lastCharge = 0.0f;
    bool m_setUp = false;
    bool m_overcharged = false;
    int m_chargedSounds = 0;
    ZParticleEmitterSystem* m_chargeEmitter = nullptr;
    ZHighlight2* m_highlight = nullptr;
    ZNode* m_progressNode = nullptr;
    ZProgressBar* m_bar = nullptr;
    ZProgressBar* m_bar2 = nullptr;
    bool m_showingSecond = false;
    ZNode* m_fill = nullptr;
    ZNode* m_fill2 = nullptr;
    ZNode* m_face = nullptr;
    ZNode* m_face2 = nullptr;
};
