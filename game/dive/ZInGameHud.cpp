// The dive's HUD: building it from its layout, its buttons and drop targets, the amulet's rotation
// charge and top bar, the effect emitters the running abilities feed, and the crew charge buttons.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/audio/ZSound.h"
#include "engine/controllers/ZFlicker.h"
#include "engine/controllers/ZHighlight2.h"
#include "engine/core/ZEasing.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/ZFont.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourcePath.h"
#include "engine/resource/ZStringTable.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZParticleEmitterSystem.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZDragController.h"
#include "engine/ui/ZSprite2D.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/IGameShell.h"
#include "game/dive/ZDiveSettings.h"
#include "game/dive/ZInGame.h"
#include "game/dive/abilities/ZAbility.h"
#include "game/dive/abilities/ZAbilityButton.h"
#include "game/dive/board/ZBoard.h"
#include "game/dive/board/ZBoardHints.h"
#include "game/dive/crew/ZCharacter.h"
#include "game/dive/crew/ZCharacterButton.h"
#include "game/dive/crew/ZCharacterScreen.h"
#include "game/dive/crew/ZToolBelt.h"
#include "game/dive/hud/ZAmuletIntro.h"
#include "game/dive/hud/ZCompletionBar.h"
#include "game/dive/hud/ZGuiDropTarget.h"
#include "game/dive/hud/ZLevelIndicator.h"
#include "game/dive/hud/ZOxygenBar.h"
#include "game/dive/hud/ZScoreBoard.h"
#include "game/dive/hud/ZTreasureBar.h"

namespace
{
const char* const kThemeLights[ZInGame::kThemes] = {"sand", "coral", "shipwreck", "volcano", "deepwater",
                                                    "sunkencity"};
const char* const kDropNodes[ZInGame::kDropTargets] = {"rightbar/levelwidget/drop", "rightbar/treasurewidget/drop",
                                                       "leftbar/airwidget/drop", "topbar/amulet/drop"};
// The crew members' HUD nodes under "leftbar/characters", in the crew's order.
const char* const kCrew[5] = {"finn", "mira", "oskar", "tess", "juno"};
// Effect flags of the running abilities and the emitter each one feeds.
constexpr unsigned kEffectFlags[ZInGame::kEffects] = {0x08, 0x10, 0x02};
constexpr float kRotateFlightSeconds = 0.7f;
constexpr float kTopBarSlideSeconds = 0.6f;

template <class T> T* Find(ZNode* root, const char* path)
{
    return root ? ZEntityCast<T>(root->FindNode(path)) : nullptr;
}

template <class T> T SettingValue(const char* name, T fallback)
{
    ZPropertyManager* settings = ZPropertyManager::PeekInstance();
    ZPropertyTempl<T>* setting = settings ? settings->FindTyped<T>(name) : nullptr;
    return setting ? setting->GetValue() : fallback;
}

// The picture a crew button's layout gives its part, or null when the part has none.
ZMaterial* CrewPicture(ZNode* button, const char* part)
{
    auto* sprite = ZEntityCast<ZSprite>(button->FindNode(part));
    ZMaterial* material = sprite ? sprite->GetMaterial() : nullptr;
    return material && material->GetTexture(0) ? material : nullptr;
}

void CollectAbilityButtons(ZNode* node, std::vector<ZAbilityButton*>& out)
{
    if (!node)
        return;
    if (auto* button = ZEntityCast<ZAbilityButton>(node))
        out.push_back(button);
    for (ZNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        CollectAbilityButtons(child, out);
}

float EaseRevealTopBar(float t)
{
    const float u = 1.0f - t * t * t;
    return 1.0f - u * u * u * u;
}
} // namespace

int ZInGame::Build()
{
    if (m_hudLoaded)
        return 0;
    LoadHud();
    return 0;
}

void ZInGame::LoadHud()
{
    ZGroup* root = GetRoot();
    // The game loads the HUD's resource list at start-up; a dive started without the game loads it
    // itself.
    if (!ZMaterial::Find("sprinklyparticlematerial"))
        ImportSceneFile(ZResourcePath("resources:ingame_resources.xml"), ZSceneTree::GetInstance());
    ImportSceneFile(ZResourcePath("resources:ingame.xml"), root);
    FindHudNodes(root);

    ZBoard* board = ZBoard::GetInstance();
    if (!board->GetParent())
        root->AddChild(board);
    ZGroup* hintLayer = ZGroup::Create();
    hintLayer->SetName("boardhints");
    root->AddChild(hintLayer);
    ZBoardHints::GetInstance()->LoadVisuals(hintLayer);
    ZNode* completion = root->FindNode("completionwidget");
    if (!completion)
    {
        // The bar's own layout, for a HUD that does not place it itself.
        ImportSceneFile(ZResourcePath("resources:completionbar.xml"), root);
        completion = root->FindNode("completionwidget");
    }
    ZCompletionBar::Create(completion);

    // The air: its bar, read-out and widget; the board hears when it runs out.
    ZNode* airWidget = root->FindNode("leftbar/airwidget");
    m_air = ZOxygenBar::Create(Find<ZSprite>(airWidget, "airbar_progress"), Find<ZFontText>(airWidget, "airtime"),
                               airWidget, 0.0);
    m_air->AddListener(board);

    // A missing widget leaves its element out (the board then shows no treasure counts either).
    if (ZNode* scoreWidget = root->FindNode("rightbar/scorewidget"))
        ZScoreBoard::Create(scoreWidget);
    if (ZNode* chest = root->FindNode("rightbar/treasurewidget"))
        ZTreasureBar::Create(chest);
    m_levelIndicator = ZLevelIndicator::Create(root->FindNode("rightbar"));

    if (ZNode* belt = root->FindNode("leftbar/toolbelt"))
    {
        if (!ZToolBelt::GetInstance())
            m_ownBelt = new ZToolBelt();
        ZToolBelt::GetInstance()->Load(belt);
    }
    CollectAbilityButtons(root, m_abilityButtons);

    m_levelStart = ZSound::Find("levelstart");
    m_chargingSound = ZSound::Find("game_rotate_charging");
    m_hoverSound = ZSound::Find("game_rotation_hover");
    m_chargedSound = ZSound::Find("game_amulet_charged");
    m_gameOverSound = ZSound::Find("gameover");
    if (m_chargingSound)
        m_chargingSound->SetLooping(true);

    MakeEffectEmitters();

    if (ZFont* font = ZFont::Find("font_popup"))
    {
        m_pausedLabel = ZFontText::Create(font);
        m_pausedLabel->SetName("pausedlabel");
        m_pausedLabel->SetText(ZStringTable::GetInstance()->GetText("game.paused"));
        m_pausedLabel->SetPositionXYZ(0.0f, 0.0f, -400.0f);
        m_pausedLabel->SetHidden(true);
        root->AddChild(m_pausedLabel);
    }

    if (ZPropertyManager* settings = ZPropertyManager::PeekInstance())
    {
        m_rotationSetting = settings->FindTyped<bool>("profile.rotation");
        m_amuletSetting = settings->FindTyped<int32_t>("profile.amulet");
    }
    if (m_rotationSetting)
        m_rotationSetting->AddListener(this);
    if (m_amuletSetting)
        m_amuletSetting->AddListener(this);
    RegisterToolTips();
    m_hudLoaded = true;
}

void ZInGame::FindHudNodes(ZGroup* root)
{
    m_artifactDrop = root->FindNode("rightbar/artifact_drop");
    if (!m_artifactDrop)
    {
        // Without the HUD's node the artifacts fly to the top right, where the HUD puts it.
        ZGeom* drop = ZGeom::Create();
        drop->SetName("artifact_drop");
        drop->SetPositionXYZ(340.0f, 200.0f, 0.0f);
        root->AddChild(drop);
        m_artifactDrop = drop;
    }
    m_topBar = root->FindNode("topbar");
    m_amulet = root->FindNode("topbar/amulet");
    for (int i = 0; i < kThemes; ++i)
    {
        char path[32];
        std::snprintf(path, sizeof path, "light/%s", kThemeLights[i]);
        m_themeLights[i] = root->FindNode(path);
        if (m_themeLights[i])
            m_themeLights[i]->SetHidden(true);
    }
    for (int i = 0; i < kDropTargets; ++i)
        m_dropTargets[i] = Find<ZGuiDropTarget>(root, kDropNodes[i]);
    for (int i = 0; i < kAmuletKeys; ++i)
    {
        char path[32];
        std::snprintf(path, sizeof path, "topbar/amulet/key_%i", i);
        m_amuletKeys[i] = root->FindNode(path);
    }
    m_flashNode = root->FindNode("topbar/amulet/crane_activateflash");
    if (m_flashNode)
    {
        m_flash = ZFlicker::Create(m_flashNode);
        m_flash->SetDuration(2.2);
    }
    m_endDiveButton = Find<ZButton2D>(root, "rightbar/end_dive_button");
    m_rotateLeft = Find<ZButton2D>(root, "topbar/rotate_left");
    m_rotateRight = Find<ZButton2D>(root, "topbar/rotate_right");
    for (ZButton2D* button : {m_endDiveButton, m_rotateLeft, m_rotateRight})
    {
        if (button)
            button->AddListener(this);
    }
    if (m_endDiveButton)
    {
        m_endDiveHighlight = GetGameShell()->CreateSmallHighlight(m_endDiveButton);
        m_endDiveButton->SetHidden(true);
    }
    for (int i = 0; i < kCrewButtons; ++i)
    {
        char path[40];
        std::snprintf(path, sizeof path, "leftbar/characters/button_%i", i);
        m_crewButtons[i] = Find<ZCharacterButton>(root, path);
        ZCharacterButton* button = m_crewButtons[i];
        if (!button)
            continue;
        button->Setup();
        // The layout dresses button i in the pictures of kind i; a button takes the pictures of the
        // kind its member's slot gives it.
        ZCharacterButton::SetKindMaterials(i, CrewPicture(button, "face"), CrewPicture(button, "face2"),
                                           CrewPicture(button, "fill"), CrewPicture(button, "fill2"));
        button->SetHidden(true);
    }
    // The crew display shows the member who dives; until the crew tells, nobody shows.
    for (const char* name : kCrew)
    {
        char path[48];
        std::snprintf(path, sizeof path, "leftbar/characters/%s", name);
        if (ZNode* node = root->FindNode(path))
            node->SetHidden(true);
    }
    m_rotationCharge = ZProgressBarTimer::Create(Find<ZSprite>(root, "topbar/amulet/crane_progressbar"), 30.0);
    m_rotationCharge->SetName("rotationcharge");
    m_rotationCharge->AddListener(this);
}

void ZInGame::MakeEffectEmitters()
{
    ZGroup* root = GetRoot();
    ZNode* parents[kEffects] = {ZTreasureBar::PeekInstance() ? ZTreasureBar::PeekInstance()->GetChestNode() : nullptr,
                                root->FindNode("topbar/amulet/crane_progress_foreground"),
                                root->FindNode("leftbar/airwidget/air_overlay")};
    ZMaterial* sparkle = ZMaterial::Find("sprinklyparticlematerial");
    for (int i = 0; i < kEffects; ++i)
    {
        ZParticleEmitterSystem* emitter = ZParticleEmitterSystem::Create();
        char name[32];
        std::snprintf(name, sizeof name, "effectemitter%i", i + 1);
        emitter->SetName(name);
        if (sparkle)
            emitter->AddTemplate(sparkle);
        emitter->ApplyPresetC(75);
        emitter->particleSize = {18.0f, 18.0f};
        emitter->SetPositionXYZ(0.0f, 0.0f, -50.0f);
        emitter->SetHidden(true);
        (parents[i] ? parents[i] : static_cast<ZNode*>(root))->AddChild(emitter);
        emitter->SetActive(false);
        m_effects[i] = emitter;
    }
}

void ZInGame::RegisterToolTips()
{
    ZToolTipManager* tips = ZToolTipManager::PeekInstance();
    if (!tips)
        return;
    auto target = [](ZButton2D* button) -> ZNode*
    {
        if (!button)
            return nullptr;
        ZNode* hit = button->GetHitNode();
        return hit ? hit : static_cast<ZNode*>(button);
    };
    if (ZNode* first = target(m_crewButtons[0]))
    {
        tips->RegisterToolTipByKey("charpowers", &first, 1, true);
        tips->RegisterToolTipByKey("firstability", &first, 1, true);
    }
    if (ZNode* second = target(m_crewButtons[1]))
        tips->RegisterToolTipByKey("abilities", &second, 1, true);
    ZNode* rotate[2] = {target(m_rotateLeft), target(m_rotateRight)};
    if (rotate[0] && rotate[1])
        tips->RegisterToolTipByKey("rotatelevel", rotate, 2, false);
}

void ZInGame::ConnectDropTargets()
{
    // Drag controllers are made when a button first gets an item, so they are linked as they come.
    for (ZAbilityButton* button : m_abilityButtons)
    {
        ZDragController* drag = button->GetDragObject();
        if (!drag)
            continue;
        for (ZGuiDropTarget* target : m_dropTargets)
        {
            if (target)
                drag->AddListener(target);
        }
    }
}

void ZInGame::ShowTopBar(bool on)
{
    if (m_topBar)
        m_topBar->SetHidden(!on);
}

void ZInGame::ShowAmuletKeys()
{
    const int amulet = SettingValue<int32_t>("profile.amulet", 0);
    for (int i = 0; i < kAmuletKeys; ++i)
    {
        if (m_amuletKeys[i])
            m_amuletKeys[i]->SetHidden(i >= amulet);
    }
}

void ZInGame::EnableRotateButtons(bool on)
{
    for (ZButton2D* button : {m_rotateLeft, m_rotateRight})
    {
        if (button)
            button->SetEnabled(on);
    }
}

void ZInGame::SetEffect(int i, float value)
{
    m_effectValues[i] = value;
    ZParticleEmitterSystem* emitter = m_effects[i];
    if (!emitter)
        return;
    // A hidden emitter also stops: it would otherwise keep drawing from the game's random numbers.
    const bool on = value > 0.0f;
    emitter->SetHidden(!on);
    if (emitter->IsActive() != on)
        emitter->SetActive(on);
    emitter->SetIntensity(value + 0.2f);
}

void ZInGame::AddEffectValue(unsigned flag, float value)
{
    for (int i = 0; i < kEffects; ++i)
    {
        if (flag == kEffectFlags[i])
            SetEffect(i, m_effectValues[i] + value);
    }
}

void ZInGame::SetTreasureEmitterTarget(ZNode* node)
{
    ZParticleEmitterSystem* emitter = m_effects[0];
    if (!emitter || !node || emitter->GetParent() == node)
        return;
    if (ZNode* parent = emitter->GetParent())
        parent->RemoveChild(emitter);
    node->AddChild(emitter);
}

void ZInGame::ShowCrewMember()
{
    ZCharacterScreen* screen = ZCharacterScreen::PeekInstance();
    ZCharacter* member = screen ? screen->GetSelected() : nullptr;
    ZGroup* root = GetRoot();
    for (const char* name : kCrew)
    {
        char path[48];
        std::snprintf(path, sizeof path, "leftbar/characters/%s", name);
        ZNode* node = root ? root->FindNode(path) : nullptr;
        if (!node)
            continue;
        const bool diving = member && std::strcmp(member->GetName(), name) == 0;
        node->SetHidden(!diving);
        std::snprintf(path, sizeof path, "%s_portrait", name);
        auto* portrait = ZEntityCast<ZSprite2D>(node->FindNode(path));
        if (diving && portrait)
        {
            std::snprintf(path, sizeof path, "resources:portrait_%s.png", name);
            if (ZTexture* texture = ZTexture::FindOrLoad(path, 0, kTextureLoadNow))
                portrait->SetTexture(texture, true);
        }
    }
    // The member's powers go onto the buttons, one button per open slot; without a member (a board
    // started by name before any crew is read) the buttons stay hidden.
    ReleaseCrewMember();
    if (!member)
    {
        SetCrewChargeCount(0);
        return;
    }
    m_crewMember = member;
    member->BindButtons(m_crewButtons);
    SetCrewChargeCount(member->GetOpenCharges());
    for (ZCharacterButton* button : m_crewButtons)
    {
        // A slot without a coloured power binds no button: an empty one stays out of sight.
        if (button && button->GetMember() != member)
            button->SetHidden(true);
    }
}

void ZInGame::ReleaseCrewMember()
{
    if (!m_crewMember)
        return;
    m_crewMember->BindButtons(nullptr);
    m_crewMember = nullptr;
}

void ZInGame::SetCrewChargeCount(int n)
{
    for (int i = 0; i < kCrewButtons; ++i)
    {
        if (m_crewButtons[i])
            m_crewButtons[i]->SetShown(i < n);
    }
}

void ZInGame::ShowEndDiveButton(bool show, bool flash)
{
    const bool appearing = show && !m_endDiveShown;
    m_endDiveShown = show;
    if (!m_endDiveButton)
        return;
    if (appearing && flash && m_endDiveHighlight)
    {
        m_endDiveHighlight->SetActive(false);
        m_endDiveHighlight->SetActive(true);
    }
    m_endDiveButton->SetHidden(!show);
}

void ZInGame::RotateBoard(int direction)
{
    ZBoard* board = ZBoard::PeekInstance();
    if (!board || board->isRotating())
        return;
    const float seconds = BoardRotationSeconds(SettingValue<int32_t>("profile.amulet", 0)) * m_speedFactor;
    board->startRotation(direction, seconds);
    EnableRotateButtons(false);
    ResetRotationCharge();
}

void ZInGame::ResetRotationCharge()
{
    if (m_rotationCharge)
    {
        m_rotationCharge->SetValue(0.0f);
        m_rotationCharge->Restart();
    }
    if (m_flashNode)
        m_flashNode->SetHidden(true);
    if (m_chargingSound)
        m_chargingSound->Play();
}

void ZInGame::ChargeRotationNow()
{
    if (m_rotationCharge)
    {
        m_rotationCharge->Finish();
        m_rotationCharge->SetValue(1.0f);
    }
    EnableRotateButtons(true);
}

void ZInGame::OnTimerExpired(ZProgressBarTimer* timer)
{
    if (timer != m_rotationCharge)
        return;
    EnableRotateButtons(true);
    if (m_flashNode)
        m_flashNode->SetHidden(false);
    if (m_flash)
    {
        m_flash->SetActive(false);
        m_flash->SetActive(true);
    }
    if (m_chargedSound)
        m_chargedSound->Play();
    if (m_chargingSound)
        m_chargingSound->Stop();
}

void ZInGame::BoostRotationCharge(float factor)
{
    m_chargeFactor *= factor;
    if (m_rotationCharge)
        m_rotationCharge->SetDurationKeepFraction(
            m_chargeFactor * AmuletChargeFactor(SettingValue<int32_t>("profile.amulet", 0)) *
            RotationChargeSeconds(SettingValue<int32_t>("profile.rotatelevel", 0)));
}

void ZInGame::EndRotationBoost(float factor)
{
    if (factor > 0.0f)
        m_chargeFactor = std::max(1.0f, m_chargeFactor / factor);
    if (m_rotationCharge)
        m_rotationCharge->SetDurationKeepFraction(
            m_chargeFactor * AmuletChargeFactor(SettingValue<int32_t>("profile.amulet", 0)) *
            RotationChargeSeconds(SettingValue<int32_t>("profile.rotatelevel", 0)));
}

void ZInGame::BeginRotationBoost(float chargeFactor, float speedFactor)
{
    BoostRotationCharge(chargeFactor);
    m_speedFactor *= speedFactor;
}

void ZInGame::EndRotationBoost(float chargeFactor, float speedFactor)
{
    EndRotationBoost(chargeFactor);
    if (speedFactor > 0.0f)
        m_speedFactor /= speedFactor;
}

void ZInGame::RevealTopBar()
{
    if (!m_topBar)
        return;
    ShowTopBar(true);
    if (auto* bar = ZEntityCast<ZGeom>(m_topBar))
    {
        m_topBarSlide = ZInterpolateLocalPos::Create(bar);
        m_topBarSlide->start = {0.0f, 45.0f, 0.0f};
        m_topBarSlide->end = {0.0f, 0.0f, 0.0f};
        m_topBarSlide->SetDuration(kTopBarSlideSeconds);
        m_topBarSlide->SetEasing(EaseRevealTopBar);
        m_topBarSlide->SetReleaseSelfAtEnd(true);
        m_topBarSlide->AddListener(static_cast<ZInterpolateBaseListener*>(this));
        m_topBarSlide->SetActive(true);
    }
    const float away[2] = {270.0f, -270.0f};
    ZButton2D* buttons[2] = {m_rotateLeft, m_rotateRight};
    for (int i = 0; i < 2; ++i)
    {
        if (!buttons[i])
            continue;
        m_rotateHome[i] = buttons[i]->Position();
        buttons[i]->SetPositionXYZ(m_rotateHome[i].x + away[i], m_rotateHome[i].y, m_rotateHome[i].z + 20.0f);
    }
}

void ZInGame::OnStopped(ZInterpolateBase* interpolator)
{
    if (interpolator && interpolator == m_topBarSlide)
    {
        m_topBarSlide = nullptr;
        if (m_flashNode)
            m_flashNode->SetHidden(false);
        if (m_flash)
        {
            m_flash->SetActive(false);
            m_flash->SetActive(true);
        }
        if (m_chargingSound)
            m_chargingSound->Stop();
        GetGameShell()->ShowExclusivePopup(ZStringTable::GetInstance()->GetText("game.rotation"), 2.0,
                                           {0.0f, 0.0f, -100.0f});
        ZButton2D* buttons[2] = {m_rotateLeft, m_rotateRight};
        for (int i = 0; i < 2; ++i)
        {
            if (!buttons[i])
                continue;
            ZInterpolateLocalPos* flight = ZInterpolateLocalPos::Create(buttons[i]);
            flight->start = buttons[i]->Position();
            flight->end = m_rotateHome[i];
            flight->SetDuration(kRotateFlightSeconds);
            flight->SetEasing(EaseInQuad);
            flight->SetReleaseSelfAtEnd(true);
            if (i == 1)
                flight->AddListener(static_cast<ZInterpolateBaseListener*>(this));
            m_rotateFlights[i] = flight;
            flight->SetActive(true);
        }
        return;
    }
    if (interpolator && interpolator == m_rotateFlights[1])
    {
        m_rotateFlights[0] = m_rotateFlights[1] = nullptr;
        if (m_hoverSound)
            m_hoverSound->Play();
    }
}

void ZInGame::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    if (button == m_endDiveButton)
    {
        BeginEndDive();
        m_skipEndScreen = false;
        if (ZCompletionBar* bar = ZCompletionBar::PeekInstance())
            bar->SetPlayerEnded();
        if (ZBoard* board = ZBoard::PeekInstance())
            board->clearSelection();
        m_playerEnded = true;
    }
    else if (button == m_rotateLeft)
    {
        RotateBoard(-1);
    }
    else if (button == m_rotateRight)
    {
        RotateBoard(1);
    }
}

void ZInGame::OnPropertyChanged(ZProperty* property)
{
    if (!m_hudLoaded || !property)
        return;
    if (property == m_rotationSetting)
        ShowTopBar(SettingValue<bool>("profile.rotation", false));
    else if (property == m_amuletSetting)
        ShowAmuletKeys();
}
