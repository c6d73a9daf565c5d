// The turning sprites of the halo and the highlight.
#include "engine/controllers/ZTurningSprites.h"

#include "engine/scene/ZSprite.h"

bool ZTurningSprites::Add(ZSprite* sprite, float speed, INodeStateListener* listener)
{
    if (!sprite || IsFull())
        return false;
    sprite->AddStateListener(listener);
    m_sprites[m_count] = sprite;
    m_speeds[m_count] = speed;
    ++m_count;
    return true;
}

void ZTurningSprites::DeleteAll(INodeStateListener* listener)
{
    for (int i = 0; i < m_count; ++i)
    {
        if (!m_sprites[i])
            continue;
        m_sprites[i]->RemoveStateListener(listener);
        delete m_sprites[i];
        m_sprites[i] = nullptr;
    }
}

void ZTurningSprites::Forget(const ZNode* node)
{
    for (ZSprite*& sprite : m_sprites)
    {
        if (sprite == node)
            sprite = nullptr;
    }
}

void ZTurningSprites::Attach(ZNode* target, bool placed, const V3& centre)
{
    if (!target)
        return;
    for (int i = 0; i < m_count; ++i)
    {
        ZSprite* sprite = m_sprites[i];
        if (!sprite)
            continue;
        if (sprite->GetParent() != target)
            target->AddChild(sprite);
        sprite->SetAlpha(0.0f);
        if (placed)
            sprite->SetPositionXYZ(centre.x, centre.y, centre.z + 2.0f);
    }
}

void ZTurningSprites::SetAlpha(float alpha, const float* shares)
{
    for (int i = 0; i < m_count; ++i)
    {
        if (m_sprites[i])
            m_sprites[i]->SetAlpha(shares ? shares[i] * alpha : alpha);
    }
}

void ZTurningSprites::Turn(double now)
{
    for (int i = 0; i < m_count; ++i)
    {
        if (m_sprites[i])
            m_sprites[i]->SetRotationZ(float(double(m_speeds[i]) * now));
    }
}

void ZTurningSprites::Detach()
{
    for (int i = 0; i < m_count; ++i)
    {
        ZSprite* sprite = m_sprites[i];
        if (sprite && sprite->GetParent())
            sprite->GetParent()->RemoveChild(sprite);
    }
}
