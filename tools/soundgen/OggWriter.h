#pragma once

#include <string>
#include <vector>

namespace qvtool
{

// Encodes float samples (interleaved, [-1, 1]) as Ogg Vorbis with libvorbisenc. The stream
// serial number is given by the caller so that the same input always gives the same bytes.
bool WriteOggVorbis(const std::string& path, const std::vector<float>& interleaved, int channels, int rate,
                    float quality, int serial, const std::string& title);

} // namespace qvtool
