#pragma once
// An engine with a recording renderer, a window input layer fed by the test, the "sprite" shader and
// a clock the test drives; frames run the input dispatch and the scene update as the engine does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/ZEngineSettings.h"
#include "engine/app/ZGameEngine.h"
#include "engine/app/ZInput.h"
#include "engine/core/ZFrameTimer.h"
#include "engine/fs/ZFileSystem.h"
#include "engine/fs/ZMountTable.h"
#include "engine/render/resources/ZShaderLibrary.h"
#include "engine/scene/ZSceneTree.h"
#include "engine/scene/ZSprite.h"
#include "engine/ui/ZLayer2D.h"
#include "engine/ui/ZMousePointer.h"
#include "engine/ui/ZSprite2D.h"
#include "tests/support/RecordingRender.h"

extern bool g_engineStartingUp;

namespace uitest
{
class UiEngine : public ZGameEngine
{
public:
    UiEngine() { SetNames("Quorvane", "quorvane"); }
    bool CheckSingleInstance() override { return true; }
};

class UiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        table.AddMount("shaders", (std::string(QV_FIXTURES) + "/render").c_str());
        // The engine deletes the file system, the renderer and the input module it finds.
        new ZFileSystem(&table);
        engine = new UiEngine();
        engine->CreateCoreObjects();
        g_engineStartingUp = false;
        render = new test::RecordingRender();
        engine->SetRender(render);
        render->Init(800, 600, true, nullptr);
        input = new ZInputWindows();
        input->SetMouseEnabled(true);
        engine->SetInput(input);
        ZShaderLibrary::GetInstance()->ParseDefinitions("shaderdef sprite\nshadercode sprite_code\ncolor 0 "
                                                        "base 1,1,1,1\nbool 18 texturemodulate true\nend\n");
        ZRenderBase::RegisterDrawClass({&ZSprite::kTypeRecord, EDrawKind::Sprite, nullptr, nullptr,
                                        [](ZNode* node)
                                        { return static_cast<ZSprite*>(node)->GetMaterial(); }});
        g_frameTimer->now = 10.0;
        test::Log().clear();
    }
    void TearDown() override
    {
        delete engine;
        engine = nullptr;
        g_renderWidthActual.Reset(false);
        g_renderHeightActual.Reset(false);
        g_mouseAlwaysMove.Reset(false);
        g_mouseHoverTolerance.Reset(false);
    }

    // One frame: the clock, the input dispatch, the scene update with its deferred deletions.
    void Frame(double seconds = 0.02)
    {
        g_frameTimer->now += seconds;
        g_frameTimer->frameDelta = seconds;
        input->Update();
        ZSceneTree::GetInstance()->Update();
    }
    // Moves the pointer to window pixels (y downwards) and runs a frame.
    void MoveTo(float x, float y)
    {
        input->QueueMouseMove(x, y);
        Frame();
    }
    // The same for a logical point (centre origin, y up) at the default 800 x 600.
    void MoveToLogical(float x, float y) { MoveTo(x + 400.0f, 300.0f - y); }
    void Press(uint32_t button = 0)
    {
        input->QueueButtonDown(button);
        input->Update();
    }
    void Release(uint32_t button = 0)
    {
        input->QueueButtonUp(button);
        input->Update();
    }

    // A pickable 2D sprite of the given size at a logical position and depth.
    ZSprite2D* Sprite(const char* name, ZNode* parent, float x, float y, float z, float w = 100.0f,
                      float h = 100.0f)
    {
        ZSprite2D* sprite = ZSprite2D::Create();
        sprite->SetName(name);
        sprite->SetSize(w, h);
        sprite->SetPositionXYZ(x, y, z);
        sprite->SetFlags(kNodePickable);
        parent->AddChild(sprite);
        return sprite;
    }

    ZMountTable table;
    UiEngine* engine = nullptr;
    test::RecordingRender* render = nullptr;
    ZInputWindows* input = nullptr;
};

// Records every pointer event as "event:node" ("-" for no node).
class RecordingListener : public IMousePointerListener
{
public:
    explicit RecordingListener(std::vector<std::string>& log, const char* tag = "") : m_log(log), m_tag(tag)
    {
    }

    void OnMouseMove(const SPointerState& s, ZNode* n, bool* h) override { Note("move", n, h, s); }
    void OnLeftDown(const SPointerState& s, ZNode* n, bool* h) override { Note("ldown", n, h, s); }
    void OnLeftUp(const SPointerState& s, ZNode* n, bool* h) override { Note("lup", n, h, s); }
    void OnMouseOver(const SPointerState& s, ZNode* n, bool* h) override { Note("over", n, h, s); }
    void OnMouseOut(const SPointerState& s, ZNode* n, bool* h) override { Note("out", n, h, s); }
    void OnLeftDownAfter(const SPointerState& s, ZNode* n, bool* h) override { Note("lafter", n, h, s); }
    void OnRightDownAfter(const SPointerState& s, ZNode* n, bool* h) override { Note("rafter", n, h, s); }
    void OnRightDown(const SPointerState& s, ZNode* n, bool* h) override { Note("rdown", n, h, s); }
    void OnRightUp(const SPointerState& s, ZNode* n, bool* h) override { Note("rup", n, h, s); }
    void OnHoverStart(const SPointerState& s, ZNode* n) override { Note("hoverstart", n, nullptr, s); }
    void OnHoverEnd(const SPointerState& s, ZNode* n) override { Note("hoverend", n, nullptr, s); }
    bool WantsAllTargets() override { return wantsAll; }

    // Events (by name) this listener reports handled, and one on which it stops the delivery.
    std::vector<std::string> handles;
    std::string stops;
    bool wantsAll = false;
    float lastX = 0.0f, lastY = 0.0f;

private:
    void Note(const char* what, ZNode* node, bool* handled, const SPointerState& state)
    {
        const char* name = node ? node->GetName() : nullptr;
        m_log.push_back(m_tag + what + ":" + (node ? (name ? name : "?") : "-"));
        lastX = state.x;
        lastY = state.y;
        for (const std::string& h : handles)
        {
            if (h == what && handled)
                *handled = true;
        }
        if (stops == what)
            ZMousePointer::GetInstance()->StopDelivery();
    }

    std::vector<std::string>& m_log;
    std::string m_tag;
};
} // namespace uitest
