// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

// Where playback goes: out123 output modules (a comma-separated list, tried in order) and the
// device of the module that opens ("" its default; the file modules "raw" and "wav" take the
// file name here).
struct AudioOutput {
    std::string drivers;
    std::string device;
};

// The module list a desktop plays through. Modules that are not installed simply fail to load;
// out123's own default order is not used because some of its modules (OpenAL, NAS) hang or
// stall for seconds on a machine without a sound device.
AudioOutput DefaultAudioOutput();

// The program's audio calls: MP3 files opened as streams (measured or played), one stream
// played at a time on a fixed channel, paused and resumed there, lengths asked, everything
// released at exit. Decoding is libmpg123's, output libout123's.
//
// Streams are handles the library owns. Every operation first looks the handle up among the
// streams open: on a null handle, or one already closed (by StreamClose or by Close), it does
// nothing and answers 0 or false instead of reaching freed memory. (A closed handle's address
// may come back for a stream opened later: a caller forgets the handles it closes.)
//
// Measuring streams may be opened, asked and closed on any thread at the same time as a stream
// plays; the library serialises its own bookkeeping. A played stream decodes on a thread of its
// own; its loop count and its channel's pause apply while it plays.
class AudioLibrary {
public:
    struct Stream;

    // Open modes.
    static constexpr unsigned kLoopNormal = 0x2;
    static constexpr unsigned kStereo = 0x40;
    static constexpr unsigned kModePlayback = kLoopNormal | kStereo; // 0x42
    static constexpr unsigned kModeQuick = 0;
    static constexpr unsigned kModeAccurate = 0x20000;

    explicit AudioLibrary(AudioOutput output = DefaultAudioOutput());
    ~AudioLibrary(); // Close()
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // Makes the library ready to play on channels 0 .. channels - 1. The sound device itself is
    // opened by each StreamPlay: a machine without one plays nothing, quietly.
    bool Init(int mixRate, int channels, unsigned flags);
    // Stops and releases every stream; the library may be initialised again.
    void Close();

    // A stream of the file: kModeQuick estimates the length from the first frame (the audio's
    // bytes, tags left out, in frames of the first frame's size; an encoder's Xing/Info header
    // ignored, nothing scanned); kModeAccurate scans every frame, so a variable-bitrate file's
    // length is exact; kModePlayback opens it for playing. nullptr when the file cannot be opened
    // as MPEG audio, or is no regular file.
    Stream* StreamOpen(const std::string& path, unsigned mode);
    // Playing time in milliseconds (0 for no stream).
    uint32_t StreamGetLengthMs(Stream* stream) const;
    // The stream's size in bytes: the file's size, tags included (0 for no stream).
    uint32_t StreamGetLength(Stream* stream) const;
    // Stops the stream if it plays and releases it.
    bool StreamClose(Stream* stream);
    // -1 repeats for ever, 0 plays once, n plays n more times; a playing stream follows at its
    // next end.
    bool StreamSetLoopCount(Stream* stream, int count);
    // Starts the stream from its beginning on the channel (whatever played there stops), not
    // paused. The channel, or -1 when the library is not initialised or the arguments are wrong.
    int StreamPlay(int channel, Stream* stream);
    bool GetPaused(int channel) const;
    bool SetPaused(int channel, bool paused);

    // How many times the stream has reached its end while playing, and whether it has stopped
    // for good (played out, or its output could not be opened). For tests and the curious.
    int StreamEndsReached(Stream* stream) const;
    bool StreamFinished(Stream* stream) const;
    // How many streams are open.
    int StreamCount() const;

private:
    struct Channel {
        Stream* stream = nullptr;
        bool paused = false;
    };

    bool Known(Stream* stream) const; // with mutex_ held
    void StopPlaying(Stream* stream); // without mutex_ held
    void PlayThread(Stream* stream);
    // Blocks while the stream's channel is paused; false when the stream is to stop.
    bool WaitWhilePaused(Stream* stream, bool& wasPaused, void* output);

    const AudioOutput output_;
    mutable std::mutex mutex_;
    // Wakes players waiting in a pause or ahead of the clock: a pause ended, a stop asked.
    std::condition_variable wake_;
    std::unordered_set<Stream*> streams_;
    std::vector<Channel> channels_;
    bool initialized_ = false;
};
