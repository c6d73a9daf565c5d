#pragma once
// Where resources come from: the content language and the order of the archive and the folder.
#include "engine/core/ZProperty.h"

// Two-letter language code of the content ("en"): picks the "localized" folder and the strings
// file, and the scene files' language-tagged nodes.
extern ZPropertyText g_language;
// The "resources" alias looks in the folder first and the archive after (on), or the archive
// first (off, the default).
extern ZPropertyBool g_gameResourceFileLast;
// The archive is not mounted at all; everything comes from the folder (off).
extern ZPropertyBool g_gameDisableResourceFile;
