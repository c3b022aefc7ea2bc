#include "music/playlist_loader.h"

#include "core/path.h"
#include "core/text_file.h"
#include "core/thread_handoff.h"
#include "music/audio/mp3_measure.h"
#include "music/model/playlist_file.h"
#include "platform/platform.h"

#include <chrono>
#include <iterator>
#include <utility>

CPlayListThread::CPlayListThread(Input input, AudioLibrary& audio, QObject* parent)
    : QThread(parent), input_(std::move(input)), audio_(audio)
{
    setObjectName("CPlayListThread");
}

CPlayListThread::~CPlayListThread()
{
    RequestStop();
    wait();
    MarkHandOffReceived(this);
}

std::vector<std::string> CPlayListThread::TakeLines()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
}

std::vector<PlaylistRow> CPlayListThread::TakeRows()
{
    const std::lock_guard lock(mutex_);
    return std::exchange(rows_, {});
}

void CPlayListThread::run()
{
    const HandOffAtExit handOff(this);
    platform::LowerCurrentThreadPriority();
    std::vector<std::string> lines;
    ReadTextLines(input_.playlistPath, lines);
    {
        const std::lock_guard lock(mutex_);
        lines_ = lines;
    }
    Q_EMIT linesRead();

    using Clock = std::chrono::steady_clock;
    std::vector<PlaylistRow> batch;
    auto lastSent = Clock::now();
    auto send = [&] {
        if (!batch.empty()) {
            {
                const std::lock_guard lock(mutex_);
                rows_.insert(rows_.end(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
            }
            Q_EMIT rowsLoaded();
        }
        batch.clear();
        lastSent = Clock::now();
    };
    for (const std::string& line : lines) {
        if (stop_)
            break;
        const std::string path = ResolvePlaylistLine(line, input_.gameFolder, input_.modFolder);
        PlaylistRow row;
        if (!FileExists(path)) {
            row = {kInvalidMarker + path, kUnknownText, kUnknownText};
        } else if (!input_.measure) {
            row = {path, kUnknownText, kUnknownText};
        } else {
            const StreamTexts texts = MeasureStream(audio_, path, input_.accurate);
            row = {path, texts.length, texts.bitrate};
        }
        batch.push_back(std::move(row));
        if (static_cast<int>(batch.size()) >= kBatchRows || Clock::now() - lastSent >= std::chrono::milliseconds(kBatchMs))
            send();
    }
    send();
}
