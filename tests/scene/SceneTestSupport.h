#pragma once
// Shared doubles of the scene tests: nodes that log their updates and phases, and the shared
// fresh-scene fixture with their log cleared.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scene/ZGeom.h"
#include "engine/scene/ZSceneTree.h"
#include "tests/support/ClockedScene.h"

inline std::vector<std::string>& SceneLog()
{
    static std::vector<std::string> log;
    return log;
}

// A group that logs "name" when updated and "name:pN" when a start-up phase reaches it; an
// optional action runs inside its update.
class LogNode : public ZGroup
{
public:
    explicit LogNode(const char* name) { SetName(name); }
    void Update() override
    {
        SceneLog().push_back(GetName());
        if (onUpdate)
            onUpdate(this);
        ZGroup::Update();
    }
    void EnterPhase1() override
    {
        SceneLog().push_back(std::string(GetName()) + ":p1");
        ZGroup::EnterPhase1();
    }
    void EnterPhase2() override
    {
        SceneLog().push_back(std::string(GetName()) + ":p2");
        ZGroup::EnterPhase2();
    }
    void EnterPhase3() override
    {
        SceneLog().push_back(std::string(GetName()) + ":p3");
        ZGroup::EnterPhase3();
    }
    void (*onUpdate)(LogNode*) = nullptr;
};

// The shared fresh scene tree (tests/support/ClockedScene.h), with the update log cleared.
class SceneTest : public qvtest::SceneTest
{
protected:
    void SetUp() override
    {
        SceneLog().clear();
        qvtest::SceneTest::SetUp();
    }
};
