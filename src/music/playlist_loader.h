#pragma once
#include <QThread>
#include <atomic>
#include <mutex>
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
    std::atomic<bool> stop_ {false};
    std::mutex mutex_;
    std::vector<std::string> lines_; // guarded by mutex_
    std::vector<PlaylistRow> rows_;  // guarded by mutex_
};
