// The ability button and the tool belt through the real pointer with synthetic mouse input:
// dragging the icon arms the held ability, a firing answers the button (consumed and a fresh
// instance, or cancelled and home), the belt shows and spends the inventory's counts, and the
// slot count hides and empties slots.
#include <gtest/gtest.h>

#include "AbilityTestSupport.h"
#include "engine/import/ZSceneXMLImport2.h"
#include "engine/scene/ZFontText.h"
#include "engine/ui/ZToolTipManager.h"
#include "game/dive/crew/ZToolBelt.h"
#include "game/dive/model/ZTile.h"
#include "tests/support/UiTestSupport.h"

using abilitytest::NumSlots;
using abilitytest::Slot;

namespace
{
constexpr int kSwap = 3, kLessAir2 = 16, kAir = 17, kAir2 = 18, kSkipLevel = 26;

class AbilityButtonTest : public uitest::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_EQ(engine->CreateLayers(), 0);
        layer = ZLayer2DManager::GetInstance()->GetCurrentLayer();
        ZMousePointer* pointer = ZMousePointer::GetInstance();
        ZSceneTree::GetInstance()->EnterPhase2();
        pointer->SetLayerCamera(layer->camera);
        MoveToLogical(-390.0f, 290.0f);
        NumSlots()->Reset(false);
        for (int i = 0; i < 5; ++i)
            Slot(i)->Reset(false);
        SetAbilityDive(&dive);
        manager = ZAbilityManager::GetInstance();
        inventory = ZInventory::GetInstance();
    }
    void TearDown() override
    {
        belt.reset();
        ZInventory::DestroyInstance();
        ZAbilityManager::DestroyInstance();
        SetAbilityDive(nullptr);
        UiTest::TearDown();
    }
    // A button at a logical point with its background and its "icon" child, as a layout makes it.
    template <class T> T* MakeButton(const char* name, float x, float y, ZNode* parent = nullptr)
    {
        T* button = T::Create();
        button->SetName(name);
        button->SetPositionXYZ(x, y, 2.0f);
        (parent ? parent : layer->group)->AddChild(button);
        Sprite("idle", button, 0.0f, 0.0f, 1.0f, 60.0f, 60.0f);
        Sprite("icon", button, 0.0f, 0.0f, 0.0f, 40.0f, 40.0f)->ClearFlags(kNodePickable);
        if constexpr (std::is_same_v<T, ZToolBeltButton>)
        {
            auto* count = new ZFontText();
            count->SetName("count");
            button->AddChild(count);
        }
        button->SetProperty(ZNameId("idle").Value(), "idle", "idle");
        button->OnLoaded();
        return button;
    }
    // Press on the button's icon, drag to the point and release there.
    void DragIcon(float fromX, float fromY, float toX, float toY)
    {
        MoveToLogical(fromX, fromY);
        Press();
        MoveToLogical((fromX + toX) / 2, (fromY + toY) / 2);
        MoveToLogical(toX, toY);
        Release();
        Frame();
    }

    ZLayer2D* layer = nullptr;
    abilitytest::RecordingDive dive;
    ZAbilityManager* manager = nullptr;
    ZInventory* inventory = nullptr;
    std::unique_ptr<ZToolBelt> belt;
    ZTileList tiles;
};
} // namespace

TEST_F(AbilityButtonTest, AButtonWithoutAnItemShowsNoIconAndArmsNothing)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    ASSERT_NE(button->GetIcon(), nullptr);
    EXPECT_TRUE(button->GetIcon()->IsHidden());
    EXPECT_EQ(button->GetItem(), -1);
    DragIcon(0.0f, 0.0f, 100.0f, 100.0f);
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    button->SetItem(99);
    EXPECT_EQ(button->GetItem(), -1);
    EXPECT_EQ(button->GetAbility(), nullptr);
}

TEST_F(AbilityButtonTest, DraggingTheIconArmsTheHeldAbilityAndTheDragEndBringsTheIconHome)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kAir);
    EXPECT_FALSE(button->GetIcon()->IsHidden());
    ZAbility* held = button->GetAbility();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(button->IsDropAnywhere());
    EXPECT_EQ(button->GetDragObject()->GetPayload(), held);

    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(80.0f, 40.0f);
    EXPECT_EQ(manager->GetArmedAbility(), held);
    EXPECT_FALSE(button->IsIconAtHome());
    V3 at;
    button->GetIcon()->GetPosition(at);
    EXPECT_NEAR(at.x, 80.0f, 1.0f);
    Release();
    Frame();
    EXPECT_TRUE(button->IsIconAtHome());
    button->GetIcon()->GetPosition(at);
    EXPECT_NEAR(at.x, 0.0f, 0.01f);
    // Still armed: the drop target or the board decides what the drop does.
    EXPECT_EQ(manager->GetArmedAbility(), held);
    manager->DisarmAbility();
}

TEST_F(AbilityButtonTest, AOneShotFiredFromTheButtonIsReleasedOnceAndTheButtonHoldsAFreshOne)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kAir2);
    ZAbility* first = button->GetAbility();
    ZAbilityFactoryBase* factory = first->GetFactory();
    DragIcon(0.0f, 0.0f, 50.0f, 50.0f);
    ASSERT_EQ(manager->GetArmedAbility(), first);
    const size_t pooled = factory->GetPoolSize();

    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_FLOAT_EQ(dive.airAdded, 120.0f);
    // The manager gave the used instance back; the button let go of it and holds another.
    ZAbility* fresh = button->GetAbility();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, first);
    const size_t afterFiring = factory->GetPoolSize();
    EXPECT_EQ(afterFiring, std::max<size_t>(pooled, 1));
    // Changing the item gives back only the instance the button holds, once.
    button->SetItem(kAir);
    EXPECT_EQ(factory->GetPoolSize(), afterFiring + 1);
    ZAbility* a = factory->Create();
    ZAbility* b = factory->Create();
    EXPECT_NE(a, b);
    EXPECT_TRUE((a == first && b == fresh) || (a == fresh && b == first) || afterFiring > 1);
    factory->Release(a);
    factory->Release(b);
}

TEST_F(AbilityButtonTest, ALastingAbilityFiredFromAButtonLeavesItHoldingANewReadyInstance)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kLessAir2);
    ZAbility* first = button->GetAbility();
    DragIcon(0.0f, 0.0f, 50.0f, 50.0f);
    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_TRUE(manager->IsRunning(kLessAir2));
    ZAbility* fresh = button->GetAbility();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, first);
    EXPECT_FALSE(fresh->IsRunning());
    EXPECT_EQ(manager->GetRunning()[0], first);
    // The running one ends on its own clock, and the button's instance stays its own.
    manager->updateCooldowns(31.0f);
    EXPECT_FALSE(manager->IsRunning(kLessAir2));
    EXPECT_EQ(button->GetAbility(), fresh);
}

TEST_F(AbilityButtonTest, AFailedOrCancelledUseReturnsTheIconAndKeepsTheInstance)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kSkipLevel);
    ZAbility* held = button->GetAbility();
    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(60.0f, 60.0f);
    ASSERT_EQ(manager->GetArmedAbility(), held);
    manager->DisarmAbility();
    EXPECT_TRUE(button->IsIconAtHome());
    EXPECT_FALSE(button->GetDragObject()->IsDragging());
    EXPECT_EQ(button->GetAbility(), held);
    Release();
    Frame();
}

TEST_F(AbilityButtonTest, ADisabledButtonDimsItsIconAndCannotBeDragged)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kAir);
    button->SetEnabled(false);
    EXPECT_FLOAT_EQ(button->GetIcon()->GetAlpha(), 0.35f);
    DragIcon(0.0f, 0.0f, 50.0f, 50.0f);
    EXPECT_EQ(manager->GetArmedAbility(), nullptr);
    button->SetEnabled(true);
    EXPECT_FLOAT_EQ(button->GetIcon()->GetAlpha(), 1.0f);
}

TEST_F(AbilityButtonTest, TheToolBeltShowsCountsArmsFromTheSlotAndSpendsTheInventory)
{
    NumSlots()->SetValue(3);
    auto* root = ZGroup::Create();
    root->SetName("toolbelt");
    layer->group->AddChild(root);
    ZToolBeltButton* buttons[5] = {};
    for (int i = 0; i < 5; ++i)
    {
        auto* slot = ZGroup::Create();
        slot->SetName(("slot_" + std::to_string(i)).c_str());
        slot->SetPositionXYZ(-300.0f + 80.0f * float(i), -200.0f, 0.0f);
        root->AddChild(slot);
        buttons[i] = MakeButton<ZToolBeltButton>("button", 0.0f, 0.0f, slot);
        buttons[i]->SetProperty(ZNameId("slot").Value(), "slot", std::to_string(i).c_str());
        buttons[i]->OnLoaded();
    }
    Slot(4)->SetValue("air");
    belt = std::make_unique<ZToolBelt>();
    belt->Load(root);
    EXPECT_FALSE(belt->GetSlotNode(3)->IsActive());
    EXPECT_TRUE(belt->GetSlotNode(2)->IsActive());
    EXPECT_EQ(Slot(4)->GetValue(), "");
    EXPECT_EQ(belt->GetButton(0), buttons[0]);

    inventory->SetCount(kAir, 12);
    Slot(0)->SetValue("air");
    Slot(1)->SetValue("fireworks");
    EXPECT_EQ(buttons[0]->GetItem(), kAir);
    EXPECT_EQ(buttons[0]->GetCount(), 5);
    EXPECT_TRUE(buttons[0]->IsEnabled());
    EXPECT_FALSE(buttons[0]->GetCountText()->IsHidden());
    EXPECT_EQ(buttons[1]->GetItem(), -1);
    EXPECT_FALSE(buttons[1]->IsEnabled());

    DragIcon(-300.0f, -200.0f, 0.0f, 0.0f);
    ASSERT_EQ(manager->GetArmedAbility(), buttons[0]->GetAbility());
    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_EQ(buttons[0]->GetCount(), 4);
    EXPECT_EQ(inventory->GetCount(kAir), 11);
    EXPECT_NE(buttons[0]->GetAbility(), nullptr);

    // A shop or a prize changes the stock: the button follows.
    inventory->SetCount(kAir, 2);
    EXPECT_EQ(buttons[0]->GetCount(), 2);
    inventory->SetCount(kAir, 0);
    EXPECT_FALSE(buttons[0]->IsEnabled());
    inventory->SetCount(kAir, 11);
    EXPECT_EQ(buttons[0]->GetCount(), 5);
    EXPECT_TRUE(buttons[0]->IsEnabled());

    // The last use of a slot disables it.
    inventory->SetCount(kAir2, 1);
    Slot(2)->SetValue("air2");
    ASSERT_TRUE(buttons[2]->IsEnabled());
    DragIcon(-140.0f, -200.0f, 0.0f, 0.0f);
    ASSERT_TRUE(manager->fireArmedAbility(nullptr, nullptr, tiles));
    EXPECT_EQ(inventory->GetCount(kAir2), 0);
    EXPECT_FALSE(buttons[2]->IsEnabled());
    EXPECT_TRUE(buttons[2]->GetCountText()->IsHidden());

    // Fewer slots: the ones past the count hide and lose their items.
    Slot(1)->SetValue("air");
    NumSlots()->SetValue(1);
    EXPECT_FALSE(belt->GetSlotNode(1)->IsActive());
    EXPECT_EQ(Slot(1)->GetValue(), "");
    EXPECT_EQ(buttons[1]->GetItem(), -1);
    EXPECT_TRUE(ZToolBelt::IsOnBelt("air"));
    NumSlots()->SetValue(0);
    EXPECT_FALSE(ZToolBelt::IsOnBelt("air"));
}

TEST_F(AbilityButtonTest, FillEmptySlotsTakesStockedItemsNotOnTheBelt)
{
    NumSlots()->SetValue(2);
    belt = std::make_unique<ZToolBelt>();
    belt->Load(nullptr);
    inventory->SetCount(kAir, 2);
    inventory->SetCount(kAir2, 2);
    Slot(0)->SetValue("air");
    belt->FillEmptySlots();
    EXPECT_EQ(Slot(1)->GetValue(), "air2");
    EXPECT_EQ(Slot(2)->GetValue(), "");
}

TEST_F(AbilityButtonTest, ASwapIconWaitsOnItsFirstTileUntilThePairIsComplete)
{
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kSwap);
    EXPECT_FALSE(button->IsDropAnywhere());
    auto* first = new ZTile();
    auto* second = new ZTile();
    first->SetPositionXYZ(150.0f, 80.0f, 5.0f);
    second->SetPositionXYZ(188.0f, 80.0f, 5.0f);
    layer->group->AddChild(first);
    layer->group->AddChild(second);
    first->setLink(kDirRight, second);
    second->setLink(kDirLeft, first);

    MoveToLogical(0.0f, 0.0f);
    Press();
    MoveToLogical(150.0f, 80.0f);
    ZAbility* swap = button->GetAbility();
    ASSERT_EQ(manager->GetArmedAbility(), swap);
    // The board picks the first tile under the release.
    ASSERT_TRUE(manager->SelectTarget(first));
    Release();
    Frame();
    V3 at;
    button->GetIcon()->GetPosition(at);
    EXPECT_NEAR(at.x, 150.0f, 0.5f);
    EXPECT_NEAR(at.y, 80.0f, 0.5f);
    EXPECT_FALSE(button->IsIconAtHome());
    EXPECT_EQ(manager->GetArmedAbility(), swap);

    // The second tile completes the pair: used, home, and a fresh instance.
    ASSERT_TRUE(manager->TrySwapWithAbility(first, second, tiles));
    EXPECT_TRUE(button->IsIconAtHome());
    EXPECT_NE(button->GetAbility(), swap);
    EXPECT_NE(button->GetAbility(), nullptr);
    ZTile::releaseSharedVisuals();
}

TEST_F(AbilityButtonTest, ALayoutMakesBeltButtonsBoundToTheirSlotsAndIgnoresABadSlot)
{
    NumSlots()->SetValue(2);
    inventory->SetCount(kAir2, 3);
    Slot(1)->SetValue("air2");
    const std::string xml =
        "<scenetree><group name=\"toolbelt\">"
        "<group name=\"slot_0\"><toolbeltbutton name=\"button\" slot=\"0\" idle=\"bg\">"
        "<sprite2d name=\"bg\" width=\"60\" height=\"60\"/><sprite2d name=\"icon\"/><fonttext name=\"count\"/>"
        "</toolbeltbutton></group>"
        "<group name=\"slot_1\"><toolbeltbutton name=\"button\" slot=\"1\" idle=\"bg\">"
        "<sprite2d name=\"bg\" width=\"60\" height=\"60\"/><sprite2d name=\"icon\"/><fonttext name=\"count\"/>"
        "</toolbeltbutton></group>"
        "<group name=\"slot_2\"><toolbeltbutton name=\"button\" slot=\"-7\"/></group>"
        "<group name=\"slot_3\"><toolbeltbutton name=\"button\" slot=\"many\"/></group>"
        "</group></scenetree>";
    ZSceneXMLImport2 import;
    import.SetParentNode(layer->group);
    testing::internal::CaptureStderr();
    ASSERT_EQ(import.ImportBuffer(xml.data(), xml.size()), 0);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("slot \"-7\""), std::string::npos) << log;
    EXPECT_NE(log.find("slot \"many\""), std::string::npos) << log;

    ZNode* root = layer->group->FindNode("toolbelt");
    ASSERT_NE(root, nullptr);
    belt = std::make_unique<ZToolBelt>();
    belt->Load(root);
    ZToolBeltButton* second = belt->GetButton(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetSlot(), 1);
    EXPECT_EQ(second->GetItem(), kAir2);
    EXPECT_EQ(second->GetCount(), 3);
    ASSERT_NE(second->GetIcon(), nullptr);
    EXPECT_FALSE(second->GetIcon()->IsHidden());
    EXPECT_EQ(belt->GetButton(2)->GetSlot(), -1);
    EXPECT_EQ(belt->GetButton(2)->GetItem(), -1);
    EXPECT_EQ(belt->GetButton(0)->GetItem(), -1);
    EXPECT_FALSE(belt->GetButton(0)->IsEnabled());
}

TEST_F(AbilityButtonTest, TheButtonsTipNamesItsItemAndSitsOverTheIcon)
{
    ZStringTable* strings = ZStringTable::GetInstance();
    strings->Add("ability_air", "Air Bubble", 10);
    strings->Add("air.description", "Adds one minute of air.", 23);
    ZToolTipManager* tips = ZToolTipManager::GetInstance();
    auto* button = MakeButton<ZAbilityButton>("button", 0.0f, 0.0f);
    button->SetItem(kAir);
    const ZToolTipRecord* tip = tips->FindTarget(button->GetIcon());
    ASSERT_NE(tip, nullptr);
    EXPECT_STREQ(tip->title, "Air Bubble");
    EXPECT_STREQ(tip->text, "Adds one minute of air.");
    // Without an item there is nothing to tell.
    button->SetItem(-1);
    EXPECT_EQ(tips->FindTarget(button->GetIcon()), nullptr);
    button->Release();
    Frame();
    ZToolTipManager::DestroyInstance();
}
