// The main menu: its buttons, the creatures that hide from the pointer and the crab's eyes.
#include "game/shell/ZGameMainMenu.h"

#include <cmath>
#include <cstdio>

#include "engine/app/ZEngine.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZStatsLog.h"
#include "engine/controllers/ZAnimateGeom.h"
#include "engine/controllers/ZAnimationSet.h"
#include "engine/resource/ZPropertyFile.h"
#include "engine/core/ZRandom.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/IRender.h"
#include "engine/resource/ZProfileManager.h"
#include "engine/scene/ZFontText.h"
#include "engine/scene/ZGeom.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/common/ZShellSettings.h"
#include "game/decoration/ZBackground.h"
#include "game/shell/ZQuorvane.h"

extern ZPropertyText g_profileName;

namespace
{
enum EButton
{
    kPlay,
    kRelax,
    kHighscores,
    kHelp,
    kExit,
    kSettings,
    kWelcome,
    kButtonCount
};
const char* const kButtonNames[kButtonCount] = {"play_game_button", "play_relax_game_button", "highscore_button",
                                                "help_button",      "exit_game_button",       "settings_button",
                                                "welcome_button"};

struct SPlacement
{
    float x, y, z, scale, angle;
};
// Where the creatures stand on the menu's sea floor: feet on the bottom edge or just above the exit
// button, clear of the menu's buttons and the crab, the nearer ones larger.
const SPlacement kPlacements[ZGameMainMenu::kCreatureCount] = {
    {125.0f, -300.0f, -290.0f, 0.65f, -0.031416f}, {180.0f, -290.0f, -200.0f, 0.5f, -0.094248f},
    {160.0f, -235.0f, -380.0f, 0.45f, -0.094248f}, {250.0f, -195.0f, -210.0f, 0.45f, -0.125664f},
    {318.0f, -205.0f, -213.0f, 0.5f, -0.094248f},  {385.0f, -195.0f, -200.0f, 0.55f, -0.125664f},
};
// The anemone stands on the floor between the crab and the buttons.
constexpr float kAnemoneX = -140.0f;
constexpr float kAnemoneY = -300.0f;

const char* const kCreatureAnims[] = {"idle", "open", "close"};
const char* const kCreatureFiles[] = {"resources:towermone_idle.anm", "resources:towermone_open.anm",
                                      "resources:towermone_close.anm"};

ZAnimationSet* FindSet(ZNode* node)
{
    if (!node)
        return nullptr;
    if (auto* set = ZEntityCast<ZAnimationSet>(node->FindChildAnimationSet()))
        return set;
    for (ZNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        if (auto* set = ZEntityCast<ZAnimationSet>(c->FindChildAnimationSet()))
            return set;
    return nullptr;
}

void Play(ZAnimationSet* set, const char* name)
{
    if (!set)
        return;
    if (ZAnimation* animation = set->FindAnimation(ZNameId(name).Value()))
        set->Play(animation);
}

void SetDepth(ZNode* node, float z)
{
    if (auto* geom = ZEntityCast<ZGeom>(node))
    {
        const V3& p = geom->Position();
        geom->SetPositionXYZ(p.x, p.y, z);
    }
}

float Random(float a, float b)
{
    return RandomRange(a, b);
}
} // namespace

ZGameMainMenu::ZGameMainMenu()
{
    // Not picked while covered: the menu stays in view under the name entry and the dialogs,
    // and its buttons must not answer through them. The creatures watch the pointer's position,
    // which needs no picking.
}

ZGameMainMenu::~ZGameMainMenu()
{
    if (m_listensToName)
        g_profileName.RemoveListener(this);
    if (m_pointerListener)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    Listen(false);
}

double ZGameMainMenu::Now()
{
    return g_frameTimer ? g_frameTimer->now : 0.0;
}

int ZGameMainMenu::Build()
{
    ZGroup* root = GetRoot();
    if (ImportSceneFile(ZResourcePath("resources:mainmenu.xml"), root) != 0)
        std::fprintf(stderr, "Main menu: resources:mainmenu.xml is missing or broken; the menu stays empty\n");
    root->SetHidden(true);
    ZQuorvane::HideBackdrop(this);
    m_logo = root->FindNode("logo");
    if (m_logo)
        m_logo->SetFlags(kNodePickable | 0x20000);
    BuildCreatures();
    m_player = ZEntityCast<ZFontText>(root->FindNode("welcome_button/player"));
    if (m_player)
    {
        if (!m_listensToName)
        {
            g_profileName.AddListener(this);
            m_listensToName = true;
        }
        Refresh();
    }
    SetDepth(root->FindNode("welcome_button"), -150.0f);
    SetDepth(root->FindNode("foreground"), -70.0f);
    SetDepth(root->FindNode("exit_game_button"), -450.0f);
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[i] = ZEntityCast<ZButton2D>(root->FindNode(kButtonNames[i]));
    BuildCrabAndAnemone();
    return 0;
}

void ZGameMainMenu::BuildCreatures()
{
    m_creatureCount = 0;
    for (int i = 0; i < kCreatureCount; ++i)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "towermone_%i", i);
        ZGroup* group = ZAnimationSet::Load("resources:towermone.xml", name, 3, kCreatureAnims, kCreatureFiles, nullptr);
        auto* node = group ? ZEntityCast<ZGeom>(group->FindNode("towermone")) : nullptr;
        if (!node)
        {
            // The sea floor's creatures come with their own content; the menu works without them.
            if (group)
                group->Release();
            if (i == 0)
                std::fprintf(stderr, "Main menu: resources:towermone.xml has no \"towermone\"; no creatures\n");
            break;
        }
        const SPlacement& p = kPlacements[i];
        group->SetPositionXYZ(p.x, p.y, p.z);
        group->SetRotationZ(p.angle);
        group->SetScale(V3{p.scale, p.scale, p.scale});
        GetRoot()->AddChild(group);
        SCreature& c = m_creatures[m_creatureCount++];
        c.node = node;
        c.set = FindSet(node);
        if (c.set)
            c.set->SetRateForAll(Random(10.0f, 15.0f));
        c.position = V3{0.0f, 0.0f, 0.0f};
        node->LocalToWorld(c.position);
    }
}

void ZGameMainMenu::BuildCrabAndAnemone()
{
    ZGroup* root = GetRoot();
    static const char* const kAnemoneAnims[] = {"idle"};
    static const char* const kAnemoneFiles[] = {"resources:anemone_idle_loop.anm"};
    if (ZGroup* anemone = ZAnimationSet::Load("resources:anemone.xml", "anemone_group", 1, kAnemoneAnims,
                                              kAnemoneFiles, "idle"))
    {
        root->AddChild(anemone);
        anemone->SetPositionXYZ(kAnemoneX, kAnemoneY, -120.0f);
        m_anemoneSet = FindSet(anemone->FindNode("anemone"));
        Play(m_anemoneSet, "idle");
    }
    static const char* const kCrabAnims[] = {"enter", "idle"};
    static const char* const kCrabFiles[] = {"resources:menu_crab.anm", "resources:menu_crab_idle.anm"};
    ZGroup* crabGroup = ZAnimationSet::Load("resources:menu_crab.xml", "menu_crab_group", 2, kCrabAnims, kCrabFiles,
                                            nullptr);
    if (!crabGroup)
        return;
    root->AddChild(crabGroup);
    auto* crab = ZEntityCast<ZGeom>(crabGroup->FindNode("menu_crab"));
    if (!crab)
        return;
    m_crabSet = FindSet(crab);
    if (m_crabSet)
    {
        ZAnimation* enter = m_crabSet->FindAnimation(ZNameId("enter").Value());
        ZAnimation* idle = m_crabSet->FindAnimation(ZNameId("idle").Value());
        if (enter)
        {
            enter->loop = false;
            enter->next = idle;
        }
        if (idle)
            idle->loop = true;
    }
    if (auto* anchor = ZEntityCast<ZGeom>(root->FindNode("crab_position")))
    {
        V3 p{0.0f, 0.0f, 0.0f};
        anchor->LocalToWorld(p);
        crabGroup->WorldToLocal(p);
        crab->SetPositionXYZ(p.x + 10.0f, p.y - 36.0f, p.z - 30.0f);
    }
    m_eyes = SEyes{};
    m_eyes.crab = crab;
    AttachEyes();
}

void ZGameMainMenu::AttachEyes()
{
    static const char* const kStalks[2] = {"body/eyestalk_L/eyestalk_L01", "body/eyestalk_R/eyestalk_L02"};
    static const char* const kSides[2] = {"L", "R"};
    ZGeom* crab = m_eyes.crab;
    for (int side = 0; side < 2; ++side)
    {
        char path[128];
        std::snprintf(path, sizeof(path), "%s/eyelid_%s", kStalks[side], kSides[side]);
        m_eyes.lid[side] = crab->FindNode(path);
        std::snprintf(path, sizeof(path), "%s/eyelidClosed_%s", kStalks[side], kSides[side]);
        m_eyes.lidClosed[side] = crab->FindNode(path);
        for (ZNode* lid : {m_eyes.lid[side], m_eyes.lidClosed[side]})
            if (lid)
                if (ZAnimateGeom* anim = ZAnimateGeom::Create(lid))
                    anim->SetActive(true);
        if (m_eyes.lidClosed[side])
            m_eyes.lidClosed[side]->SetHidden(true);
        std::snprintf(path, sizeof(path), "%s/eyePupil_%s", kStalks[side], kSides[side]);
        m_eyes.pupil[side] = ZEntityCast<ZGeom>(crab->FindNode(path));
        if (m_eyes.pupil[side])
            m_eyes.pupilRest[side] = m_eyes.pupil[side]->Position();
    }
    m_eyes.stalkL = ZEntityCast<ZGeom>(crab->FindNode(kStalks[0]));
    m_eyes.nextBlink = Now() + Random(0.0f, 3.0f);
    m_eyes.nextGaze = -1.0e38;
    m_eyes.blinkFactor = 0.7f;
}

ZButton2D* ZGameMainMenu::FindMenuButton(const char* name) const
{
    for (int i = 0; i < kButtonCount; ++i)
        if (std::string(kButtonNames[i]) == name)
            return m_buttons[i];
    return nullptr;
}

void ZGameMainMenu::Listen(bool on)
{
    for (ZButton2D* button : m_buttons)
    {
        if (!button)
            continue;
        if (on)
            button->AddListener(this);
        else
            button->RemoveListener(this);
    }
}

void ZGameMainMenu::Refresh()
{
    if (m_player)
        m_player->SetText(g_profileName.GetValue().c_str());
}

void ZGameMainMenu::OnPropertyChanged(ZProperty* property)
{
    if (property == &g_profileName)
        Refresh();
}

void ZGameMainMenu::OnEnter()
{
    ShowRoot();
    Listen(true);
    ZMousePointer* pointer = ZMousePointer::GetInstance();
    if (!m_pointerListener)
    {
        pointer->AddListener(this);
        m_pointerListener = true;
    }
    const double now = Now();
    for (int i = 0; i < m_creatureCount; ++i)
    {
        SCreature& c = m_creatures[i];
        c.closedAt = -1.0e38;
        if (i % 2 == 0)
        {
            Play(c.set, "close");
            c.closed = true;
            c.reopenDelay = Random(1.5f, 4.5f);
            c.closedAt = now;
        }
        else
        {
            c.closed = false;
            Play(c.set, "idle");
        }
    }
    ShowBackground();
    Play(m_crabSet, now - m_lastShown <= kCrabIdleWithin ? "idle" : "enter");
    if (m_lastShown < -1.0e37)
    {
        // One line for whoever times the start-up.
        std::printf("Main menu: shown\n");
        std::fflush(stdout);
    }
    m_lastShown = now;
    if (g_engine && g_engine->GetRender())
        g_engine->GetRender()->SetScreenSpriteShown(false);
    if (ZToolTipManager* tips = ZToolTipManager::PeekInstance())
    {
        tips->SetEnabled(true);
        pointer->AddListener(tips);
    }
    Refresh();
}

void ZGameMainMenu::ShowBackground()
{
    ZBackground* background = ZBackground::PeekInstance();
    if (!background)
        return;
    background->SetReference(GetRoot());
    background->SetTheme(-1);
    background->Show(true);
}

void ZGameMainMenu::OnGainFocus()
{
    ShowBackground();
}

void ZGameMainMenu::OnLeave()
{
    Listen(false);
    HideRoot();
    if (g_engine && g_engine->GetRender())
        g_engine->GetRender()->SetScreenFade(1.0f);
    if (m_pointerListener)
        if (ZMousePointer* pointer = ZMousePointer::PeekInstance())
            pointer->RemoveListener(this);
    m_pointerListener = false;
    if (g_engineStats.GetValue())
        if (ZStatsLog* log = ZStatsLog::PeekInstance(); log && log->BeginRecord("mainmenu"))
        {
            const double seconds = Now() - GetTimeEntered();
            log->SetFloat("time-spent", float(seconds));
            const uint32_t frames = g_engine && g_engine->GetRender()
                                        ? g_engine->GetRender()->GetFrameCount() - GetFrameEntered()
                                        : 0;
            log->SetFloat("fps", seconds > 0.0 ? float(frames / seconds) : 0.0f);
            log->Flush();
            log->WriteSessionUpdate();
        }
}

void ZGameMainMenu::Update(double dt)
{
    (void)dt;
    UpdateCreatures();
    UpdateEyes();
}

void ZGameMainMenu::UpdateCreatures()
{
    ZMousePointer* pointer = ZMousePointer::PeekInstance();
    if (!pointer)
        return;
    const double now = Now();
    for (int i = 0; i < m_creatureCount; ++i)
    {
        SCreature& c = m_creatures[i];
        const float dx = pointer->GetX() - c.position.x, dy = pointer->GetY() - c.position.y;
        const bool near = std::sqrt(dx * dx + dy * dy) < kCreatureReach;
        if (!c.closed && near)
        {
            Play(c.set, "close");
            c.closed = true;
            c.closedAt = now;
            c.reopenDelay = Random(1.0f, 4.0f);
        }
        else if (c.closed && near)
            c.closedAt = now;
        else if (c.closed && now - c.closedAt > double(c.reopenDelay))
        {
            Play(c.set, "open");
            c.closed = false;
        }
    }
}

void ZGameMainMenu::UpdateEyes()
{
    SEyes& e = m_eyes;
    if (!e.crab)
        return;
    const double now = Now();
    if (now > e.nextBlink)
    {
        for (ZNode* lid : e.lidClosed)
            if (lid)
                lid->SetHidden(false);
        e.nextBlink = now + double(RandomFloat() * e.blinkFactor);
    }
    const double t = now - e.gazeChanged;
    if (t >= 0.2)
    {
        if (now >= e.nextGaze)
        {
            e.gaze = e.nextGazePoint;
            e.nextGazePoint = V2{Random(-400.0f, 400.0f), Random(-300.0f, 300.0f)};
            e.gazeChanged = now;
            e.nextGaze = now + double(Random(0.4f, 3.4f));
        }
    }
    V2 gaze = e.gaze;
    if (t < 0.2)
    {
        const float f = float(std::fmin(std::fmax(t / 0.2, 0.0), 1.0));
        gaze = V2{e.gaze.x + (e.nextGazePoint.x - e.gaze.x) * f, e.gaze.y + (e.nextGazePoint.y - e.gaze.y) * f};
    }
    if (ZMousePointer* pointer = ZMousePointer::PeekInstance(); pointer && e.stalkL && e.pupil[0])
    {
        V3 p{pointer->GetX(), pointer->GetY(), 0.0f};
        e.stalkL->WorldToLocal(p);
        p.z = e.pupilRest[0].z;
        const float dx = p.x - e.pupilRest[0].x, dy = p.y - e.pupilRest[0].y;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d < 30.0f)
        {
            if (e.blinkFactor == 6.0f)
                e.nextBlink = now;
            e.blinkFactor = 0.7f;
        }
        else
            e.blinkFactor = 6.0f;
        const SPointerState& s = pointer->GetState();
        if (d < 200.0f || std::sqrt(s.dx * s.dx + s.dy * s.dy) > 60.0f)
        {
            gaze = e.gaze = e.nextGazePoint = V2{pointer->GetX(), pointer->GetY()};
            e.nextGaze = now + double(Random(0.6f, 1.6f));
        }
    }
    for (int side = 0; side < 2; ++side)
    {
        ZGeom* pupil = e.pupil[side];
        if (!pupil)
            continue;
        V3 target{gaze.x, gaze.y, 0.0f};
        if (ZNode* parent = pupil->GetParent(); parent && parent->IsA<ZGeom>())
            static_cast<ZGeom*>(parent)->WorldToLocal(target);
        float vx = target.x - e.pupilRest[side].x, vy = target.y - e.pupilRest[side].y;
        const float len = std::sqrt(vx * vx + vy * vy);
        if (len > 1.0f / 8192.0f)
            pupil->SetPositionXYZ(e.pupilRest[side].x + vx / len * 7.0f, e.pupilRest[side].y + vy / len * 7.0f,
                                  e.pupilRest[side].z);
    }
}

void ZGameMainMenu::StartPlay(bool relaxed)
{
    if (!m_campaign)
    {
        std::printf("Main menu: %s play hands over to the campaign control, which this build does not have yet\n",
                    relaxed ? "relaxed" : "timed");
        return;
    }
    ZProfileManager* profiles = ZProfileManager::PeekInstance();
    if (profiles && profiles->GetProfileCount() > 0)
    {
        const int index = profiles->GetCurrentIndex() >= 0 ? profiles->GetCurrentIndex() : 0;
        // Timed play always takes the profile itself: after a relaxed game the current one is
        // the "untimed" sub-profile, and timed progress must not go into it.
        profiles->SelectProfile(index, relaxed ? kRelaxSubProfile : nullptr, true);
    }
    g_profileRelaxMode.SetValue(relaxed);
    if (ZGame* game = ZGame::PeekInstance())
        game->ClearStates(m_campaign);
}

void ZGameMainMenu::OnClicked(ZButton2D* button)
{
    if (!button)
        return;
    const bool shown = !GetRoot()->IsHidden();
    auto open = [](ZGameState* state) {
        if (state)
            ZGame::GotoState(state);
    };
    if (button == m_buttons[kPlay] || button == m_buttons[kRelax])
    {
        if (shown)
            StartPlay(button == m_buttons[kRelax]);
    }
    else if (button == m_buttons[kExit])
    {
        if (shown)
        {
            if (ZProfileManager* profiles = ZProfileManager::PeekInstance())
                profiles->SaveProfile();
            if (g_engine && g_engine->GetMainConfig())
                g_engine->GetMainConfig()->Save();
        }
        if (g_engine)
            g_engine->SetFlags(kEngineQuit);
    }
    else if (button == m_buttons[kSettings])
        open(m_settings);
    else if (button == m_buttons[kWelcome])
        open(m_profiles);
    else if (button == m_buttons[kHighscores])
        open(m_highscores);
    else if (button == m_buttons[kHelp])
        open(m_help);
}

void ZGameMainMenu::OnLeftDownAfter(const SPointerState& state, ZNode* target, bool* handled)
{
    (void)state, (void)handled;
    ZGame* game = ZGame::PeekInstance();
    if (!m_logo || !m_credits || !game || game->GetTopState() != this)
        return;
    if (target == m_logo || (target && target->IsDescendantOf(m_logo)))
        ZGame::GotoState(m_credits);
}
