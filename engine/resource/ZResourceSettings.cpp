// Where resources come from; meanings in ZResourceSettings.h.
#include "engine/resource/ZResourceSettings.h"

namespace
{
constexpr uint32_t kNone = ZProperty::kNoGroup;
}

ZPropertyText g_language("language", "Language", "2 letter language code for the game content", 0, kNone,
                         std::string("en"));
ZPropertyBool g_gameResourceFileLast("game.resourcefilelast", "Resource File Last",
                                     "Look in the resource file after the directory", 0, kNone, false);
ZPropertyBool g_gameDisableResourceFile("game.disableresourcefile", "Disable zip loading",
                                        "Don't load from resource file", 2, kNone, false);
