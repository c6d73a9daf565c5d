// Feeds arbitrary bytes to the story reader as a story file, then walks the linked paragraphs the
// way the story screen does, with a step limit so a cycle of links is not an endless loop here.
#include <cstddef>
#include <cstdint>

#include "engine/import/ZStoryXMLImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZStoryXMLImport story;
    story.ImportBuffer(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    for (const SStoryParagraph* paragraph : story.GetParagraphs())
    {
        if (!paragraph)
            __builtin_trap();
        const SStoryParagraph* at = paragraph;
        for (int step = 0; at && step < 64; ++step)
        {
            total += at->text.size() + at->title.size() + at->events.size() + at->onYesEvents.size();
            at = step % 2 ? at->next : (at->no ? at->no : at->next);
        }
        if (paragraph->previous)
            total += paragraph->previous->id.size();
    }
    return total == size_t(-1) ? 1 : 0;
}
