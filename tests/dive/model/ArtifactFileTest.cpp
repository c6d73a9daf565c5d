// The artifact records the game ships: read from the resource list by the scene reader, one
// registered record with its picture per shorthand of the levels' artifact letters.
#include <gtest/gtest.h>

#include "engine/render/resources/ZMaterial.h"

#include "engine/import/ZSceneXMLImport2.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/resource/ZResourceManager.h"
#include "engine/scene/ZSceneTree.h"
#include "game/dive/model/ZArtifact.h"
#include "tests/support/TestFiles.h"

extern bool g_engineStartingUp;

TEST(ArtifactFile, EveryShorthandOfTheLettersHasARecordWithItsPicture)
{
    g_engineStartingUp = false;
    ZSceneTree::SetShutdownBegun(false);
    ZResourceManager::GetInstance();
    ZGroup* parent = ZGroup::CreateNamed("parent");
    ZSceneTree::GetInstance()->AddChild(parent);
    const std::string text = qvtest::ReadWholeFile(std::string(QV_SOURCE_DIR) + "/data/tiles_and_artifacts.xml");
    ASSERT_FALSE(text.empty());
    {
        ZSceneXMLImport2 import;
        import.SetParentNode(parent);
        EXPECT_EQ(import.ImportBuffer(text.data(), text.size()), 0);
    }
    ZArtifactRegistry* registry = ZArtifactRegistry::GetInstance();
    for (const char* letter = kArtifactDrawLetters; *letter; ++letter)
    {
        ZArtifact* record = registry->FindByShorthand(*letter);
        ASSERT_NE(record, nullptr) << *letter;
        EXPECT_EQ(record->GetId(), uint8_t(*letter));
        ASSERT_NE(record->GetTexture(), nullptr) << *letter;
        EXPECT_NE(std::string(record->GetTexture()->GetName()).find("artifact_"), std::string::npos);
        ASSERT_NE(record->GetTypeText(), nullptr);
        EXPECT_EQ(registry->FindByType(record->GetTypeText()), record);
    }
    EXPECT_EQ(registry->GetCount(), 7);
    ReleaseSceneImporter();
    ZArtifactRegistry::DestroyInstance();
    ZSceneTree::DestroyInstance();
    // The file's materials hold their textures until the pool goes.
    ZMaterial::DestroyPool();
    ZResourceManager::DestroyInstance();
}
