// qv_decorview out=<file.png> [scene=background|menu|credits|help] [theme=-1..5] [seconds=3]
//   [nofish=1] [nowhale=1] [nobubbles=1] [at=<seconds into the whale's swim>] [view2d=0|1]
// Starts the engine on the assembled game folder (engineroot=<build>/home), builds the
// underwater background, shows the chosen scene over it, runs it for the given seconds and
// writes a screenshot. Exit code 0 when the picture was written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/app/ZEngineMain.h"
#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZEngineWintel.h"
#include "engine/app/ZGame.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZGameState.h"
#include "engine/controllers/ZAnimationSet.h"
#include "engine/core/ZAllocBase.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/core/ZNameId.h"
#include "engine/core/ZPropertyManager.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/IRender.h"
#include "engine/render/resources/ZAnimTexture.h"
#include "engine/render/resources/ZMaterial.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZBoidGroup.h"
#include "engine/scene/ZCamera.h"
#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "game/decoration/ZBackground.h"
#include "game/screens/ZCredits.h"
#include "game/screens/ZGameHelpMenu.h"

namespace
{
struct SOptions
{
    std::string out = "decorview.png";
    std::string scene = "background";
    int theme = -1;
    double seconds = 3.0;
    double whaleAt = -1.0;
    bool noFish = false, noWhale = false, noBubbles = false;
    bool in2DView = true;
} g_options;

ZPropertyBool g_viewFish("zelk.disablefish", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_viewWhale("zelk.disablewhale", "", "", 0, ZProperty::kNoGroup, false);
ZPropertyBool g_viewBubbles("zelk.disablebubbles", "", "", 0, ZProperty::kNoGroup, false);

// The game defines the switches; the viewer's own stand in when it does not.
void SetSwitch(const char* key, bool on)
{
    if (ZPropertyBool* setting = ZPropertyManager::GetInstance()->FindTyped<bool>(key))
        setting->SetValue(on);
}

// The sea floor of the main menu as the viewer lays it out: six tube creatures, the anemone and
// the crab, each playing its animations.
class ZSeaFloorState : public ZGameState
{
public:
    const char* GetName() const override { return "ZSeaFloorState"; }
    int Build() override
    {
        static const char* const towerAnims[] = {"idle", "open", "close"};
        static const char* const towerFiles[] = {"resources:towermone_idle.anm", "resources:towermone_open.anm",
                                                 "resources:towermone_close.anm"};
        const float placements[6][4] = {{40, -300, 0.8f, -0.03f},  {95, -290, 0.7f, -0.09f},
                                        {150, -312, 1.1f, -0.09f}, {205, -282, 0.75f, -0.12f},
                                        {255, -272, 0.9f, -0.09f}, {310, -262, 1.0f, -0.12f}};
        for (int i = 0; i < 6; ++i)
        {
            char name[32];
            std::snprintf(name, sizeof(name), "towermone_%i", i);
            ZGroup* group = ZAnimationSet::Load("resources:towermone.xml", name, 3, towerAnims, towerFiles, nullptr);
            group->SetPositionXYZ(placements[i][0], placements[i][1], 0.0f);
            group->SetRotationZ(placements[i][3]);
            group->SetScale(V3{placements[i][2], placements[i][2], placements[i][2]});
            GetRoot()->AddChild(group);
            Play(group->FindNode("towermone"), i % 2 ? "idle" : "close");
        }
        static const char* const anemoneAnims[] = {"idle"};
        static const char* const anemoneFiles[] = {"resources:anemone_idle_loop.anm"};
        ZGroup* anemone =
            ZAnimationSet::Load("resources:anemone.xml", "anemone_group", 1, anemoneAnims, anemoneFiles, nullptr);
        anemone->SetPositionXYZ(-318.0f, -250.0f, -5.0f);
        GetRoot()->AddChild(anemone);
        Play(anemone->FindNode("anemone"), "idle");
        static const char* const crabAnims[] = {"enter", "idle"};
        static const char* const crabFiles[] = {"resources:menu_crab.anm", "resources:menu_crab_idle.anm"};
        ZGroup* crab = ZAnimationSet::Load("resources:menu_crab.xml", "menu_crab_group", 2, crabAnims, crabFiles, nullptr);
        GetRoot()->AddChild(crab);
        if (auto* node = ZEntityCast<ZGeom>(crab->FindNode("menu_crab")))
        {
            node->SetPositionXYZ(-150.0f, -236.0f, -10.0f);
            // The menu keeps the closed lids hidden until a blink.
            for (const char* lid : {"body/eyestalk_L/eyestalk_L01/eyelidClosed_L", "body/eyestalk_R/eyestalk_L02/eyelidClosed_R"})
                if (ZNode* closed = node->FindNode(lid))
                    closed->SetHidden(true);
            if (auto* set = ZEntityCast<ZAnimationSet>(node->FindChildAnimationSet()))
            {
                ZAnimation* enter = set->FindAnimation(ZNameId("enter").Value());
                ZAnimation* idle = set->FindAnimation(ZNameId("idle").Value());
                if (enter && idle)
                {
                    enter->loop = false;
                    enter->next = idle;
                    set->Play(enter);
                }
            }
        }
        return 0;
    }

private:
    static void Play(ZNode* node, const char* name)
    {
        auto* set = node ? ZEntityCast<ZAnimationSet>(node->FindChildAnimationSet()) : nullptr;
        if (ZAnimation* animation = set ? set->FindAnimation(ZNameId(name).Value()) : nullptr)
            set->Play(animation);
    }
};

class ZViewGame : public ZGame
{
public:
    void Update(double dt) override
    {
        ZGame::Update(dt);
        if (m_done || !g_engine || !g_frameTimer)
            return;
        if (m_start < 0.0)
            m_start = g_frameTimer->now;
        if (g_frameTimer->now - m_start < g_options.seconds)
            return;
        m_done = true;
        if (ZBackground* background = ZBackground::PeekInstance())
        {
            std::printf("decorview: theme %i, %zu bubble columns, fish school %s, whale %s\n",
                        background->GetTheme(), background->GetColumnCount(),
                        background->GetBoidGroup() && background->GetBoidGroup()->IsActive() ? "swimming" : "absent",
                        background->GetWhaleNode() && background->GetWhaleNode()->IsActive() ? "swimming" : "absent");
            auto* fishTemplate = ZEntityCast<ZSprite>(ZSceneTree::GetInstance()->FindNode("particletemplates/boidtemplate"));
            std::printf("decorview: fish template %s, material %p\n", fishTemplate ? "found" : "missing",
                        fishTemplate ? static_cast<void*>(fishTemplate->GetMaterial()) : nullptr);
            if (ZSurfaceLight* light = background->GetSurfaceLight())
                for (int i : {0, 1})
                    if (ZSprite* beam = light->GetBeam(i))
                    {
                        ZMaterial* m = beam->GetMaterial();
                        ZTextureResource* t = m ? m->GetTexture(0) : nullptr;
                        std::printf("decorview: beam %i size %.0fx%.0f scale %.2f %.2f texture %p loaded %i %ix%i hidden %i alpha %.2f\n",
                                    i, beam->GetSize().x, beam->GetSize().y, beam->GetScale().x, beam->GetScale().y,
                                    static_cast<void*>(t), t ? int(t->IsLoaded()) : -1, t ? t->GetImageWidth() : 0,
                                    t ? t->GetImageHeight() : 0, int(beam->IsHidden()), beam->GetAlpha());
                    }
            for (const char* name : {"material_boid_fish", "material_bubble", "material_bubble_small"})
            {
                ZMaterial* m = ZMaterial::Find(name);
                std::printf("decorview: %s %p texture %p\n", name, static_cast<void*>(m),
                            m ? static_cast<void*>(m->GetTexture(0)) : nullptr);
            }
            if (ZSprite* fish = background->GetFish(0); fish && fish->GetMaterial())
            {
                ZMaterial* m = fish->GetMaterial();
                ZTextureResource* t = m->GetTexture(0);
                auto* strip = ZEntityCast<ZAnimTexture>(t);
                const _M44& tm = m->GetTextureMatrix(0);
                std::printf("decorview: fish 0 texture %p loaded %i frames %i, colour %.2f %.2f %.2f %.2f, matrix %.2f %.2f "
                            "%.2f %.2f set %i\n",
                            static_cast<void*>(t), t ? int(t->IsLoaded()) : -1, strip ? strip->GetFrameCount() : -1,
                            m->GetColor(0).x, m->GetColor(0).y, m->GetColor(0).z, m->GetColor(0).w, tm.m[0][0],
                            tm.m[1][1], tm.m[2][0], tm.m[2][1], int(m->IsTextureMatrixSet(0)));
            }
            if (ZSprite* fish = background->GetFish(0))
                std::printf("decorview: fish 0 at %.0f, %.0f, alpha %.2f, hidden %i\n", fish->Position().x,
                            fish->Position().y, fish->GetAlpha(), int(fish->IsHidden()));
        }
        uint32_t width = 0, height = 0;
        IRender* render = g_engine->GetRender();
        uint32_t* pixels = render ? render->GrabScreen(width, height) : nullptr;
        if (pixels)
        {
            m_written = ZEngineWintel::WritePng(g_options.out.c_str(), pixels, width, height) == 0;
            GetAllocHook()->Free(pixels);
        }
        std::printf("decorview: %s %s (%ux%u)\n", m_written ? "wrote" : "could not write", g_options.out.c_str(),
                    width, height);
        g_engine->SetFlags(kEngineQuit);
    }
    bool m_written = false;

private:
    double m_start = -1.0;
    bool m_done = false;
};

class ZDecorViewEngine : public ZGameEngine
{
public:
    ZDecorViewEngine()
    {
        m_logicalWidth = 800.0f;
        m_logicalHeight = 600.0f;
    }
    ~ZDecorViewEngine() override
    {
        // Screens go before the scene they live in.
        ZCredits::DestroyInstance();
        ZGameHelpMenu::DestroyInstance();
        delete m_floor;
        m_floor = nullptr;
        delete m_view;
        m_view = nullptr;
    }
    int CreateGame() override
    {
        g_renderWidth.SetValue(800);
        g_renderHeight.SetValue(600);
        m_view = new ZViewGame();
        SetGame(m_view);
        return 0;
    }
    int StartServices() override
    {
        if (ImportSceneFile(ZResourcePath("resources:resources.xml"), nullptr) != 0)
            std::fprintf(stderr, "decorview: resources:resources.xml did not load\n");
        SetSwitch("zelk.disablefish", g_options.noFish);
        SetSwitch("zelk.disablewhale", g_options.noWhale);
        SetSwitch("zelk.disablebubbles", g_options.noBubbles);
        ZBackground* background = ZBackground::GetInstance();
        if (background->Build() != 0)
            std::fprintf(stderr, "decorview: the background did not build\n");
        // Until the screen view stops wiping the main view's picture, the 2D view can draw it.
        if (g_options.in2DView)
        {
            ZCamera* camera = background->GetCamera();
            if (ICameraView* view = camera ? camera->GetView() : nullptr)
                view->RemoveCamera(camera);
            if (ZLayer2DManager* layers = ZLayer2DManager::GetInstance(); layers && camera)
                layers->AddToScreenView(camera);
        }
        background->SetTheme(g_options.theme);
        background->Show(true);
        if (g_options.whaleAt >= 0.0 && background->GetWhaleMover())
            background->GetWhaleMover()->Start(g_frameTimer->now - g_options.whaleAt);
        ZGameState* state = nullptr;
        if (g_options.scene == "menu")
            state = m_floor = new ZSeaFloorState();
        else if (g_options.scene == "credits")
            state = ZCredits::GetInstance();
        else if (g_options.scene == "help")
            state = ZGameHelpMenu::GetInstance();
        if (state)
        {
            if (ZLayer2DManager* layers = ZLayer2DManager::GetInstance())
                if (ZLayer2D* layer = layers->GetCurrentLayer())
                    layer->AddChild(state->GetRoot());
            ZGame::GotoState(state);
        }
        return 0;
    }
    ZViewGame* m_view = nullptr;
    ZSeaFloorState* m_floor = nullptr;
};
} // namespace

template <> const char* ZEngineFactoryTempl<ZDecorViewEngine>::displayName = "Quorvane decoration view";
template <> const char* ZEngineFactoryTempl<ZDecorViewEngine>::keyName = "quorvane";

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string word = argv[i];
        const size_t eq = word.find('=');
        const std::string key = word.substr(0, eq), value = eq == std::string::npos ? "1" : word.substr(eq + 1);
        if (key == "out")
            g_options.out = value;
        else if (key == "scene")
            g_options.scene = value;
        else if (key == "theme")
            g_options.theme = std::atoi(value.c_str());
        else if (key == "seconds")
            g_options.seconds = std::atof(value.c_str());
        else if (key == "at")
            g_options.whaleAt = std::atof(value.c_str());
        else if (key == "view2d")
            g_options.in2DView = value == "1";
        else if (key == "nofish")
            g_options.noFish = value == "1";
        else if (key == "nowhale")
            g_options.noWhale = value == "1";
        else if (key == "nobubbles")
            g_options.noBubbles = value == "1";
    }
    // The frame-time overlay would cover part of the picture.
    const char* words[] = {"--engine.render.overlays=false"};
    const int code = RunEngine(1, words, ZEngineFactoryTempl<ZDecorViewEngine>::Get());
    return code;
}
