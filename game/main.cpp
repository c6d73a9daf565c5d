// Process entry: runs the engine's start-up steps, frame loop and shutdown for Quorvane.
#include <malloc.h>

#include "game/shell/ZQuorvaneEngine.h"

int main(int argc, char** argv)
{
    // The start-up decodes every picture and sound once and frees each buffer after handing it on.
    // With a fixed threshold those large buffers are mapped on their own and go back to the system
    // when freed; the allocator's moving threshold would keep them in the heap for the whole run.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    // argv[0] is the program, not a word of the command line.
    return RunEngine(argc - 1, argv + 1, ZQuorvaneEngineFactory::Get());
}
