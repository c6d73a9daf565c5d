// Loading the shared pictures that screens hand to their sprites.
#include "game/common/ZPictures.h"

#include "engine/render/resources/ZMaterial.h"
#include "engine/render/resources/ZTexture.h"
#include "engine/scene/ZSprite.h"

void LoadPicture(ZTextureResource* texture)
{
    if (texture && !texture->IsLoaded() && !texture->TestFlags(kResourceQueued))
        texture->Load();
}

void LoadPictures(ZNode* root)
{
    if (!root)
        return;
    if (auto* sprite = ZEntityCast<ZSprite>(root))
        if (ZMaterial* material = sprite->GetMaterial())
            LoadPicture(material->GetTexture(0));
    for (ZNode* child = root->GetFirstChild(); child; child = child->GetNextSibling())
        LoadPictures(child);
}
