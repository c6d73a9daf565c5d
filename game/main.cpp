// Process entry: runs the engine's start-up steps, frame loop and shutdown for Quorvane.
#include "game/shell/ZQuorvaneEngine.h"

int main(int argc, char** argv)
{
    // argv[0] is the program, not a word of the command line.
    return RunEngine(argc - 1, argv + 1, ZQuorvaneEngineFactory::Get());
}
