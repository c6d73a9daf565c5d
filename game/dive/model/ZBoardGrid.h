#pragma once
// The board's grid of tiles: a row-major array of tile pointers built from a board file, the
// conversions between board-space points, cells and tile positions, and the quarter turns of the
// board (links are re-pointed so that "up" always stands against gravity). The grid embeds the
// board-file reader; tiles and tokens come from the board's pools through IBoardHost.
#include <cstdint>
#include <vector>

#include "engine/core/ZVector.h"
#include "game/dive/model/ZLevelLoader.h"
#include "game/dive/model/ZTile.h"

class ZBoardGrid
{
public:
    static constexpr float kDefaultCellSize = 38.0f;

    ZBoardGrid();
    ~ZBoardGrid();
    ZBoardGrid(const ZBoardGrid&) = delete;
    ZBoardGrid& operator=(const ZBoardGrid&) = delete;

    // Reads the board file and makes its tiles (kinds, surfaces, overlays, exits); 0 on success,
    // else the reader's result (then the grid stays empty).
    int32_t build(const char* boardFileName);
    // The same from what the reader already holds (after ZLevelLoader::LoadText).
    int32_t buildFromLoader();
    // Names, links, positions and first tokens, then the start fill and the first refill requests.
    void place();
    // Every tile back to the board's pool; the array is freed.
    void releaseTiles();

    ZTile* tileAt(int32_t column, int32_t row) const;
    // Board-space point to cell; false outside.
    bool cellAtPoint(const V3& point, int32_t& column, int32_t& row) const;
    // Tile centre in board space (x, y) for a cell.
    V2 cellCentre(int32_t column, int32_t row) const;

    // Quarter turns 0 to 3 (wrapped); gravity follows through updateGravity.
    void setRotation(int32_t rotation);
    int32_t getRotation() const { return m_rotation; }
    void updateGravity();
    int32_t getGravity() const { return m_gravity; }
    // The array step of a link direction, turned by the rotation.
    void directionOffset(int32_t direction, int32_t& dx, int32_t& dy) const;
    void rotateVector(int32_t& x, int32_t& y) const;
    void rotateVector(V2& v) const;
    void wrapCell(int32_t& column, int32_t& row) const;
    // Relinks every tile for the rotation, with logical cells and lit exits.
    void applyRotation();
    // Clears every tile's links (the board's reset).
    void clearLinks();

    // Mean of the tiles' world centres (x, y); (0, 0) for none.
    V2 averagePosition(const ZTileList& tiles) const;

    ZLevelLoader& loader() { return m_loader; }
    const ZLevelLoader& loader() const { return m_loader; }
    int32_t getWidth() const { return m_width; }
    int32_t getHeight() const { return m_height; }
    // Every tile in array order (rows top to bottom, columns left to right).
    void collectTiles(ZTileList& out) const;
    int32_t getTileCount() const;
    float getCellWidth() const { return m_cellWidth; }
    float getCellHeight() const { return m_cellHeight; }
    void setCellSize(float width, float height)
    {
        m_cellWidth = width;
        m_cellHeight = height;
    }
    float getUsedWidth() const { return m_usedWidth; }
    float getUsedHeight() const { return m_usedHeight; }
    float getHalfWidth() const { return m_halfWidth; }
    float getNegHalfHeight() const { return m_negHalfHeight; }
    int32_t getFirstUsedColumn() const { return m_firstUsedColumn; }
    int32_t getFirstUsedRow() const { return m_firstUsedRow; }
    int32_t getColumnsRight() const { return m_columnsRight; }
    int32_t getRowsBelow() const { return m_rowsBelow; }
    // Two values the board keeps with the grid.
    float extra[2] = {};

private:
    void makeTile(int32_t column, int32_t row);
    void setExitsFromCells(ZTile* tile, int32_t column, int32_t row);
    void placeFirstToken(ZTile* tile, size_t& artifactIndex);

    ZTile** m_tiles = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    float m_cellWidth = kDefaultCellSize;
    float m_cellHeight = kDefaultCellSize;
    float m_usedWidth = 0.0f;
    float m_usedHeight = 0.0f;
    float m_halfWidth = 0.0f;
    float m_negHalfHeight = 0.0f;
    float m_builtHalfWidth = 0.0f;
    float m_builtNegHalfHeight = 0.0f;
    int32_t m_rotation = 0;
    int32_t m_gravity = kDirDown;
    int32_t m_firstUsedColumn = 0;
    int32_t m_columnsRight = 0;
    int32_t m_firstUsedRow = 0;
    int32_t m_rowsBelow = 0;
    ZLevelLoader m_loader;
};
