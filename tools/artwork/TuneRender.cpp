#include "TuneRender.h"

#include "sound/MediaPlayer.h"
#include "sound/formats/MidiSynth.h"

#include <QFile>

#include <fluidsynth.h>
#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <memory>

namespace art {

std::vector<std::int16_t> renderMidi(const QString &midiFile, const QString &soundFont)
{
    lettora::MidiSynth made(TuneRate, soundFont);
    if (!made.ok())
        return {};
    fluid_synth_t *synth = made.synth();
    std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player(new_fluid_player(synth),
                                                                           &delete_fluid_player);
    if (fluid_player_add(player.get(), QFile::encodeName(midiFile).constData()) != FLUID_OK
        || fluid_player_play(player.get()) != FLUID_OK)
        return {};
    constexpr int Block = 512;
    constexpr int ReleaseBlocks = 3 * TuneRate / Block;  // the last notes ring out
    std::vector<std::int16_t> pcm;
    std::int16_t block[Block * 2];
    int after = 0;
    while (after < ReleaseBlocks) {
        if (fluid_player_get_status(player.get()) != FLUID_PLAYER_PLAYING)
            ++after;
        fluid_synth_write_s16(synth, Block, block, 0, 2, block, 1, 2);
        pcm.insert(pcm.end(), block, block + Block * 2);
    }
    constexpr int Silence = 8;  // in 16-bit steps
    std::size_t end = pcm.size();
    while (end >= 2 && std::abs(pcm[end - 1]) <= Silence && std::abs(pcm[end - 2]) <= Silence)
        end -= 2;
    pcm.resize(end);
    return pcm;
}

bool recordMidi(const QString &midiFile, const QString &soundFont)
{
    QFile midi(midiFile);
    if (!midi.open(QIODevice::ReadOnly))
        return false;
    const std::vector<std::int16_t> pcm = renderMidi(midiFile, soundFont);
    return !pcm.empty()
        && writeOggVorbis(lettora::midiRecording(midiFile), pcm, lettora::midiRecordingComment(midi.readAll()));
}

bool writeOggVorbis(const QString &file, const std::vector<std::int16_t> &pcm, const QByteArray &text)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    vorbis_info info;
    vorbis_info_init(&info);
    constexpr float Quality = 0.3f;  // about 110 kbit/s: clean for these tunes, a few hundred KB each
    if (vorbis_encode_init_vbr(&info, 2, TuneRate, Quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    if (!text.isEmpty())
        vorbis_comment_add(&comment, text.constData());
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 20261207);
    bool ok = true;
    auto writePage = [&](const ogg_page &page) {
        ok = ok && out.write(reinterpret_cast<const char *>(page.header), page.header_len) == page.header_len
            && out.write(reinterpret_cast<const char *>(page.body), page.body_len) == page.body_len;
    };
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        writePage(page);

    constexpr std::size_t Frames = 1024;
    const std::size_t total = pcm.size() / 2;
    for (std::size_t at = 0;;) {
        const std::size_t n = std::min(Frames, total - at);
        if (n > 0) {
            float **buffer = vorbis_analysis_buffer(&dsp, int(n));
            for (std::size_t i = 0; i < n; ++i) {
                buffer[0][i] = pcm[2 * (at + i)] / 32768.0f;
                buffer[1][i] = pcm[2 * (at + i) + 1] / 32768.0f;
            }
        }
        vorbis_analysis_wrote(&dsp, int(n));  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page))
                    writePage(page);
            }
        }
        if (n == 0)
            break;
        at += n;
    }
    while (ogg_stream_flush(&stream, &page))
        writePage(page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok && out.flush();
}

} // namespace art
