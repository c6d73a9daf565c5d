#include "AudioTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include "engine/fs/ZFile.h"

namespace audiotest
{
namespace
{
constexpr double kPi = 3.14159265358979323846;

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    // Byte by byte: a four-byte range insert trips a false overflow warning in optimised builds.
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}
} // namespace

std::vector<int16_t> Sine(uint32_t frames, uint16_t channels, uint32_t rate, double amplitude, double leftHz,
                          double rightHz)
{
    std::vector<int16_t> v;
    v.reserve(size_t(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i)
    {
        const double t = double(i) / double(rate);
        v.push_back(int16_t(std::lround(amplitude * std::sin(2.0 * kPi * leftHz * t))));
        if (channels == 2)
            v.push_back(int16_t(std::lround(amplitude * std::sin(2.0 * kPi * rightHz * t))));
    }
    return v;
}

std::vector<uint8_t> SamplesToBytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples)
        PutU16(out, uint16_t(s));
    return out;
}

std::vector<uint8_t> MakeWav(const std::vector<uint8_t>& data, uint16_t channels, uint32_t rate,
                             uint16_t bits, uint16_t formatTag)
{
    std::vector<uint8_t> out;
    const uint16_t blockAlign = uint16_t(channels * bits / 8);
    PutTag(out, "RIFF");
    PutU32(out, uint32_t(36 + data.size()));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, formatTag);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, blockAlign * rate);
    PutU16(out, blockAlign);
    PutU16(out, bits);
    PutTag(out, "data");
    PutU32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<uint8_t> EncodeOgg(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate)
{
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, long(rate), 0.4f) != 0)
        throw std::runtime_error("vorbis_encode_init_vbr");
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);

    auto writePage = [&out](const ogg_page& page)
    {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };

    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        writePage(page);

    const size_t frames = samples.size() / channels;
    size_t done = 0;
    bool eos = false;
    while (!eos)
    {
        const size_t chunk = std::min<size_t>(1024, frames - done);
        if (chunk == 0)
            vorbis_analysis_wrote(&vd, 0);
        else
        {
            float** buffer = vorbis_analysis_buffer(&vd, int(chunk));
            for (size_t i = 0; i < chunk; ++i)
                for (uint16_t c = 0; c < channels; ++c)
                    buffer[c][i] = float(samples[(done + i) * channels + c]) / 32768.0f;
            vorbis_analysis_wrote(&vd, int(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet))
            {
                ogg_stream_packetin(&os, &packet);
                while (!eos && ogg_stream_pageout(&os, &page) != 0)
                {
                    writePage(page);
                    if (ogg_page_eos(&page))
                        eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::vector<int16_t> DecodeOggReference(const std::string& path)
{
    std::vector<int16_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return out;
    char buffer[8192];
    int bitstream = 0;
    for (;;)
    {
        const long n = ov_read(&vf, buffer, sizeof(buffer), 0, 2, 1, &bitstream);
        if (n == OV_HOLE)
            continue;
        if (n <= 0)
            break;
        for (long i = 0; i + 1 < n; i += 2)
            out.push_back(int16_t(uint16_t(uint8_t(buffer[i]) | (uint8_t(buffer[i + 1]) << 8))));
    }
    ov_clear(&vf);
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    return out;
}

TempFolder::TempFolder() : TempDir("qv_audio")
{
    if (Path().empty())
        throw std::runtime_error("mkdtemp");
}

std::vector<int16_t> Render(ISoundDevice* device, uint32_t frames)
{
    std::vector<int16_t> out(size_t(frames) * 2);
    device->Render(out.data(), frames);
    return out;
}
} // namespace audiotest
