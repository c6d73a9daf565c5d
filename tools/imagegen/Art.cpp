// Dispatch from a generator name to the painter of its family (ArtTokens, ArtScenery,
// ArtInterface, ArtBoard, ArtDecor, ArtCrew, ArtHiddenObject, ArtHud and the lettering in Title).
#include "tools/imagegen/Art.h"

#include <algorithm>

#include "tools/imagegen/ArtBoard.h"
#include "tools/imagegen/ArtDecor.h"
#include "tools/imagegen/ArtHiddenObject.h"
#include "tools/imagegen/ArtHud.h"
#include "tools/imagegen/ArtMap.h"
#include "tools/imagegen/ArtPainters.h"
#include "tools/imagegen/ArtShop.h"
#include "tools/imagegen/ArtStory.h"
#include "tools/imagegen/Title.h"

namespace qvtool
{

bool DrawArt(const std::string& generator, const ToolOptions& options, Canvas& canvas, std::string& error)
{
    bool boardArt = false;
    const bool boardDrawn = DrawBoardArt(generator, options, canvas, error, boardArt);
    if (boardArt)
        return boardDrawn;
    bool decor = false;
    const bool decorDrawn = DrawDecorArt(generator, options, canvas, error, decor);
    if (decor)
        return decorDrawn;
    bool hidden = false;
    const bool hiddenDrawn = DrawHiddenObjectArt(generator, options, canvas, error, hidden);
    if (hidden)
        return hiddenDrawn;
    bool shop = false;
    const bool shopDrawn = DrawShopArt(generator, options, canvas, error, shop);
    if (shop)
        return shopDrawn;
    bool story = false;
    const bool storyDrawn = DrawStoryArt(generator, options, canvas, error, story);
    if (story)
        return storyDrawn;
    bool hud = false;
    const bool hudDrawn = DrawHudArt(generator, options, canvas, error, hud);
    if (hud)
        return hudDrawn;
    bool map = false;
    const bool mapDrawn = DrawMapArt(generator, options, canvas, error, map);
    if (map)
        return mapDrawn;
    if (generator == "creature")
        return DrawCreature(options, canvas, error);
    if (generator == "treasure")
        return DrawTreasure(options, canvas, error);
    if (generator == "sea")
    {
        DrawSea(options, canvas);
        return true;
    }
    if (generator == "caustics")
        return DrawCaustics(options, canvas, error);
    if (generator == "beams")
    {
        DrawBeams(options, canvas);
        return true;
    }
    if (generator == "button")
    {
        DrawButton(options, canvas);
        return true;
    }
    if (generator == "panel")
    {
        DrawPanel(options, canvas);
        return true;
    }
    if (generator == "pointer")
        return DrawPointer(options, canvas, error);
    if (generator == "particle")
        return DrawParticle(options, canvas, error);
    if (generator == "tile")
        return DrawTile(options, canvas, error);
    if (generator == "medal")
    {
        DrawMedal(options, canvas);
        return true;
    }
    if (generator == "bar")
    {
        DrawBar(options, canvas);
        return true;
    }
    if (generator == "title")
        return DrawTitle(options, canvas, error);
    if (generator == "power")
        return DrawPower(options, canvas, error);
    if (generator == "splash")
    {
        // The emblem above, the lettering below.
        const int emblemSize = std::min(canvas.Width(), canvas.Height() * 3 / 4);
        Canvas emblem(emblemSize, emblemSize);
        const ToolOptions emblemDefaults(0, nullptr, 0, 0); // the colour options belong to the lettering
        DrawEmblem(emblemDefaults, emblem);
        canvas.DrawRotated(emblem, canvas.Width() / 2.0f, emblemSize / 2.0f, 0.0f, 1.0f, 0, 0, canvas.Width(),
                           emblemSize);
        Canvas lettering(canvas.Width(), canvas.Height() - emblemSize);
        if (!DrawTitle(options, lettering, error))
            return false;
        canvas.DrawRotated(lettering, canvas.Width() / 2.0f, emblemSize + lettering.Height() / 2.0f, 0.0f,
                           1.0f, 0, emblemSize, canvas.Width(), lettering.Height());
        return true;
    }
    if (generator == "icon")
        return DrawIcon(options, canvas, error);
    if (generator == "portrait")
        return DrawPortrait(options, canvas, error);
    if (generator == "spinner")
        return DrawSpinner(options, canvas, error);
    if (generator == "bubbleanim")
        return DrawBubbleAnimation(options, canvas, error);
    if (generator == "turnsheet")
        return DrawTurnSheet(options, canvas, error);
    if (generator == "emblem")
    {
        DrawEmblem(options, canvas);
        return true;
    }
    error = "unknown generator '" + generator + "'";
    return false;
}

} // namespace qvtool
