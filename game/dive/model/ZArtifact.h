#pragma once
// Artifact records and their registry. Each kind of artifact (the treasures a dive is about) is
// described once by a record read from the game's resources: an "artifact" element with a name,
// a type, a description (text keys), a one-character shorthand and a picture. A record with both
// a name and a shorthand registers itself; the board turns the letters of a level's artifact
// sequence into artifact tokens through the registry, and the completion bar shows the pictures.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/core/ZEntity.h"
#include "engine/core/ZSerializer.h"

class ZTextureResource;

class ZArtifact : public ZEntity
{
    QV_TYPE_RECORD(ZArtifact, &ZEntity::kTypeRecord)

public:
    // A new record owned by the registry (records live until the registry is destroyed).
    static ZArtifact* Create();
    // The record of that shorthand (the first character of the name), for the scene reader.
    static ZArtifact* Find(const char* name);

    ZArtifact() = default;
    ~ZArtifact() override;

    const char* GetName() const override { return m_name ? m_name : "N/A"; }
    // "name", "type", "description", "shorthand", "ui" (ignored) and "texture" (a picture path or
    // a texture element; not counted as taken).
    bool SetProperty(uint32_t id, const char* name, const char* value);
    void SaveAttributes(ISaveVisitor* visitor);
    void SaveChildren(ISaveVisitor* visitor) { (void)visitor; }
    void OnLoaded() {}

    // The shorthand doubles as the one-byte artifact id of tokens and board files.
    uint8_t GetId() const { return uint8_t(m_shorthand); }
    char GetShorthand() const { return m_shorthand; }
    const char* GetDisplayName() const { return m_name; }
    const char* GetTypeText() const { return m_type; }
    uint32_t GetTypeId() const { return m_typeId; }
    const char* GetDescription() const { return m_description; }
    ZTextureResource* GetTexture() const { return m_texture; }
    void SetTexture(ZTextureResource* texture);

private:
    void RegisterIfComplete();

    const char* m_name = nullptr;
    const char* m_type = nullptr;
    uint32_t m_typeId = 65535;
    const char* m_description = nullptr;
    ZTextureResource* m_texture = nullptr;
    char m_shorthand = 0;
};

class ZArtifactRegistry
{
public:
    // Made on first use.
    static ZArtifactRegistry* GetInstance();
    // Deletes the registry and every record it owns (shutdown, tests).
    static void DestroyInstance();

    // The record registered under the shorthand; null when none is.
    ZArtifact* FindByShorthand(char shorthand) const;
    ZArtifact* FindById(uint8_t id) const { return FindByShorthand(char(id)); }
    // The record registered under the type key's text; null when none is.
    ZArtifact* FindByType(const char* typeText) const;
    // Enters the record under its shorthand and, when it has one, its type; a later record of
    // the same shorthand or type replaces the earlier one.
    void Register(ZArtifact* record);
    // Takes ownership of a record made by ZArtifact::Create.
    void Adopt(ZArtifact* record);
    int32_t GetCount() const { return int32_t(m_byShorthand.size()); }

private:
    std::map<signed char, ZArtifact*> m_byShorthand;
    std::map<const char*, ZArtifact*> m_byType;
    std::vector<std::unique_ptr<ZArtifact>> m_owned;
};

// The seven shorthands of the game's artifacts and the alphabet levels draw their sequences from
// ('T' twice, so it comes twice as often).
inline constexpr const char* kArtifactShorthands = "DTSFOPQ";
inline constexpr const char* kArtifactDrawLetters = "DTSFOPQT";
