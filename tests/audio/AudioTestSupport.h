#pragma once
// Sound files made by the tests themselves: WAV files written field by field and Ogg Vorbis files
// encoded with libvorbisenc, plus the reference decode of an Ogg file through vorbisfile alone.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/platform/audio/ISoundDevice.h"
#include "tests/support/TestFiles.h"

namespace audiotest
{
// Interleaved 16-bit samples of a sine per channel (left 440 Hz, right 660 Hz) at `amplitude`.
std::vector<int16_t> Sine(uint32_t frames, uint16_t channels, uint32_t rate, double amplitude = 12000.0,
                          double leftHz = 440.0, double rightHz = 660.0);

// A canonical 44-byte-header WAV file of the given sample format and data.
std::vector<uint8_t> MakeWav(const std::vector<uint8_t>& data, uint16_t channels, uint32_t rate,
                             uint16_t bits = 16, uint16_t formatTag = 1);
std::vector<uint8_t> SamplesToBytes(const std::vector<int16_t>& samples);

// Encodes the samples as Ogg Vorbis (quality 0.4).
std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate);

// What vorbisfile alone decodes from the file: 16-bit little-endian signed PCM.
std::vector<int16_t> DecodeOggReference(const std::string& path);

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

// A fresh folder under the system's temporary folder, removed by the destructor.
class TempFolder : public qvtest::TempDir
{
public:
    TempFolder();
    std::string File(const char* name) const { return Path() + "/" + name; }
};

// Renders `frames` frames of the device's output (manual pump).
std::vector<int16_t> Render(ISoundDevice* device, uint32_t frames);
} // namespace audiotest
