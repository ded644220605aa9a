#include "EvidenceVideo.h"

#include "FileNameBytes.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <pthread.h>

namespace {

QString AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

QByteArray PathBytes(const QString &path)
{
    return EncodeFileName(path);
}

struct FormatInput
{
    AVFormatContext *context = nullptr;
    ~FormatInput() { avformat_close_input(&context); }
};
struct CodecContext
{
    AVCodecContext *context = nullptr;
    ~CodecContext() { avcodec_free_context(&context); }
};
struct Frame
{
    AVFrame *frame = av_frame_alloc();
    ~Frame() { av_frame_free(&frame); }
};
struct Packet
{
    AVPacket *packet = av_packet_alloc();
    ~Packet() { av_packet_free(&packet); }
};

// ITU-R BT.601, limited range, on premultiplied colour: what one box pixel adds to a plane
// value, and how much of the picture shows through (0-256).
struct BoxPlanes
{
    int width = 0, height = 0;           // even
    std::vector<int> lumaKeep, luma;     // width x height
    std::vector<int> chromaKeep, cb, cr; // width/2 x height/2, values x 256
};

BoxPlanes ToBoxPlanes(const QImage &box)
{
    BoxPlanes p;
    p.width = box.width() & ~1;
    p.height = box.height() & ~1;
    p.lumaKeep.resize(size_t(p.width) * p.height);
    p.luma.resize(p.lumaKeep.size());
    const int cw = p.width / 2, ch = p.height / 2;
    p.chromaKeep.assign(size_t(cw) * ch, 0);
    p.cb.assign(size_t(cw) * ch, 0);
    p.cr.assign(size_t(cw) * ch, 0);
    for (int y = 0; y < p.height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(box.constScanLine(y));
        for (int x = 0; x < p.width; ++x) {
            const QRgb c = line[x]; // premultiplied
            const int a = qAlpha(c), r = qRed(c), g = qGreen(c), b = qBlue(c);
            const size_t i = size_t(y) * p.width + x;
            p.lumaKeep[i] = 256 - (a * 256 + 127) / 255;
            p.luma[i] = int(std::lround(16.0 * a / 255 + 0.257 * r + 0.504 * g + 0.098 * b));
            const size_t j = size_t(y / 2) * cw + x / 2;
            // Sums over the 2 x 2 block, x 64 so that the block's mean comes out x 256.
            p.chromaKeep[j] += p.lumaKeep[i];
            p.cb[j] += int(std::lround(64 * (128.0 * a / 255 - 0.148 * r - 0.291 * g + 0.439 * b)));
            p.cr[j] += int(std::lround(64 * (128.0 * a / 255 + 0.439 * r - 0.368 * g - 0.071 * b)));
        }
    }
    for (int &keep : p.chromaKeep)
        keep /= 4;
    return p;
}

// Draws the box into a YUV 4:2:0 picture at (left, top), both even.
void BlendBox(AVFrame *frame, const BoxPlanes &p, int left, int top)
{
    const int w = std::min(p.width, (frame->width - left) & ~1);
    const int h = std::min(p.height, (frame->height - top) & ~1);
    if (w <= 0 || h <= 0)
        return;
    for (int y = 0; y < h; ++y) {
        uint8_t *row = frame->data[0] + size_t(top + y) * frame->linesize[0] + left;
        const int *keep = &p.lumaKeep[size_t(y) * p.width];
        const int *add = &p.luma[size_t(y) * p.width];
        for (int x = 0; x < w; ++x)
            row[x] = uint8_t(std::clamp((row[x] * keep[x] >> 8) + add[x], 0, 255));
    }
    const int cw = p.width / 2;
    for (int y = 0; y < h / 2; ++y) {
        uint8_t *u = frame->data[1] + size_t(top / 2 + y) * frame->linesize[1] + left / 2;
        uint8_t *v = frame->data[2] + size_t(top / 2 + y) * frame->linesize[2] + left / 2;
        const size_t base = size_t(y) * cw;
        for (int x = 0; x < w / 2; ++x) {
            const int keep = p.chromaKeep[base + x];
            u[x] = uint8_t(std::clamp((u[x] * keep + p.cb[base + x]) >> 8, 0, 255));
            v[x] = uint8_t(std::clamp((v[x] * keep + p.cr[base + x]) >> 8, 0, 255));
        }
    }
}

double Seconds(int64_t ts, AVRational base)
{
    return ts == AV_NOPTS_VALUE ? std::nan("") : double(ts) * av_q2d(base);
}

// The encoders and the file they write.
class COutput
{
public:
    ~COutput()
    {
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        av_audio_fifo_free(fifo);
        if (muxer) {
            if (muxer->pb)
                avio_closep(&muxer->pb);
            avformat_free_context(muxer);
        }
    }

    AVFormatContext *muxer = nullptr;
    AVCodecContext *video = nullptr;
    AVCodecContext *audio = nullptr;
    AVStream *videoStream = nullptr;
    AVStream *audioStream = nullptr;
    AVAudioFifo *fifo = nullptr;
    int64_t audioPts = 0;   // samples sent to the encoder
    int64_t audioTotal = 0; // samples put into the fifo
    int writeError = 0;     // the file could not be written (a full or vanished disk)
    Packet packet;

    int Drain(AVCodecContext *encoder, AVStream *stream)
    {
        for (;;) {
            int r = avcodec_receive_packet(encoder, packet.packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
                return 0;
            if (r < 0)
                return r;
            av_packet_rescale_ts(packet.packet, encoder->time_base, stream->time_base);
            packet.packet->stream_index = stream->index;
            r = av_interleaved_write_frame(muxer, packet.packet);
            if (r < 0) {
                writeError = r;
                return r;
            }
        }
    }

    int SendAudio(bool flush)
    {
        const int size = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (av_audio_fifo_size(fifo) >= size || (flush && av_audio_fifo_size(fifo) > 0)) {
            Frame f;
            f.frame->nb_samples = std::min(size, av_audio_fifo_size(fifo));
            f.frame->format = audio->sample_fmt;
            f.frame->sample_rate = audio->sample_rate;
            av_channel_layout_copy(&f.frame->ch_layout, &audio->ch_layout);
            int r = av_frame_get_buffer(f.frame, 0);
            if (r < 0)
                return r;
            av_audio_fifo_read(fifo, reinterpret_cast<void **>(f.frame->data), f.frame->nb_samples);
            f.frame->pts = audioPts;
            audioPts += f.frame->nb_samples;
            if ((r = avcodec_send_frame(audio, f.frame)) < 0 || (r = Drain(audio, audioStream)) < 0)
                return r;
        }
        return 0;
    }

    // Silence up to `samples` in all.
    int PadAudio(int64_t samples)
    {
        if (samples <= audioTotal)
            return 0;
        // A second of silence at a time.
        Frame f;
        f.frame->nb_samples = audio->sample_rate;
        f.frame->format = audio->sample_fmt;
        av_channel_layout_copy(&f.frame->ch_layout, &audio->ch_layout);
        int r = av_frame_get_buffer(f.frame, 0);
        if (r < 0)
            return r;
        av_samples_set_silence(f.frame->data, 0, f.frame->nb_samples, audio->ch_layout.nb_channels,
                               audio->sample_fmt);
        while (audioTotal < samples) {
            const int n = int(std::min<int64_t>(samples - audioTotal, f.frame->nb_samples));
            av_audio_fifo_write(fifo, reinterpret_cast<void **>(f.frame->data), n);
            audioTotal += n;
            if ((r = SendAudio(false)) < 0)
                return r;
        }
        return 0;
    }
};

struct ClipFormat
{
    int width = 0, height = 0;
    AVRational rate{0, 1};
    bool audio = false;
    int sampleRate = 0;
    AVChannelLayout layout{};
};

bool ProbeClip(const QString &path, ClipFormat &format, QString &error)
{
    FormatInput in;
    int r = avformat_open_input(&in.context, PathBytes(path).constData(), nullptr, nullptr);
    if (r >= 0)
        r = avformat_find_stream_info(in.context, nullptr);
    const QString name = QFileInfo(path).fileName();
    if (r < 0) {
        error = QStringLiteral("%1 cannot be read: %2").arg(name, AvError(r));
        return false;
    }
    const int v = av_find_best_stream(in.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v < 0) {
        error = QStringLiteral("%1 holds no video.").arg(name);
        return false;
    }
    const AVStream *vs = in.context->streams[v];
    format.width = vs->codecpar->width;
    format.height = vs->codecpar->height;
    format.rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    if (format.rate.num <= 0 || format.rate.den <= 0)
        format.rate = AVRational{30, 1};
    const int a = av_find_best_stream(in.context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (a >= 0 && in.context->streams[a]->codecpar->sample_rate > 0 &&
        in.context->streams[a]->codecpar->ch_layout.nb_channels > 0) {
        format.audio = true;
        format.sampleRate = in.context->streams[a]->codecpar->sample_rate;
        av_channel_layout_default(
            &format.layout, std::min(2, in.context->streams[a]->codecpar->ch_layout.nb_channels));
    }
    return true;
}

AVCodecContext *OpenDecoder(const AVStream *stream, int threads)
{
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    AVCodecContext *context = avcodec_alloc_context3(codec);
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0) {
        avcodec_free_context(&context);
        return nullptr;
    }
    context->pkt_timebase = stream->time_base;
    context->thread_count = threads;
    if (avcodec_open2(context, codec, nullptr) < 0)
        avcodec_free_context(&context);
    return context;
}

struct FrameFree
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// One step for the encoding side. The steps come in the order the encoders are to see them, so
// that the file is the same whichever side runs ahead.
struct Step
{
    enum Kind { Picture, Sound, Silence, End };
    Kind kind = End;
    FramePtr frame;         // a picture with its texts, or sound in the encoder's format
    int skip = 0, keep = 0; // sound: the samples that belong to the span
    int64_t samples = 0;    // silence: sound up to this many samples in all
    bool cancelled = false; // end
    QString error;          // end: why the clips could not be read to the end
};

// The steps from the reading thread to the encoding one. Only a few pictures wait, enough for
// neither side to wait on the other for long.
class CSteps
{
public:
    // Waits for room; false once the encoding side has stopped.
    bool Push(Step step)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] {
            return m_stopped || (m_pictures < kPictures && m_steps.size() < kSteps);
        });
        if (m_stopped)
            return false;
        m_pictures += step.kind == Step::Picture ? 1 : 0;
        m_steps.push_back(std::move(step));
        m_changed.notify_all();
        return true;
    }

    // Waits for the next step. The reading side always ends with an End step.
    Step Pop()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_steps.empty(); });
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        m_pictures -= step.kind == Step::Picture ? 1 : 0;
        m_changed.notify_all();
        return step;
    }

    // The encoding side takes no more steps.
    void Stop()
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }

private:
    static constexpr size_t kPictures = 4;
    static constexpr size_t kSteps = 32;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Step> m_steps;
    size_t m_pictures = 0;
    bool m_stopped = false;
};

// Reads the pieces one after the other on a thread of its own: decodes them, keeps the span's
// pictures and sound, draws each second's texts on its pictures and hands all on as steps.
class CReader
{
public:
    CReader(const std::vector<EvidenceVideoPiece> &pieces, const std::vector<OverlayText> &texts,
            bool overlay, int width, int height, double fps, const ClipFormat &sound,
            const std::atomic<bool> &cancel, CSteps &steps)
        : m_pieces(pieces)
        , m_texts(texts)
        , m_overlay(overlay)
        , m_width(width)
        , m_height(height)
        , m_fps(fps)
        , m_sound(sound)
        , m_cancel(cancel)
        , m_steps(steps)
        , m_margin(std::max(4, height / 40) & ~1)
    {}
    ~CReader() { sws_freeContext(m_sws); }

    void Run()
    {
        for (const EvidenceVideoPiece &piece : m_pieces) {
            if (!ReadPiece(piece))
                return;
        }
        m_steps.Push(Step{});
    }

private:
    // False when reading has ended early: an End step is sent, or the encoding side stopped.
    bool ReadPiece(const EvidenceVideoPiece &piece);

    bool End(const QString &error, bool cancelled = false)
    {
        Step step;
        step.cancelled = cancelled;
        step.error = error;
        m_steps.Push(std::move(step));
        return false;
    }

    // AVERROR_EXIT once the encoding side has stopped.
    int Send(Step step) { return m_steps.Push(std::move(step)) ? 0 : AVERROR_EXIT; }

    int Silence(int64_t samples)
    {
        if (samples <= m_soundTotal)
            return 0;
        m_soundTotal = samples;
        Step step;
        step.kind = Step::Silence;
        step.samples = samples;
        return Send(std::move(step));
    }

    const BoxPlanes *BoxFor(int64_t second)
    {
        if (!m_overlay || second < 0 || second >= int64_t(m_texts.size()))
            return nullptr;
        if (second != m_boxSecond) {
            m_box = ToBoxPlanes(RenderOverlayBox(m_texts[size_t(second)], m_height));
            m_boxSecond = second;
        }
        return &m_box;
    }

    const std::vector<EvidenceVideoPiece> &m_pieces;
    const std::vector<OverlayText> &m_texts;
    const bool m_overlay;
    const int m_width, m_height;
    const double m_fps;
    ClipFormat m_sound; // the output's sound (a copy: the resampler wants it writable)
    const std::atomic<bool> &m_cancel;
    CSteps &m_steps;
    const int m_margin;
    int64_t m_framesMade = 0; // pictures sent
    int64_t m_soundTotal = 0; // samples sent
    BoxPlanes m_box;
    int64_t m_boxSecond = -1;
    SwsContext *m_sws = nullptr;
};

bool CReader::ReadPiece(const EvidenceVideoPiece &piece)
{
    const QString name = QFileInfo(piece.path).fileName();
    FormatInput in;
    int r = avformat_open_input(&in.context, PathBytes(piece.path).constData(), nullptr, nullptr);
    if (r >= 0)
        r = avformat_find_stream_info(in.context, nullptr);
    if (r < 0)
        return End(QStringLiteral("%1 cannot be read: %2").arg(name, AvError(r)));
    const int vi = av_find_best_stream(in.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (vi < 0)
        return End(QStringLiteral("%1 holds no video.").arg(name));
    const int ai = m_sound.audio
                       ? av_find_best_stream(in.context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)
                       : -1;
    AVStream *vs = in.context->streams[vi];
    // As many decoding threads as the library picks for this computer (0), as the encoder.
    CodecContext vdec{OpenDecoder(vs, 0)};
    if (!vdec.context)
        return End(QStringLiteral("%1: its video cannot be decoded.").arg(name));
    CodecContext adec{ai >= 0 ? OpenDecoder(in.context->streams[ai], 1) : nullptr};
    SwrContext *swr = nullptr;
    struct SwrFree
    {
        SwrContext **p;
        ~SwrFree() { swr_free(p); }
    } swrFree{&swr};

    const double fps = m_fps;
    const int rate = m_sound.sampleRate;
    const double start =
        vs->start_time != AV_NOPTS_VALUE ? Seconds(vs->start_time, vs->time_base) : 0.0;
    const double from = double(piece.from), to = double(piece.to);
    const double halfFrame = 0.5 / fps;
    if (piece.from > 0) {
        const int64_t target = int64_t((from + start) / av_q2d(vs->time_base));
        av_seek_frame(in.context, vi, target, AVSEEK_FLAG_BACKWARD);
    }
    const int64_t pieceFirstFrame = m_framesMade;
    const int64_t expected = int64_t(std::lround((to - from) * fps));
    const int64_t audioTarget0 = m_soundTotal;
    const int64_t audioPieceSamples = m_sound.audio ? int64_t(std::lround((to - from) * rate)) : 0;
    bool videoDone = false, audioDone = ai < 0 || !adec.context;
    Frame decoded;
    Packet packet;
    double firstTime = std::nan("");
    int64_t decodedCount = 0;

    const auto takeVideo = [&]() -> int {
        for (;;) {
            int e = avcodec_receive_frame(vdec.context, decoded.frame);
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
                return 0;
            if (e < 0)
                return e;
            // Frames are counted from the first packet's time (the key frame the decoder
            // starts with shows first): a clip in AVI carries no presentation times, and
            // the times the decoder guesses for reordered frames are those of later packets.
            const double at =
                (std::isnan(firstTime) ? 0.0 : firstTime) + double(decodedCount++) / fps;
            const int64_t made = m_framesMade - pieceFirstFrame;
            if (videoDone || at < from - halfFrame || made >= expected || at >= to - halfFrame) {
                videoDone = videoDone || made >= expected || at >= to - halfFrame;
                av_frame_unref(decoded.frame);
                continue;
            }
            FramePtr picture(av_frame_alloc());
            if (!picture)
                return AVERROR(ENOMEM);
            if (decoded.frame->format != AV_PIX_FMT_YUV420P || decoded.frame->width != m_width ||
                decoded.frame->height != m_height) {
                m_sws = sws_getCachedContext(m_sws, decoded.frame->width, decoded.frame->height,
                                             AVPixelFormat(decoded.frame->format), m_width,
                                             m_height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                             nullptr, nullptr);
                if (!m_sws)
                    return AVERROR(EINVAL);
                picture->format = AV_PIX_FMT_YUV420P;
                picture->width = m_width;
                picture->height = m_height;
                if ((e = av_frame_get_buffer(picture.get(), 0)) < 0)
                    return e;
                sws_scale(m_sws, decoded.frame->data, decoded.frame->linesize, 0,
                          decoded.frame->height, picture->data, picture->linesize);
                av_frame_unref(decoded.frame);
            } else {
                av_frame_move_ref(picture.get(), decoded.frame);
            }
            // The decoder still refers to its picture: the texts go on a copy, and only when
            // there are texts to draw.
            if (const BoxPlanes *box = BoxFor(piece.spanOffset + int64_t(double(made) / fps))) {
                if ((e = av_frame_make_writable(picture.get())) < 0)
                    return e;
                BlendBox(picture.get(), *box, m_margin, m_margin);
            }
            Step step;
            step.kind = Step::Picture;
            step.frame = std::move(picture);
            if ((e = Send(std::move(step))) < 0)
                return e;
            if (++m_framesMade - pieceFirstFrame >= expected)
                videoDone = true;
        }
    };

    const auto takeAudio = [&]() -> int {
        for (;;) {
            int e = avcodec_receive_frame(adec.context, decoded.frame);
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
                return 0;
            if (e < 0)
                return e;
            const AVStream *as = in.context->streams[ai];
            const double t = Seconds(decoded.frame->best_effort_timestamp, as->time_base) - start;
            const double inRate = decoded.frame->sample_rate;
            const double length = decoded.frame->nb_samples / inRate;
            if (audioDone || std::isnan(t) || t + length <= from || t >= to) {
                audioDone = audioDone || (!std::isnan(t) && t >= to);
                av_frame_unref(decoded.frame);
                continue;
            }
            if (!swr) {
                e = swr_alloc_set_opts2(
                    &swr, &m_sound.layout, AV_SAMPLE_FMT_FLTP, rate, &decoded.frame->ch_layout,
                    AVSampleFormat(decoded.frame->format), decoded.frame->sample_rate, 0, nullptr);
                if (e < 0 || (e = swr_init(swr)) < 0)
                    return e;
            }
            FramePtr converted(av_frame_alloc());
            if (!converted)
                return AVERROR(ENOMEM);
            converted->format = AV_SAMPLE_FMT_FLTP;
            converted->sample_rate = rate;
            av_channel_layout_copy(&converted->ch_layout, &m_sound.layout);
            converted->nb_samples = int(swr_get_out_samples(swr, decoded.frame->nb_samples)) + 16;
            if ((e = av_frame_get_buffer(converted.get(), 0)) < 0)
                return e;
            const int got = swr_convert(swr, converted->data, converted->nb_samples,
                                        const_cast<const uint8_t **>(decoded.frame->extended_data),
                                        decoded.frame->nb_samples);
            av_frame_unref(decoded.frame);
            if (got < 0)
                return got;
            // Keep only the samples inside the piece, counted from its start.
            const int64_t firstWanted = int64_t(std::lround((std::max(t, from) - from) * rate));
            int skip = t < from ? int(std::lround((from - t) * rate)) : 0;
            if (m_soundTotal - audioTarget0 < firstWanted && skip == 0) {
                // A hole in the sound: silence up to where this frame starts.
                if ((e = Silence(audioTarget0 + firstWanted)) < 0)
                    return e;
            }
            skip = std::min(skip, got);
            int keep = got - skip;
            const int64_t room = audioPieceSamples - (m_soundTotal - audioTarget0);
            keep = int(std::clamp<int64_t>(keep, 0, std::max<int64_t>(0, room)));
            if (keep > 0) {
                m_soundTotal += keep;
                Step step;
                step.kind = Step::Sound;
                step.frame = std::move(converted);
                step.skip = skip;
                step.keep = keep;
                if ((e = Send(std::move(step))) < 0)
                    return e;
            }
            if (room - keep <= 0)
                audioDone = true;
        }
    };

    bool ended = false;
    while (!(videoDone && audioDone)) {
        if (m_cancel)
            return End(QStringLiteral("Cancelled."), true);
        r = av_read_frame(in.context, packet.packet);
        if (r == AVERROR_EOF) {
            ended = true;
            break;
        }
        if (r < 0)
            return End(QStringLiteral("%1 cannot be read any further: %2").arg(name, AvError(r)));
        int e = 0;
        if (packet.packet->stream_index == vi && !videoDone) {
            if (std::isnan(firstTime)) {
                const int64_t ts =
                    packet.packet->pts != AV_NOPTS_VALUE ? packet.packet->pts : packet.packet->dts;
                firstTime = ts == AV_NOPTS_VALUE ? 0.0 : Seconds(ts, vs->time_base) - start;
            }
            e = avcodec_send_packet(vdec.context, packet.packet);
            if (e >= 0 || e == AVERROR(EAGAIN))
                e = takeVideo();
        } else if (packet.packet->stream_index == ai && !audioDone && adec.context) {
            e = avcodec_send_packet(adec.context, packet.packet);
            if (e >= 0 || e == AVERROR(EAGAIN))
                e = takeAudio();
        }
        av_packet_unref(packet.packet);
        if (e == AVERROR_EXIT)
            return false;
        if (e < 0 && e != AVERROR(EAGAIN))
            return End(QStringLiteral("%1 cannot be decoded at %2 s: %3")
                           .arg(name)
                           .arg(piece.from + (m_framesMade - pieceFirstFrame) / std::max(1.0, fps),
                                0, 'f', 0)
                           .arg(AvError(e)));
    }
    if (ended) {
        // The decoders' last pictures and sound.
        avcodec_send_packet(vdec.context, nullptr);
        r = takeVideo();
        if (r >= 0 && adec.context) {
            avcodec_send_packet(adec.context, nullptr);
            r = takeAudio();
        }
        if (r == AVERROR_EXIT)
            return false;
        if (r < 0)
            return End(QStringLiteral("%1 cannot be decoded to its end: %2").arg(name, AvError(r)));
    }
    const int64_t made = m_framesMade - pieceFirstFrame;
    if (made + std::lround(fps) < expected)
        return End(QStringLiteral("%1 ends after %2 s, before the span does.")
                       .arg(name)
                       .arg(piece.from + double(made) / fps, 0, 'f', 1));
    // Sound up to the end of the pictures.
    if (m_sound.audio && Silence(int64_t(std::lround(double(m_framesMade) / fps * rate))) < 0)
        return false;
    return true;
}

} // namespace

QImage RenderOverlayBox(const OverlayText &text, int frameHeight)
{
    const int pixelSize = std::max(10, frameHeight / 30);
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setStyleHint(QFont::SansSerif);
    const QFontMetrics metrics(font);
    const QStringList lines = text.Lines();
    const int pad = std::max(3, pixelSize / 3);
    const int lineHeight = metrics.height();
    int width = metrics.horizontalAdvance(QStringLiteral("SHOCK"));
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int rows = int(lines.size()) + (text.shock ? 1 : 0);
    QImage box(((width + 2 * pad) + 1) & ~1, ((rows * lineHeight + 2 * pad) + 1) & ~1,
               QImage::Format_ARGB32_Premultiplied);
    box.fill(QColor(0, 0, 0, 170));
    QPainter painter(&box);
    painter.setFont(font);
    int y = pad + metrics.ascent();
    if (text.shock) {
        painter.fillRect(QRect(0, pad / 2, box.width(), lineHeight + pad), QColor(200, 0, 0, 220));
        painter.setPen(Qt::white);
        painter.drawText(pad, y, QStringLiteral("SHOCK"));
        y += lineHeight + pad / 2;
    }
    painter.setPen(Qt::white);
    for (const QString &line : lines) {
        painter.drawText(pad, y, line);
        y += lineHeight;
    }
    return box;
}

qint64 ProbeClipSeconds(const QString &path)
{
    FormatInput in;
    if (avformat_open_input(&in.context, PathBytes(path).constData(), nullptr, nullptr) < 0)
        return -1;
    const int v = av_find_best_stream(in.context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (v < 0)
        return -1;
    const AVStream *s = in.context->streams[v];
    if (s->duration > 0)
        return qint64(Seconds(s->duration, s->time_base));
    const AVRational rate = s->avg_frame_rate;
    if (s->nb_frames > 0 && rate.num > 0)
        return qint64(double(s->nb_frames) / av_q2d(rate));
    if (in.context->duration > 0)
        return in.context->duration / AV_TIME_BASE;
    return -1;
}

EvidenceVideoResult WriteEvidenceVideo(const std::vector<EvidenceVideoPiece> &pieces,
                                       const std::vector<OverlayText> &texts, const QString &output,
                                       const EvidenceVideoOptions &options,
                                       const std::atomic<bool> &cancel,
                                       const std::function<void(double)> &progress)
{
    EvidenceVideoResult result;
    // The encoders' statistics and notes are of no use to the user; errors are reported here.
    av_log_set_level(AV_LOG_ERROR);
    const auto fail = [&](const QString &error) {
        result.ok = false;
        result.error = error;
        return result;
    };
    if (pieces.empty())
        return fail(QStringLiteral("Nothing to export."));

    // The first clip sets size and rate; the first clip with sound sets the sound.
    ClipFormat first, sound;
    for (size_t k = 0; k < pieces.size(); ++k) {
        ClipFormat format;
        QString error;
        if (!ProbeClip(pieces[k].path, format, error))
            return fail(error);
        if (k == 0)
            first = format;
        if (format.audio && !sound.audio)
            sound = format;
    }
    if (first.width <= 0 || first.height <= 0)
        return fail(
            QStringLiteral("%1 has no picture size.").arg(QFileInfo(pieces[0].path).fileName()));
    const int width = first.width & ~1, height = first.height & ~1;
    const double fps = av_q2d(first.rate);
    qint64 spanSeconds = 0;
    for (const EvidenceVideoPiece &piece : pieces)
        spanSeconds += piece.to - piece.from;
    const double totalFrames = std::max(1.0, double(spanSeconds) * fps);

    COutput out;
    const QByteArray outPath = PathBytes(output);
    int r = avformat_alloc_output_context2(&out.muxer, nullptr, "mp4", outPath.constData());
    if (r < 0)
        return fail(QStringLiteral("The video cannot be made: %1").arg(AvError(r)));

    const AVCodec *x264 = avcodec_find_encoder_by_name("libx264");
    if (!x264)
        return fail(QStringLiteral("The H.264 encoder (libx264) is not available."));
    out.video = avcodec_alloc_context3(x264);
    out.video->width = width;
    out.video->height = height;
    out.video->pix_fmt = AV_PIX_FMT_YUV420P;
    out.video->time_base = av_inv_q(first.rate);
    out.video->framerate = first.rate;
    out.video->gop_size = std::max(1, int(std::lround(2 * fps)));
    out.video->thread_count = 0;
    if (out.muxer->oformat->flags & AVFMT_GLOBALHEADER)
        out.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(out.video->priv_data, "preset", options.preset.toLatin1().constData(), 0);
    av_opt_set(out.video->priv_data, "crf", QByteArray::number(options.crf).constData(), 0);
    if ((r = avcodec_open2(out.video, x264, nullptr)) < 0)
        return fail(QStringLiteral("The H.264 encoder does not start: %1").arg(AvError(r)));
    out.videoStream = avformat_new_stream(out.muxer, nullptr);
    out.videoStream->time_base = out.video->time_base;
    out.videoStream->avg_frame_rate = first.rate;
    avcodec_parameters_from_context(out.videoStream->codecpar, out.video);

    if (sound.audio) {
        const AVCodec *aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac)
            return fail(QStringLiteral("The AAC encoder is not available."));
        out.audio = avcodec_alloc_context3(aac);
        out.audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        out.audio->sample_rate = sound.sampleRate;
        av_channel_layout_copy(&out.audio->ch_layout, &sound.layout);
        out.audio->bit_rate = 64000 * sound.layout.nb_channels;
        out.audio->time_base = AVRational{1, sound.sampleRate};
        if (out.muxer->oformat->flags & AVFMT_GLOBALHEADER)
            out.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(out.audio, aac, nullptr)) < 0)
            return fail(QStringLiteral("The AAC encoder does not start: %1").arg(AvError(r)));
        out.audioStream = avformat_new_stream(out.muxer, nullptr);
        out.audioStream->time_base = out.audio->time_base;
        avcodec_parameters_from_context(out.audioStream->codecpar, out.audio);
        out.fifo =
            av_audio_fifo_alloc(out.audio->sample_fmt, sound.layout.nb_channels, sound.sampleRate);
        result.audio = true;
    }

    if ((r = avio_open(&out.muxer->pb, outPath.constData(), AVIO_FLAG_WRITE)) < 0)
        return fail(QStringLiteral("%1 cannot be written: %2").arg(output, AvError(r)));
    AVDictionary *muxOptions = nullptr;
    av_dict_set(&muxOptions, "movflags", "+faststart", 0);
    r = avformat_write_header(out.muxer, &muxOptions);
    av_dict_free(&muxOptions);
    if (r < 0)
        return fail(QStringLiteral("%1 cannot be written: %2").arg(output, AvError(r)));

    // Reading and decoding run on a thread of their own, a few pictures ahead of the encoders,
    // so that both keep the cores busy. Leaving here in any way stops and waits for it.
    CSteps steps;
    CReader reader(pieces, texts, options.overlay, width, height, fps, sound, cancel, steps);
    struct Reading
    {
        CSteps &steps;
        std::thread thread;
        ~Reading()
        {
            steps.Stop();
            if (thread.joinable())
                thread.join();
        }
    } reading{steps, std::thread([&reader] {
                  pthread_setname_np(pthread_self(), "evidence-read");
                  reader.Run();
              })};

    const auto written = [&](const QString &what, int code) {
        return fail(
            out.writeError
                ? QStringLiteral("evidence.mp4 cannot be written: %1").arg(AvError(out.writeError))
                : what.arg(AvError(code)));
    };
    int64_t framesOut = 0;
    for (;;) {
        if (cancel) {
            result.cancelled = true;
            return fail(QStringLiteral("Cancelled."));
        }
        Step step = steps.Pop();
        if (step.kind == Step::End) {
            result.cancelled = step.cancelled;
            if (!step.error.isEmpty())
                return fail(step.error);
            break;
        }
        if (step.kind == Step::Picture) {
            step.frame->pts = framesOut++;
            step.frame->pict_type = AV_PICTURE_TYPE_NONE;
            r = avcodec_send_frame(out.video, step.frame.get());
            if (r >= 0)
                r = out.Drain(out.video, out.videoStream);
            if (progress)
                progress(std::min(1.0, double(framesOut) / totalFrames));
            if (r < 0)
                return written(QStringLiteral("The video cannot be encoded: %1"), r);
            continue;
        }
        if (step.kind == Step::Sound) {
            void *planes[AV_NUM_DATA_POINTERS];
            for (int c = 0; c < out.audio->ch_layout.nb_channels; ++c)
                planes[c] = step.frame->data[c] + size_t(step.skip) * sizeof(float);
            av_audio_fifo_write(out.fifo, planes, step.keep);
            out.audioTotal += step.keep;
            r = out.SendAudio(false);
        } else {
            r = out.PadAudio(step.samples);
        }
        if (r < 0)
            return written(QStringLiteral("The sound cannot be encoded: %1"), r);
    }

    if (out.audio &&
        ((r = out.SendAudio(true)) < 0 || (r = avcodec_send_frame(out.audio, nullptr)) < 0 ||
         (r = out.Drain(out.audio, out.audioStream)) < 0))
        return written(QStringLiteral("The sound cannot be encoded: %1"), r);
    if ((r = avcodec_send_frame(out.video, nullptr)) < 0 ||
        (r = out.Drain(out.video, out.videoStream)) < 0)
        return fail(QStringLiteral("evidence.mp4 cannot be written: %1").arg(AvError(r)));
    // The index moves to the front here: the file is read and written once more.
    if ((r = av_write_trailer(out.muxer)) < 0)
        return fail(QStringLiteral("evidence.mp4 cannot be written: %1").arg(AvError(r)));
    if ((r = avio_closep(&out.muxer->pb)) < 0)
        return fail(QStringLiteral("evidence.mp4 cannot be written: %1").arg(AvError(r)));
    result.ok = true;
    result.frames = framesOut;
    return result;
}
