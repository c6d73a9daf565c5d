#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/core/ZSerializer.h"
#include "engine/core/ZValueSerializer.h"

namespace
{

using Attributes = std::vector<std::pair<std::string, std::string>>;

struct RecordingVisitor : ISaveVisitor
{
    Attributes attributes;
    void Attribute(const char* name, const char* value) override { attributes.emplace_back(name, value); }
    void BeginElement(const char*, const char*) override {}
    void CloseStartTag() override {}
    void EndElement(const char*, const char*) override {}
};

// A serializable class as the scene classes are: it takes "label" and "size", and a V3 child
// under the property "position".
class ZTestPanel : public ZEntity
{
    QV_TYPE_RECORD(ZTestPanel, &ZEntity::kTypeRecord)
public:
    std::string label;
    int size = 0;
    V3 position;
    int children = 0;
    int loaded = 0;

    static ZTestPanel* lastFound;
    static ZTestPanel* Find(const char* name) { return std::string(name) == "known" ? lastFound : nullptr; }

    bool SetProperty(uint32_t id, const char*, const char* value)
    {
        if (id == ZNameId("label").Value())
            label = value;
        else if (id == ZNameId("size").Value())
            size = ParseInt(value);
        else if (id == ZNameId("position").Value())
            position = *SerializedChild<V3>(value);
        else if (id == ZNameId::kNone)
            ++children;
        else
            return false;
        return true;
    }
    void SaveAttributes(ISaveVisitor* visitor)
    {
        visitor->Attribute("label", label.c_str());
        visitor->Attribute("size", std::to_string(size).c_str());
    }
    void SaveChildren(ISaveVisitor* visitor) { visitor->Attribute("child", "none"); }
    void OnLoaded() { ++loaded; }
};
ZTestPanel* ZTestPanel::lastFound = nullptr;

// Never made from a file; its name differs from ZTestPanel's only by case.
class ZTESTPANEL : public ZEntity
{
    QV_TYPE_RECORD(ZTESTPANEL, &ZEntity::kTypeRecord)
public:
    bool SetProperty(uint32_t, const char*, const char*) { return true; }
    void SaveAttributes(ISaveVisitor*) {}
    void SaveChildren(ISaveVisitor*) {}
    void OnLoaded() {}
};

class ZTestOther : public ZEntity
{
    QV_TYPE_RECORD(ZTestOther, &ZEntity::kTypeRecord)
public:
    // Looks up any entity, as the scene's search does for every node class.
    static ZEntity* Find(const char*) { return ZTestPanel::lastFound; }
    bool SetProperty(uint32_t, const char*, const char*) { return true; }
    void SaveAttributes(ISaveVisitor*) {}
    void SaveChildren(ISaveVisitor*) {}
    void OnLoaded() {}
};

ZSerializerRTTI<ZTestPanel> g_panelSerializer(true);
ZSerializerRTTI<ZTESTPANEL> g_upperPanelSerializer(false, &ZSerializerRTTI<ZTESTPANEL>::NoCreate);
ZSerializerRTTI<ZTestOther> g_otherSerializer;

bool Set(ZSerializerState* state, const char* name, const char* value)
{
    return state->SetAttribute(ZNameId(name).Value(), name, value);
}

TEST(SerializerRegistry, FindsLowerCaseElementNamesOnly)
{
    const char* names[] = {"v2", "v3", "v4", "i2", "m33", "m44", "rectangle2d", "texturerectangle2d"};
    for (const char* name : names)
    {
        ZSerializerBase* s = ZSerializerBase::FindByName(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_STREQ(s->GetElementName(), name);
        EXPECT_FALSE(s->IsObjectSerializer());
        EXPECT_FALSE(s->FindsByName());
    }
    EXPECT_EQ(ZSerializerBase::FindByName("V3"), nullptr);
    EXPECT_EQ(ZSerializerBase::FindByName("v5"), nullptr);
    EXPECT_EQ(ZSerializerBase::FindByName(""), nullptr);
    EXPECT_EQ(ZSerializerBase::FindByName(nullptr), nullptr);
}

TEST(SerializerRegistry, ClassNamesWithoutZAndLaterOfCaseTwinsWins)
{
    EXPECT_STREQ(g_panelSerializer.GetElementName(), "TestPanel");
    EXPECT_EQ(ZSerializerBase::FindByName("testother"), &g_otherSerializer);
    EXPECT_EQ(ZSerializerBase::FindByName("TestOther"), nullptr);
    // "TestPanel" and "TESTPANEL" share one entry; the later in chain order holds it.
    EXPECT_EQ(ZSerializerBase::FindByName("testpanel"), &g_upperPanelSerializer);
}

TEST(SerializerRegistry, LateSerializerJoinsAndLeaves)
{
    ZSerializerBase::GetRegistry();
    {
        ZSerializer<V3> late("v3");
        EXPECT_EQ(ZSerializerBase::FindByName("v3"), &late);
    }
    ZSerializerBase* v3 = ZSerializerBase::FindByName("v3");
    ASSERT_NE(v3, nullptr);
    EXPECT_STREQ(v3->GetElementName(), "v3");
    ZSerializerState* state = v3->CreateNew();
    EXPECT_TRUE(Set(state, "x", "1"));
    ZSerializerState::Release(state);
}

TEST(SerializerRTTI, CreatesSetsFinishesAndWrites)
{
    ZSerializerState* state = g_panelSerializer.CreateNew();
    ASSERT_NE(state, nullptr);
    ASSERT_NE(state->Entity(), nullptr);
    auto* panel = ZEntityCast<ZTestPanel>(state->Entity());
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(state->name.empty());
    EXPECT_EQ(state->skipped, 0);

    EXPECT_TRUE(Set(state, "label", "deck"));
    EXPECT_TRUE(Set(state, "size", "12"));
    // Unknown attributes are refused and change nothing.
    EXPECT_FALSE(Set(state, "colour", "red"));
    EXPECT_FALSE(state->SetAttribute(ZNameId("unknown").Value(), nullptr, nullptr));
    g_panelSerializer.Finish(state);
    EXPECT_EQ(panel->label, "deck");
    EXPECT_EQ(panel->size, 12);
    EXPECT_EQ(panel->loaded, 1);

    RecordingVisitor visitor;
    g_panelSerializer.Write(state, &visitor);
    g_panelSerializer.WriteChildren(state, &visitor);
    EXPECT_EQ(visitor.attributes, (Attributes{{"label", "deck"}, {"size", "12"}, {"child", "none"}}));

    ZSerializerState::Release(state);
    delete panel;
}

TEST(SerializerRTTI, StateWithoutObjectTakesNothing)
{
    ZSerializerState* state = g_upperPanelSerializer.CreateNew();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->object, nullptr);
    EXPECT_FALSE(Set(state, "label", "x"));
    RecordingVisitor visitor;
    g_upperPanelSerializer.Write(state, &visitor);
    g_upperPanelSerializer.Finish(state);
    EXPECT_TRUE(visitor.attributes.empty());
    ZSerializerState::Release(state);
}

TEST(SerializerRTTI, StateByNameFindsOnlyObjectsOfItsClass)
{
    ZTestPanel panel;
    ZTestPanel::lastFound = &panel;
    EXPECT_TRUE(g_panelSerializer.FindsByName());

    ZSerializerState* found = g_panelSerializer.StateByName("known");
    EXPECT_EQ(found->Entity(), &panel);
    EXPECT_TRUE(Set(found, "label", "renamed"));
    EXPECT_EQ(panel.label, "renamed");
    ZSerializerState::Release(found);

    ZSerializerState* missing = g_panelSerializer.StateByName("unknown");
    EXPECT_EQ(missing->object, nullptr);
    ZSerializerState::Release(missing);
    ZSerializerState* unnamed = g_panelSerializer.StateByName(nullptr);
    EXPECT_EQ(unnamed->object, nullptr);
    ZSerializerState::Release(unnamed);

    // What the lookup finds must be of the serializer's class.
    ZSerializerState* other = g_otherSerializer.StateByName("known");
    EXPECT_EQ(other->object, nullptr);
    ZSerializerState::Release(other);
    ZTestPanel::lastFound = nullptr;
}

TEST(SerializerRTTI, ChildrenGoToObjectParentsOnly)
{
    ZTestPanel panel;
    ZSerializerState* parent = g_panelSerializer.StateForEntity(&panel);

    ZSerializerState* v3 = ZSerializerBase::FindByName("v3")->CreateNew();
    Set(v3, "x", "1");
    Set(v3, "y", "2");
    Set(v3, "z", "PI");
    v3->name = "position";
    EXPECT_TRUE(ZSerializerState::HandChild(parent, v3));
    EXPECT_EQ(panel.position, (V3{1.0f, 2.0f, kPi}));

    // Without a receiving property the child arrives under the "no name" id.
    v3->name.clear();
    EXPECT_TRUE(ZSerializerState::HandChild(parent, v3));
    EXPECT_EQ(panel.children, 1);

    // A value element never takes a child: its setter would read the object as text.
    ZSerializerState* v2 = ZSerializerBase::FindByName("v2")->CreateNew();
    v3->name = "x";
    EXPECT_FALSE(ZSerializerState::HandChild(v2, v3));
    EXPECT_EQ(*static_cast<V2*>(v2->object), (V2{}));

    EXPECT_FALSE(ZSerializerState::HandChild(nullptr, v3));
    EXPECT_FALSE(ZSerializerState::HandChild(parent, nullptr));

    ZSerializerState::Release(v2);
    ZSerializerState::Release(v3);
    ZSerializerState::Release(parent);
}

struct SetCase
{
    const char* element;
    const char* attribute;
    const char* value;
    bool taken;
};

TEST(ValueSerializers, WhichAttributesAreTaken)
{
    const SetCase cases[] = {
        {"v2", "x", "1", true},
        {"v2", "z", "1", false},
        {"v3", "xenon", "2", true},
        {"v3", "z", "PI/2", true},
        {"v3", "X", "1", false},
        {"v3", "", "1", false},
        {"v4", "w", "1", true},
        {"i2", "y", "-3", true},
        {"i2", "z", "1", false},
        {"m33", "m22", "1", true},
        {"m33", "m33", "1", false},
        {"m33", "m2", "1", false},
        {"m33", "n00", "1", false},
        {"m44", "m33", "2", true},
        {"m44", "m34", "2", false},
        {"m44", "m03extra", "2", true},
        {"rectangle2d", "left", "1", true},
        {"rectangle2d", "leftx", "1", false},
        {"texturerectangle2d", "top", "1", true},
    };
    for (const auto& c : cases)
    {
        ZSerializerBase* s = ZSerializerBase::FindByName(c.element);
        ASSERT_NE(s, nullptr);
        ZSerializerState* state = s->CreateNew();
        EXPECT_EQ(Set(state, c.attribute, c.value), c.taken) << c.element << " " << c.attribute;
        EXPECT_FALSE(state->SetAttribute(ZNameId::kNone, nullptr, c.value));
        ZSerializerState::Release(state);
    }
}

template <class T> T Read(const char* element, const Attributes& attributes)
{
    ZSerializerState* state = ZSerializerBase::FindByName(element)->CreateNew();
    for (const auto& [name, value] : attributes)
        Set(state, name.c_str(), value.c_str());
    T value = *static_cast<T*>(state->object);
    ZSerializerState::Release(state);
    return value;
}

template <class T> Attributes Write(const char* element, T value)
{
    RecordingVisitor visitor;
    ZSerializerBase* s = ZSerializerBase::FindByName(element);
    ZSerializerState* state = s->StateForObject(&value);
    s->Write(state, &visitor);
    ZSerializerState::Release(state);
    return visitor.attributes;
}

TEST(ValueSerializers, ReadComponents)
{
    const V3 v = Read<V3>("v3", {{"x", "1.5"}, {"yaw", "PI2"}, {"z", "-2"}, {"q", "9"}});
    EXPECT_EQ(v, (V3{1.5f, 2.0f * kPi, -2.0f}));

    const I2 i = Read<I2>("i2", {{"x", "12.9"}, {"y", "-4"}});
    EXPECT_EQ(i, (I2{12, -4}));

    const _M44 m = Read<_M44>("m44", {{"m30", "5"}, {"m31", "6"}, {"m33", "7"}});
    EXPECT_EQ(m.m[3][0], 5.0f);
    EXPECT_EQ(m.m[3][1], 6.0f);
    EXPECT_EQ(m.m[3][3], 7.0f);
    EXPECT_EQ(m.m[0][0], 1.0f);

    const Rectangle2D r = Read<Rectangle2D>("rectangle2d", {{"right", "3"}, {"top", "4"}});
    EXPECT_EQ(r, (Rectangle2D{0.0f, 0.0f, 3.0f, 4.0f}));
}

TEST(ValueSerializers, WriteOrderAndFormat)
{
    EXPECT_EQ(Write("rectangle2d", Rectangle2D{1.0f, 2.0f, 3.0f, 4.5f}),
              (Attributes{
                  {"left", "1.000000"}, {"top", "4.500000"}, {"bottom", "2.000000"}, {"right", "3.000000"}}));
    EXPECT_EQ(Write("i2", I2{-7, 40000}), (Attributes{{"x", "-7"}, {"y", "40000"}}));
    EXPECT_EQ(Write("v2", V2{-0.25f, 1e20f}),
              (Attributes{{"x", "-0.250000"}, {"y", "100000002004087734272.000000"}}));

    const Attributes m33 = Write("m33", M33());
    ASSERT_EQ(m33.size(), 9u);
    EXPECT_EQ(m33[0], (std::pair<std::string, std::string>{"m00", "1.000000"}));
    EXPECT_EQ(m33[5], (std::pair<std::string, std::string>{"m12", "0.000000"}));
    const Attributes m44 = Write("m44", _M44());
    ASSERT_EQ(m44.size(), 16u);
    EXPECT_EQ(m44[3].first, "m03");
    EXPECT_EQ(m44[15], (std::pair<std::string, std::string>{"m33", "1.000000"}));
}

TEST(ValueSerializers, RoundTrip)
{
    const V4 v4 = {0.5f, -1.25f, 300.0f, 0.000125f};
    EXPECT_EQ(Read<V4>("v4", Write("v4", v4)), v4);
    const V2 v2 = {7.0f, -0.75f};
    EXPECT_EQ(Read<V2>("v2", Write("v2", v2)), v2);
    const I2 i2 = {INT32_MIN, INT32_MAX};
    EXPECT_EQ(Read<I2>("i2", Write("i2", i2)), i2);
    const TextureRectangle2D t = {0.125f, 0.25f, 0.5f, 1.0f};
    EXPECT_EQ(Read<TextureRectangle2D>("texturerectangle2d", Write("texturerectangle2d", t)), t);

    M33 m;
    m.SetRotationZ(0.5f);
    const M33 back = Read<M33>("m33", Write("m33", m));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(back.m[i][j], m.m[i][j], 5e-7f);

    _M44 p;
    p.SetPerspective(1.0f, 0.75f, 1.0f, 1000.0f);
    const _M44 pback = Read<_M44>("m44", Write("m44", p));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(pback.m[i][j], p.m[i][j], 5e-7f);
}

TEST(ValueSerializers, ExistingValueIsNotFreedAndNamedLookupIsEmpty)
{
    V3 value = {1.0f, 2.0f, 3.0f};
    ZSerializerBase* s = ZSerializerBase::FindByName("v3");
    ZSerializerState* state = s->StateForObject(&value);
    EXPECT_TRUE(Set(state, "y", "5"));
    ZSerializerState::Release(state);
    EXPECT_EQ(value, (V3{1.0f, 5.0f, 3.0f}));

    ZSerializerState* named = s->StateByName("anything");
    EXPECT_EQ(named->object, nullptr);
    EXPECT_FALSE(Set(named, "x", "1"));
    ZSerializerState::Release(named);
    ZSerializerState::Release(nullptr);
}

} // namespace
