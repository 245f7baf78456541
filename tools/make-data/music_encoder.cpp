#include "music_encoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace {

void AppendPage(const ogg_page& page, std::string* out) {
    out->append(reinterpret_cast<const char*>(page.header), static_cast<std::size_t>(page.header_len));
    out->append(reinterpret_cast<const char*>(page.body), static_cast<std::size_t>(page.body_len));
}

// Moves every finished packet into the stream and every full page into `out`.
void Drain(vorbis_dsp_state* dsp, vorbis_block* block, ogg_stream_state* stream, std::string* out) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(dsp, block) == 1) {
        vorbis_analysis(block, nullptr);
        vorbis_bitrate_addblock(block);
        while (vorbis_bitrate_flushpacket(dsp, &packet) == 1) {
            ogg_stream_packetin(stream, &packet);
            while (ogg_stream_pageout(stream, &page) != 0) AppendPage(page, out);
        }
    }
}

}  // namespace

bool EncodeOggVorbis(const OggVorbisInput& input, std::string* out) {
    const long frames = static_cast<long>(input.samples.size()) / input.channels;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, input.channels, input.rate, input.quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "velmora make-data");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, input.serial);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    // The audio starts on a page of its own.
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);

    constexpr long kChunk = 4096;
    for (long start = 0; start < frames; start += kChunk) {
        long count = std::min(kChunk, frames - start);
        float** channels = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
        const float* source = input.samples.data() + start * input.channels;
        for (long i = 0; i < count; ++i)
            for (int c = 0; c < input.channels; ++c) channels[c][i] = source[i * input.channels + c];
        vorbis_analysis_wrote(&dsp, static_cast<int>(count));
        Drain(&dsp, &block, &stream, out);
    }
    vorbis_analysis_wrote(&dsp, 0);
    Drain(&dsp, &block, &stream, out);
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}
