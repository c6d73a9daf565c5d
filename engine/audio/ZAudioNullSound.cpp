#include "engine/audio/ZAudioNullSound.h"

ZAudioNullSound::~ZAudioNullSound()
{
    StopMusicThread();
}
