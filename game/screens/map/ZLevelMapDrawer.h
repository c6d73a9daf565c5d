#pragma once
// A little drawing of a level's board for the level cards: one square per board cell, a second
// picture for the cells that start locked or special, nothing for cells without a tile. The
// squares are kept from one drawing to the next, so redrawing a board of the same size makes no
// new nodes.
#include <cstdint>
#include <functional>
#include <vector>

class ZMaterial;
class ZNode;
class ZSprite2D;

class ZLevelMapDrawer
{
public:
    // The cell query: the board file's character at (column, row), 0 for no cell.
    using CellQuery = std::function<int(int column, int row)>;

    ZLevelMapDrawer() = default;
    // Deletes the spare squares; those in use belong to their group.
    ~ZLevelMapDrawer();
    ZLevelMapDrawer(const ZLevelMapDrawer&) = delete;
    ZLevelMapDrawer& operator=(const ZLevelMapDrawer&) = delete;

    // Every square in use leaves its group and is kept for reuse.
    void Clear();
    // Clears, then draws a grid of columns x rows, the cells from `cell` at
    // (firstColumn + c, firstRow + r). Cells 0 and 'E' stay empty; 'F', 'C', 'Z' and 'H' take the
    // special picture.
    void Draw(int columns, int rows, int firstColumn, int firstRow, const CellQuery& cell);

    // Whether a cell of that character gets the special picture.
    static bool IsSpecialCell(int cell);

    void SetGroup(ZNode* group) { m_group = group; }
    void SetMaterials(ZMaterial* square, ZMaterial* special)
    {
        m_square = square;
        m_special = special;
    }
    void SetArea(float width, float height)
    {
        m_width = width;
        m_height = height;
    }
    ZNode* GetGroup() const { return m_group; }
    const std::vector<ZSprite2D*>& GetSquares() const { return m_used; }
    const std::vector<ZSprite2D*>& GetSpares() const { return m_spare; }

private:
    std::vector<ZSprite2D*> m_used;
    std::vector<ZSprite2D*> m_spare;
    ZNode* m_group = nullptr;
    ZMaterial* m_square = nullptr;
    ZMaterial* m_special = nullptr;
    float m_width = 0.0f;
    float m_height = 0.0f;
};
