// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/playlist_loader.h"

#include "core/path.h"
#include "core/text_file.h"
#include "core/thread_handoff.h"
#include "music/audio/mp3_measure.h"
#include "music/model/playlist_file.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <algorithm>
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
        if (static_cast<int>(batch.size()) >= kBatchRows ||
            Clock::now() - lastSent >= std::chrono::milliseconds(kBatchMs))
            send();
    }
    send();
}

CPlaylistLoader::CPlaylistLoader(AudioLibrary& audio, std::function<Input()> begin, QObject* parent)
    : QObject(parent), audio_(audio), begin_(std::move(begin))
{
    setObjectName("CPlaylistLoader");
}

CPlaylistLoader::~CPlaylistLoader()
{
    delete thread_;
}

void CPlaylistLoader::Load()
{
    if (gate_.StartIfIdle())
        StartLoad();
}

void CPlaylistLoader::LoadAfterChange()
{
    if (gate_.Request())
        StartLoad();
    else
        Abandon();
}

void CPlaylistLoader::StartLoad()
{
    Input input = begin_();
    thread_ = new CPlayListThread(std::move(input), audio_);
    ++loadsStarted_;
    linesKnown_ = false;
    abandoned_ = false;
    lines_.clear();
    delivered_ = 0;
    connect(thread_, &CPlayListThread::linesRead, this, &CPlaylistLoader::OnLinesRead);
    connect(thread_, &CPlayListThread::rowsLoaded, this, &CPlaylistLoader::OnRowsLoaded);
    connect(thread_, &QThread::finished, this, &CPlaylistLoader::OnFinished);
    thread_->start();
}

void CPlaylistLoader::Abandon()
{
    if (!thread_)
        return;
    thread_->RequestStop();
    abandoned_ = true;
    lines_.clear();
}

std::optional<std::vector<std::string>> CPlaylistLoader::LinesStillToCome() const
{
    if (!thread_)
        return std::vector<std::string>();
    if (abandoned_)
        return gate_.moreDue() ? std::nullopt : std::optional(std::vector<std::string>());
    if (!linesKnown_)
        return std::nullopt;
    return std::vector<std::string>(lines_.begin() + static_cast<std::ptrdiff_t>(std::min(delivered_, lines_.size())),
                                    lines_.end());
}

void CPlaylistLoader::OnLinesRead()
{
    if (sender() != thread_ || abandoned_)
        return;
    lines_ = thread_->TakeLines();
    linesKnown_ = true;
}

void CPlaylistLoader::OnRowsLoaded()
{
    if (sender() != thread_ || abandoned_)
        return;
    const std::vector<PlaylistRow> rows = thread_->TakeRows();
    Q_EMIT rowsLoaded(rows);
    delivered_ += rows.size();
}

void CPlaylistLoader::OnFinished()
{
    if (sender() != thread_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    lines_.clear();
    if (gate_.Ended())
        StartLoad();
}

bool CPlaylistLoader::WaitUntilLoaded(int timeoutMs)
{
    return gate_.WaitUntilIdle(timeoutMs, [this] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (thread_)
            thread_->wait(5);
    });
}
