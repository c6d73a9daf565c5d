// Feeds arbitrary bytes to the session player as a recorded session: frames are read into an input
// until the data ends or a damaged record stops playback.
#include <cstddef>
#include <cstdint>

#include "FuzzMemFile.h"
#include "engine/app/ZInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::MemFile memory(data, size);
    if (!memory.Ok())
        return 0;
    ZInputRecorder recorder;
    recorder.SetMode(ZInputRecorder::kPlay);
    if (recorder.Open(memory.Path().c_str()) != 0)
        return 0;
    ZInput input;
    // A record holds at least its header: the frames cannot outnumber the bytes.
    for (size_t frames = 0; frames <= size && recorder.ReadFrame(input); ++frames)
        input.Update();
    recorder.Close();
    return 0;
}
