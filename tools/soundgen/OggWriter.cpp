#include "tools/soundgen/OggWriter.h"

#include <algorithm>
#include <cstdio>

#include <vorbis/vorbisenc.h>

namespace qvtool
{

namespace
{
bool WritePage(std::FILE* file, const ogg_page& page)
{
    return std::fwrite(page.header, 1, page.header_len, file) == size_t(page.header_len) &&
           std::fwrite(page.body, 1, page.body_len, file) == size_t(page.body_len);
}
} // namespace

bool WriteOggVorbis(const std::string& path, const std::vector<float>& interleaved, int channels, int rate,
                    float quality, int serial, const std::string& title)
{
    if (channels < 1 || channels > 2 || rate < 8000)
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0)
    {
        vorbis_info_clear(&info);
        std::fclose(file);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", title.c_str());
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    bool ok = true;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        ok = WritePage(file, page) && ok;

    const long frames = static_cast<long>(interleaved.size() / channels);
    const long chunk = 4096;
    long done = 0;
    bool ended = false;
    while (!ended)
    {
        long count = std::min(chunk, frames - done);
        if (count > 0)
        {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = interleaved[size_t(done + i) * channels + c];
            vorbis_analysis_wrote(&dsp, static_cast<int>(count));
            done += count;
        }
        else
            vorbis_analysis_wrote(&dsp, 0); // end of stream

        while (vorbis_analysis_blockout(&dsp, &block) == 1)
        {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1)
            {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                {
                    ok = WritePage(file, page) && ok;
                    if (ogg_page_eos(&page))
                        ended = true;
                }
            }
        }
        if (count <= 0 && !ended)
        {
            // Everything analysed: flush what is left.
            while (ogg_stream_flush(&stream, &page) != 0)
                ok = WritePage(file, page) && ok;
            ended = true;
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

} // namespace qvtool
