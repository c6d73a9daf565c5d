// Feeds arbitrary bytes to the font descriptor parser, then measures a text with what it read.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "engine/render/ZFont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZFont* font = ZFont::Create();
    if (font->ParseDescriptor(reinterpret_cast<const char*>(data), size) == 0)
    {
        float width = 0.0f, height = 0.0f, top = 0.0f;
        const char16_t text[] = u"Quorvane 0123 !? \u00e9";
        font->MeasureText(text, width, height, top, int(std::size(text) - 1), 1.0f);
    }
    delete font;
    return 0;
}
