#include "engine/render/IRender.h"

IRender* g_render = nullptr;
