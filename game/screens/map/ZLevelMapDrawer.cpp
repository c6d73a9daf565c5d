// The board drawing of the level cards: squares laid out so a board of 15 columns spans the area.
#include "game/screens/map/ZLevelMapDrawer.h"

#include <algorithm>
#include <cmath>

#include "engine/scene/ZGeom.h"
#include "engine/ui/ZSprite2D.h"

namespace
{
constexpr int kSpanCells = 15;
constexpr float kSquareOpacity = 0.8f;
} // namespace

ZLevelMapDrawer::~ZLevelMapDrawer()
{
    // Spare squares are outside the scene tree, which would never free them.
    for (ZSprite2D* square : m_spare)
        delete square;
    m_spare.clear();
}

bool ZLevelMapDrawer::IsSpecialCell(int cell)
{
    return cell == 'F' || cell == 'C' || cell == 'Z' || cell == 'H';
}

void ZLevelMapDrawer::Clear()
{
    for (ZSprite2D* square : m_used)
    {
        if (ZNode* parent = square->GetParent())
            parent->RemoveChild(square);
        m_spare.push_back(square);
    }
    m_used.clear();
}

void ZLevelMapDrawer::Draw(int columns, int rows, int firstColumn, int firstRow, const CellQuery& cell)
{
    Clear();
    if (!m_group || columns <= 0 || rows <= 0 || !cell)
        return;
    const float x0 = -0.5f * m_width * (float(columns) / kSpanCells);
    const float y0 = 0.5f * m_height * (float(rows) / kSpanCells);
    const float sx = std::ceil(m_width / (kSpanCells - 1));
    const float sy = std::ceil(m_height / (kSpanCells - 1));
    const float side = std::max(sx, sy);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
        {
            const int k = cell(firstColumn + c, firstRow + r);
            if (k == 0 || k == 'E')
                continue;
            ZSprite2D* square = nullptr;
            if (!m_spare.empty())
            {
                square = m_spare.back();
                m_spare.pop_back();
            }
            else
            {
                square = ZSprite2D::Create();
            }
            ZMaterial* material = IsSpecialCell(k) ? m_special : m_square;
            if (material && square->GetMaterial() != material)
                square->SetMaterial(material);
            square->SetAlpha(kSquareOpacity);
            square->SetSize(side, side);
            square->SetPositionXYZ(x0 + float(c) * sx, y0 - float(r) * sy, 0.0f);
            m_group->AddChild(square);
            m_used.push_back(square);
        }
}
