// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/restart_gate.h"

#include <QThread>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class AudioLibrary;

// One entry as the loader found it: the File column's text ("Invalid: " and the path when the
// file is missing), and the Length and Bitrate texts.
struct PlaylistRow {
    std::string file;
    std::string length;
    std::string bitrate;
};

// CPlayListThread: loads playlist.txt for the Playlist Editor, resolving each line and measuring
// each file, at the lowest priority. It never touches a widget: what it finds waits under its
// lock, announced by signals queued to the window thread, the lines first, then the entries in
// file order, a few at a time so the window stays quick while thousands arrive. The window
// thread takes them with TakeLines() and TakeRows().
class CPlayListThread : public QThread {
    Q_OBJECT
public:
    // Copied on the window thread when the load starts: the loader never reads the settings.
    struct Input {
        std::string playlistPath;
        std::string gameFolder;
        std::string modFolder;
        bool measure = true;   // "Get Length/Bitrate": otherwise both texts are "???"
        bool accurate = false; // scan every frame ("Detect VBR"), else the quick estimate
    };

    // audio must outlive the thread (its measuring streams are its own).
    CPlayListThread(Input input, AudioLibrary& audio, QObject* parent = nullptr);
    // Asks the load to stop and waits for it.
    ~CPlayListThread() override;

    // The load stops after the entry it is on; what it sent so far stays sent.
    void RequestStop() { stop_ = true; }

    // What the signals announced and no one has taken yet.
    std::vector<std::string> TakeLines();
    std::vector<PlaylistRow> TakeRows();

    // Most entries in one delivery, and the longest a found entry waits to be sent.
    static constexpr int kBatchRows = 64;
    static constexpr int kBatchMs = 15;

Q_SIGNALS:
    // The lines of playlist.txt as read (none when it is missing) wait in TakeLines(), before
    // any entry.
    void linesRead();
    // The next entries wait in TakeRows(), in file order.
    void rowsLoaded();

protected:
    void run() override;

private:
    const Input input_;
    AudioLibrary& audio_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> lines_; // guarded by mutex_
    std::vector<PlaylistRow> rows_;  // guarded by mutex_
};

// The Playlist Editor's loads: one CPlayListThread at a time, what it finds handed on in file
// order, and what a rewrite of playlist.txt during a load must keep. Lives on the window thread.
class CPlaylistLoader : public QObject {
    Q_OBJECT
public:
    using Input = CPlayListThread::Input;

    // begin runs on the window thread as each load starts, before its thread does: it readies
    // the list for the rows to come and gives the load's input. audio must outlive the loader.
    CPlaylistLoader(AudioLibrary& audio, std::function<Input()> begin, QObject* parent = nullptr);
    // A load still going is stopped and waited for: it measures with the audio library.
    ~CPlaylistLoader() override;

    // A load, unless one runs: that one completes, and nothing follows it.
    void Load();
    // After playlist.txt or the game changed under the list: a load still running is given up
    // and one more follows it, so the list never keeps showing a file that is gone.
    void LoadAfterChange();
    // Stops the running load and drops whatever it still sends.
    void Abandon();

    bool loading() const { return thread_ != nullptr; }
    // How many loads have started.
    int loadsStarted() const { return loadsStarted_; }
    // Runs the window's events until no load runs or is due; false on time-out.
    bool WaitUntilLoaded(int timeoutMs);

    // What a rewrite of playlist.txt must put after the entries the list shows now: the lines
    // the running load has read and not handed on yet (none when no load runs). Nothing at all
    // while no rewrite may be made: before the load has read the file the list holds none of
    // it, and a load given up for a changed file is about to show the new one.
    std::optional<std::vector<std::string>> LinesStillToCome() const;

Q_SIGNALS:
    // The next entries of the running load, in file order.
    void rowsLoaded(const std::vector<PlaylistRow>& rows);

private:
    void StartLoad();
    void OnLinesRead();
    void OnRowsLoaded();
    void OnFinished();

    AudioLibrary& audio_;
    std::function<Input()> begin_;
    RestartGate gate_;
    CPlayListThread* thread_ = nullptr;
    // What the running load read and how much of it went out, so a rewrite of the file during
    // the load keeps the lines still to come.
    bool linesKnown_ = false;
    bool abandoned_ = false;
    std::vector<std::string> lines_;
    size_t delivered_ = 0;
    int loadsStarted_ = 0;
};
