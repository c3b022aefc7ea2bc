// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/audio/audio_library.h"

#include "core/path.h"

#include <mpg123.h>
#include <out123.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <thread>

namespace {

// How far decoding may run ahead of the clock. A sound device blocks the writes itself; the
// file and dummy outputs do not, and without this a minute of music would "play" in a blink.
constexpr std::chrono::milliseconds kLeadAhead{250};
constexpr size_t kChunkBytes = 8192;

void InitDecoderOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

uint32_t ToUint32(uint64_t value)
{
    return value > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(value);
}

// The samples of a file of fileBytes taken for frames of its first frame's size throughout. Only
// the audio counts: mpg123's own estimate takes the ID3v2 tag before it (cover art of a few
// hundred kilobytes) for frames too.
off_t QuickEstimate(mpg123_handle* handle, uintmax_t fileBytes)
{
    mpg123_frameinfo first = {};
    const off_t audioStart = mpg123_framepos(handle);
    if (mpg123_info(handle, &first) != MPG123_OK || first.framesize <= 0 || audioStart < 0 ||
        fileBytes <= static_cast<uintmax_t>(audioStart))
        return 0;
    // An ID3v1 tag is the file's last 128 bytes.
    constexpr uintmax_t kId3v1Bytes = 128;
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    uintmax_t audioBytes = fileBytes - static_cast<uintmax_t>(audioStart);
    if (mpg123_id3(handle, &v1, &v2) == MPG123_OK && v1 && audioBytes > kId3v1Bytes)
        audioBytes -= kId3v1Bytes;
    return static_cast<off_t>(static_cast<double>(audioBytes) / first.framesize * mpg123_spf(handle));
}

} // namespace

AudioOutput DefaultAudioOutput()
{
#if defined(_WIN32)
    return {"win32_wasapi,win32", ""};
#elif defined(__APPLE__)
    return {"coreaudio", ""};
#elif defined(__linux__)
    return {"pulse,alsa,oss", ""};
#else
    return {"sndio,oss", ""};
#endif
}

struct AudioLibrary::Stream {
    mpg123_handle* handle = nullptr;
    uint32_t lengthMs = 0;
    uint32_t lengthBytes = 0;
    long rate = 0;
    std::atomic<int> loopCount{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    std::atomic<int> endsReached{0};
    std::thread player;
    int channel = -1; // with the library's mutex held
};

AudioLibrary::AudioLibrary(AudioOutput output) : output_(std::move(output))
{
    InitDecoderOnce();
}

AudioLibrary::~AudioLibrary()
{
    Close();
}

bool AudioLibrary::Init(int /*mixRate*/, int channels, unsigned /*flags*/)
{
    const std::lock_guard lock(mutex_);
    if (channels < 1)
        return false;
    if (!initialized_)
        channels_.assign(static_cast<size_t>(channels), Channel{});
    initialized_ = true;
    return true;
}

void AudioLibrary::Close()
{
    std::vector<Stream*> open;
    {
        const std::lock_guard lock(mutex_);
        open.assign(streams_.begin(), streams_.end());
    }
    for (Stream* s : open)
        StreamClose(s);
    const std::lock_guard lock(mutex_);
    channels_.clear();
    initialized_ = false;
}

bool AudioLibrary::Known(Stream* stream) const
{
    return stream && streams_.count(stream) != 0;
}

AudioLibrary::Stream* AudioLibrary::StreamOpen(const std::string& path, unsigned mode)
{
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle)
        return nullptr;
    // The program never asks mpg123 what a tag says, and a tag of many frames takes it seconds
    // to file away: ID3v2 tags are skipped unread.
    long flags = MPG123_QUIET | MPG123_SKIP_ID3V2;
    const bool accurate = (mode & kModeAccurate) != 0;
    const bool playback = (mode & kModePlayback) == kModePlayback;
    const bool quick = !accurate && !playback;
    if (quick)
        flags |= MPG123_IGNORE_INFOFRAME; // the first-frame estimate, whatever the encoder wrote
    if (playback)
        flags |= MPG123_FORCE_STEREO;
    mpg123_param(handle, MPG123_ADD_FLAGS, flags, 0.0);
    // A measurement counts every frame of audio, as the quick estimate does; trimming the
    // encoder's delay and padding would make a constant-rate file's two lengths differ.
    if (!playback)
        mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    if (playback) {
        // Signed 16-bit stereo at the file's own rate: what every output takes.
        mpg123_format_none(handle);
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // Only a regular file: opening a pipe would wait for a writer for ever. (libmpg123 reads the
    // name as UTF-8 on Windows too. FileExists and FileSize, not std::filesystem: on Windows
    // that stops at MAX_PATH.)
    if (!FileExists(path) || mpg123_open(handle, path.c_str()) != MPG123_OK ||
        mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        mpg123_delete(handle);
        return nullptr;
    }
    if (accurate)
        mpg123_scan(handle);
    const long long size = std::max(FileSize(path), 0LL);
    const off_t samples = quick ? QuickEstimate(handle, static_cast<uint64_t>(size)) : mpg123_length(handle);

    auto* stream = new Stream;
    stream->handle = handle;
    stream->rate = rate;
    stream->lengthMs = samples > 0 ? ToUint32(static_cast<uint64_t>(samples) * 1000u / static_cast<uint64_t>(rate)) : 0;
    stream->lengthBytes = ToUint32(static_cast<uint64_t>(size));
    if (playback)
        mpg123_seek(handle, 0, SEEK_SET);

    const std::lock_guard lock(mutex_);
    streams_.insert(stream);
    return stream;
}

uint32_t AudioLibrary::StreamGetLengthMs(Stream* stream) const
{
    const std::lock_guard lock(mutex_);
    return Known(stream) ? stream->lengthMs : 0;
}

uint32_t AudioLibrary::StreamGetLength(Stream* stream) const
{
    const std::lock_guard lock(mutex_);
    return Known(stream) ? stream->lengthBytes : 0;
}

bool AudioLibrary::StreamSetLoopCount(Stream* stream, int count)
{
    const std::lock_guard lock(mutex_);
    if (!Known(stream))
        return false;
    stream->loopCount = count;
    return true;
}

void AudioLibrary::StopPlaying(Stream* stream)
{
    {
        const std::lock_guard lock(mutex_);
        stream->stop = true;
    }
    wake_.notify_all();
    if (stream->player.joinable())
        stream->player.join();
    stream->stop = false;
}

bool AudioLibrary::StreamClose(Stream* stream)
{
    {
        const std::lock_guard lock(mutex_);
        if (!Known(stream))
            return false;
        streams_.erase(stream);
        if (stream->channel >= 0 && stream->channel < static_cast<int>(channels_.size()) &&
            channels_[stream->channel].stream == stream)
            channels_[stream->channel].stream = nullptr;
        stream->channel = -1;
    }
    StopPlaying(stream);
    mpg123_close(stream->handle);
    mpg123_delete(stream->handle);
    delete stream;
    return true;
}

int AudioLibrary::StreamPlay(int channel, Stream* stream)
{
    Stream* previous = nullptr;
    {
        const std::lock_guard lock(mutex_);
        if (!initialized_ || !Known(stream) || channel < 0 || channel >= static_cast<int>(channels_.size()))
            return -1;
        previous = channels_[channel].stream;
        if (previous == stream)
            previous = nullptr;
        if (stream->channel >= 0 && stream->channel != channel && channels_[stream->channel].stream == stream)
            channels_[stream->channel].stream = nullptr;
        channels_[channel] = Channel{stream, false};
        stream->channel = channel;
        if (previous)
            previous->channel = -1;
    }
    // Whatever played on the channel, and this stream's own earlier run, stop first. Only the
    // window's thread starts and closes streams, so neither is closed meanwhile.
    if (previous)
        StopPlaying(previous);
    StopPlaying(stream);
    mpg123_seek(stream->handle, 0, SEEK_SET);
    stream->finished = false;
    stream->endsReached = 0;
    stream->player = std::thread([this, stream] { PlayThread(stream); });
    return channel;
}

bool AudioLibrary::GetPaused(int channel) const
{
    const std::lock_guard lock(mutex_);
    return channel >= 0 && channel < static_cast<int>(channels_.size()) && channels_[channel].paused;
}

bool AudioLibrary::SetPaused(int channel, bool paused)
{
    {
        const std::lock_guard lock(mutex_);
        if (channel < 0 || channel >= static_cast<int>(channels_.size()) || !channels_[channel].stream)
            return false;
        channels_[channel].paused = paused;
    }
    wake_.notify_all();
    return true;
}

int AudioLibrary::StreamEndsReached(Stream* stream) const
{
    const std::lock_guard lock(mutex_);
    return Known(stream) ? stream->endsReached.load() : 0;
}

bool AudioLibrary::StreamFinished(Stream* stream) const
{
    const std::lock_guard lock(mutex_);
    return Known(stream) && stream->finished.load();
}

int AudioLibrary::StreamCount() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<int>(streams_.size());
}

bool AudioLibrary::WaitWhilePaused(Stream* stream, bool& wasPaused, void* output)
{
    auto* ao = static_cast<out123_handle*>(output);
    std::unique_lock lock(mutex_);
    auto paused = [this, stream] {
        const int c = stream->channel;
        return c >= 0 && c < static_cast<int>(channels_.size()) && channels_[c].stream == stream && channels_[c].paused;
    };
    if (paused() && !stream->stop) {
        lock.unlock();
        out123_pause(ao);
        lock.lock();
        wake_.wait(lock, [&] { return stream->stop || !paused(); });
        lock.unlock();
        if (!stream->stop)
            out123_continue(ao);
        wasPaused = true;
        return !stream->stop;
    }
    return !stream->stop;
}

void AudioLibrary::PlayThread(Stream* stream)
{
    out123_handle* ao = out123_new();
    if (!ao) {
        stream->finished = true;
        return;
    }
    out123_param_int(ao, OUT123_FLAGS, OUT123_QUIET);
    const char* drivers = output_.drivers.empty() ? nullptr : output_.drivers.c_str();
    const char* device = output_.device.empty() ? nullptr : output_.device.c_str();
    constexpr int kChannels = 2;
    constexpr int kFrameBytes = kChannels * 2;
    // No sound device (or none that takes the format): nothing plays, and nothing else happens.
    if (out123_open(ao, drivers, device) != 0 || out123_start(ao, stream->rate, kChannels, MPG123_ENC_SIGNED_16) != 0) {
        out123_del(ao);
        stream->finished = true;
        return;
    }

    std::vector<unsigned char> buffer(kChunkBytes);
    using Clock = std::chrono::steady_clock;
    auto origin = Clock::now();
    uint64_t framesSinceOrigin = 0;
    while (!stream->stop) {
        bool wasPaused = false;
        if (!WaitWhilePaused(stream, wasPaused, ao))
            break;
        if (wasPaused) {
            origin = Clock::now();
            framesSinceOrigin = 0;
        }
        size_t done = 0;
        const int result = mpg123_read(stream->handle, buffer.data(), buffer.size(), &done);
        // The last piece arrives together with MPG123_DONE: it is played too.
        if (done > 0) {
            out123_play(ao, buffer.data(), done);
            framesSinceOrigin += done / kFrameBytes;
            const auto played =
                std::chrono::microseconds(framesSinceOrigin * 1000000u / static_cast<uint64_t>(stream->rate));
            const auto ahead = origin + played - Clock::now();
            if (ahead > kLeadAhead) {
                std::unique_lock lock(mutex_);
                wake_.wait_for(lock, ahead - kLeadAhead, [stream] { return stream->stop.load(); });
            }
        }
        if (result == MPG123_DONE) {
            ++stream->endsReached;
            const int loops = stream->loopCount;
            if (loops == 0)
                break;
            if (loops > 0)
                stream->loopCount = loops - 1;
            mpg123_seek(stream->handle, 0, SEEK_SET);
            continue;
        }
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
    }
    if (stream->stop)
        out123_drop(ao);
    else
        out123_drain(ao);
    out123_del(ao);
    stream->finished = true;
}
