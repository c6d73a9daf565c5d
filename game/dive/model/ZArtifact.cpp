// Artifact records: their properties, their scene-file serializer and the shorthand registry.
#include "game/dive/model/ZArtifact.h"

#include <cstring>

#include "engine/core/ZNameId.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZStringTable.h"

namespace
{
constexpr ZNameId kName{"name"};
constexpr ZNameId kType{"type"};
constexpr ZNameId kDescription{"description"};
constexpr ZNameId kShorthand{"shorthand"};
constexpr ZNameId kUi{"ui"};
constexpr ZNameId kTexture{"texture"};

ZArtifactRegistry* s_registry = nullptr;

// Localized text of a key: the table's text (which shows the key when it has none); the key
// itself without a table. Null for null.
const char* LocalText(const char* key)
{
    if (!key)
        return nullptr;
    if (ZStringTable* table = ZStringTable::PeekInstance())
        return table->GetText(key);
    // Without a table the key has to outlive the call: keep one copy per distinct key.
    static std::map<std::string, std::unique_ptr<char[]>>* keys = new std::map<std::string, std::unique_ptr<char[]>>();
    auto& slot = (*keys)[key];
    if (!slot)
    {
        slot.reset(new char[std::strlen(key) + 1]);
        std::strcpy(slot.get(), key);
    }
    return slot.get();
}

ZSerializerRTTI<ZArtifact> s_artifactSerializer(false, &ZArtifact::Create, &ZArtifact::Find);
} // namespace

ZArtifact* ZArtifact::Create()
{
    auto* record = new ZArtifact();
    ZArtifactRegistry::GetInstance()->Adopt(record);
    return record;
}

ZArtifact* ZArtifact::Find(const char* name)
{
    if (!name || !name[0] || !s_registry)
        return nullptr;
    return s_registry->FindByShorthand(name[0]);
}

ZArtifact::~ZArtifact()
{
    if (m_texture)
        m_texture->Release();
}

void ZArtifact::SetTexture(ZTextureResource* texture)
{
    if (texture == m_texture)
        return;
    if (texture)
        texture->AddRef();
    if (m_texture)
        m_texture->Release();
    m_texture = texture;
}

bool ZArtifact::SetProperty(uint32_t id, const char* name, const char* value)
{
    (void)name;
    if (id == kTexture.Value())
    {
        if (const ZEntity* handed = SerializedChild<ZEntity>(value))
        {
            if (auto* texture = ZEntityCast<ZTextureResource>(const_cast<ZEntity*>(handed)))
                SetTexture(texture);
        }
        else if (value && value[0])
            SetTexture(ZTexture::FindOrLoad(value, 0, 1));
        return false;
    }
    // Every other property is text: an object handed over is refused.
    if (SerializedChild<ZEntity>(value))
        return false;
    if (id == kName.Value())
    {
        m_name = LocalText(value);
        RegisterIfComplete();
        return true;
    }
    if (id == kType.Value())
    {
        m_type = LocalText(value);
        m_typeId = value ? ZNameId(value).Value() : ZNameId::kNone;
        return true;
    }
    if (id == kDescription.Value())
    {
        m_description = LocalText(value);
        return true;
    }
    if (id == kShorthand.Value())
    {
        m_shorthand = value ? value[0] : 0;
        RegisterIfComplete();
        return true;
    }
    return id == kUi.Value();
}

void ZArtifact::SaveAttributes(ISaveVisitor* visitor)
{
    if (!visitor)
        return;
    const char shorthand[2] = {m_shorthand, 0};
    if (m_shorthand)
        visitor->Attribute("shorthand", shorthand);
}

void ZArtifact::RegisterIfComplete()
{
    if (m_name && m_shorthand)
        ZArtifactRegistry::GetInstance()->Register(this);
}

ZArtifactRegistry* ZArtifactRegistry::GetInstance()
{
    if (!s_registry)
        s_registry = new ZArtifactRegistry();
    return s_registry;
}

void ZArtifactRegistry::DestroyInstance()
{
    delete s_registry;
    s_registry = nullptr;
}

ZArtifact* ZArtifactRegistry::FindByShorthand(char shorthand) const
{
    const auto it = m_byShorthand.find(static_cast<signed char>(shorthand));
    return it == m_byShorthand.end() ? nullptr : it->second;
}

ZArtifact* ZArtifactRegistry::FindByType(const char* typeText) const
{
    if (!typeText)
        return nullptr;
    for (const auto& [text, record] : m_byType)
    {
        if (std::strcmp(text, typeText) == 0)
            return record;
    }
    return nullptr;
}

void ZArtifactRegistry::Register(ZArtifact* record)
{
    if (!record || !record->GetShorthand())
        return;
    m_byShorthand[static_cast<signed char>(record->GetShorthand())] = record;
    // A record without a type stays out of the type map.
    if (const char* type = record->GetTypeText())
    {
        for (auto it = m_byType.begin(); it != m_byType.end(); ++it)
        {
            if (std::strcmp(it->first, type) == 0)
            {
                m_byType.erase(it);
                break;
            }
        }
        m_byType[type] = record;
    }
}

void ZArtifactRegistry::Adopt(ZArtifact* record)
{
    if (record)
        m_owned.emplace_back(record);
}
