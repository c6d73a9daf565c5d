#pragma once
// The token-type table: the 24 kinds of token a level can use (nine creatures in three colour
// families, five treasure grades in three looks each), the choice of a level's five types from the
// names of its board file, and the textures of the chosen five, which tokens draw their looks from.
#include <cstdint>
#include <string>
#include <vector>

class ZTextureResource;

// Looks of a creature, by index: the suffix of its texture name.
enum ETokenLook : int32_t
{
    kLookPlain = 0,
    kLookUp = 1,
    kLookRight = 2,
    kLookDown = 3,
    kLookLeft = 4,
    kLookBlink = 5,
    kLookGood = 6,
    kLookBad = 7,
    kLookCount = 8,
};
inline constexpr const char* kTokenLookSuffix[kLookCount] = {"", "_up", "_right", "_down",
                                                             "_left", "_blink", "_good", "_bad"};

// Colour groups of the rows: the crew charge a popped group gives.
enum ETokenColour : int32_t
{
    kColourTreasure = -1,
    kColourRed = 0,
    kColourGreen = 1,
    kColourBlue = 2,
};

struct ZTokenTypeInfo
{
    const char* name;                       // null ends the table
    ZTextureResource* textures[kLookCount]; // treasure rows fill only the plain look
    float value;                            // treasure paid per token
    int32_t colourGroup;
    uint32_t family;                        // ZNameHash of the name without its last "_" part
};

inline constexpr int32_t kTokenTypeRowCount = 24;
inline constexpr int32_t kLevelTokenTypes = 5;
inline constexpr int32_t kArtifactTokenType = 5;

// The rows, ended by a row without a name (index kTokenTypeRowCount).
extern ZTokenTypeInfo g_tokenTypes[kTokenTypeRowCount + 1];

// The family id of a row name: the hash of the name up to its last "_" (the whole name when it
// has none). A family name given in a board file is hashed whole.
uint32_t TokenFamilyId(const char* name);

// The row of that exact name; else a row of the family of that name, picked by the hash of the
// seed and skipping the rows already taken (each try moves one row on within the family); null
// when the name is neither, or when every row of the family is taken.
const ZTokenTypeInfo* FindTokenType(const char* name, const char* seed, const ZTokenTypeInfo* const* taken,
                                    int32_t takenCount);

// A level's five types from its token names (the first five are used; a missing or unknown name
// gives row 0), seeded by the level name.
void ChooseTokenTypes(const std::vector<std::string>& names, const char* levelName,
                      const ZTokenTypeInfo* out[kLevelTokenTypes]);

// Row index of a table row, -1 for null or a pointer outside the table.
int32_t TokenTypeRowIndex(const ZTokenTypeInfo* row);

// The level's five types, which tokens read their colour groups and looks from. Until a level sets
// them, every type is row 0.
void SetLevelTokenTypes(const ZTokenTypeInfo* const rows[kLevelTokenTypes]);
const ZTokenTypeInfo* GetLevelTokenType(int32_t type);
// Texture of a look of a level type; null for type 5, indexes out of range and missing looks.
ZTextureResource* GetLevelTokenTexture(int32_t type, int32_t look);

// Loads "resources:token_<name><suffix>.png" for every row and look (treasure rows: the plain look
// only) and the generic artifact picture; textures already loaded are found by name.
void LoadTokenTypeTextures();
// Drops the table's texture references (at shutdown, or between tests).
void ReleaseTokenTypeTextures();
// "resources:token_artifact_0.png" once loaded; null before.
ZTextureResource* GetArtifactTokenTexture();
