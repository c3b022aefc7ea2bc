// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "music/audio/audio_library.h"
#include "music/playlist_loader.h"
#include "ui/page_context.h"

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class CMp3InfoViewers;
class CPlayListCtrl;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The Playlist Editor tab: a small file browser (drives, folders, the MP3 files of the current
// folder) on the left, the mod's playlist (mp3/playlist.txt, mirrored line by line) on the
// right, a player for one file at a time, and the tag viewer. Every change to the list is written
// to playlist.txt at once. The main window creates it once, hidden, and only shows or hides it.
class CPlaylistEditorDlg : public QWidget {
    Q_OBJECT
public:
    // Which list the user last selected in: what Play and "Get Mp3 Tag" take their file from.
    enum SelectionSource { NoSource = 0, Mp3Source = 1, PlaylistSource = 2 };
    // The player's channel of the audio library.
    static constexpr int kPlayerChannel = 15;
    // Controls; their objectName is "id" + the number.
    enum ControlId {
        // The browser.
        IdDrives = 1103,
        IdFolders = 1104,
        IdMp3Files = 1079,
        IdAdd = 1082,
        IdAddAll = 1083,
        // The playlist and its buttons.
        IdPlaylistGroup = 1099,
        IdPlaylist = 1098,
        IdRemove = 1013,
        IdRemoveAll = 1087,
        IdClear = 1009,
        IdRandomize = 1102,
        IdRefresh = 1100,
        IdTop = 1008,
        IdUp = 1010,
        IdDown = 1011,
        IdBottom = 1085,
        IdGetMp3Tag = 1108,
        // The player.
        IdPlay = 1105,
        IdPause = 1056,
        IdStop = 1057,
        IdRepeat = 1106,
    };

    // ctx must outlive the page. ctx.audio plays and measures; without one the page keeps its own.
    explicit CPlaylistEditorDlg(const PageContext& ctx, QWidget* parent = nullptr);
    ~CPlaylistEditorDlg() override;

    // The browser.
    void NavigateTo(const std::string& folder);
    const std::string& currentFolder() const { return currentFolder_; }

    // playlist.txt of the current game and mod.
    std::string PlaylistPath() const;
    // Loads the playlist anew on the loader thread; nothing while a load runs (it completes).
    void ReloadPlaylist() { loader_->Load(); }
    // The same after playlist.txt or the game changed under the list (an import, a new game
    // location): a load still running is stopped and one more follows it, so the list never
    // keeps showing a file that is gone.
    void ReloadPlaylistAfterChange() { loader_->LoadAfterChange(); }
    bool loading() const { return loader_->loading(); }
    // How many loads have started since the page was made.
    int loadsStarted() const { return loader_->loadsStarted(); }
    // Runs the window's events until no load runs or is due; false on time-out.
    bool WaitUntilLoaded(int timeoutMs) { return loader_->WaitUntilLoaded(timeoutMs); }

    // The buttons and the playlist's header.
    void AddToPlaylist(const std::string& path);
    void AddSelected();
    void AddAll();
    void RemoveSelected();
    void RemoveAllOfFolder();
    void ClearPlaylist();
    void ShufflePlaylist();
    void SortByColumn(int column);
    void MoveTop();
    void MoveUp();
    void MoveDown();
    void MoveBottom();
    void ShowTagViewer();

    // The player.
    void PlaySelection();
    void TogglePause();
    void StopPlayback();
    void ApplyRepeat();
    AudioLibrary::Stream* stream() const { return stream_; }

    // The File menu's commands: a file dialog, then the import or export.
    void ImportPlaylist();
    void ExportPlaylist();
    // The same without the dialog.
    void ImportPlaylistFrom(const std::string& chosenPath);
    void ExportPlaylistTo(const std::string& chosenPath);

    // Rewrites playlist.txt from the list (and, while a load runs, the lines not yet loaded).
    void SavePlaylistFile();
    // Tells the user once when the playlist file could not be written.
    void Saved(bool saved) const;

    int selectionSource() const { return selectionSource_; }
    CMp3InfoViewers& viewers() const { return *viewers_; }
    AudioLibrary& audio() const { return *audio_; }

    // The bytes an item of the folder or MP3 list stands for (its text as the file system has it).
    static std::string ItemBytes(const QListWidgetItem* item);

private:
    void CreateWidgets();
    void ConnectWidgets();
    void LoadControls();

    void OnDriveChosen(int index);
    void OnFolderDoubleClicked(QListWidgetItem* item);
    void OnMp3SelectionChanged();
    void OnMp3DoubleClicked();
    void OnPlaylistClick();
    void OnPlaylistDoubleClick();
    void OnPlaylistRightClick();
    // A load starts: the list emptied for it, and what it loads.
    CPlaylistLoader::Input BeginLoad();

    // The selected MP3 item's full path, or "" when none is selected.
    std::string SelectedMp3Path() const;
    // The first selected playlist entry's File text (marker included), or "" when none is.
    std::string SelectedEntryText() const;
    // Where Play and the tag viewer take their file from: "" for nothing, or an entry marked
    // "Invalid: " (nothing to play or show).
    std::string ChosenFile() const;
    // RemovePlaylistLine of an entry's path, a failed write told as a save's.
    void RemoveLine(const std::string& path);
    // Moves the entry at the selection mark to insertAt; it ends at endsAt.
    void MoveEntry(int insertAt, int from, int endsAt);

    const PageContext& ctx_;
    std::unique_ptr<AudioLibrary> ownAudio_;
    AudioLibrary* audio_ = nullptr;
    std::unique_ptr<CMp3InfoViewers> viewers_;

    std::unique_ptr<CPlaylistLoader> loader_;

    AudioLibrary::Stream* stream_ = nullptr;
    std::string currentFolder_;
    int selectionSource_ = NoSource;

    QComboBox* drives_ = nullptr;
    QListWidget* folders_ = nullptr;
    QListWidget* mp3Files_ = nullptr;
    QGroupBox* playlistGroup_ = nullptr;
    CPlayListCtrl* playlist_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* addAll_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* randomize_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* top_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QPushButton* bottom_ = nullptr;
    QPushButton* getTag_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QCheckBox* repeat_ = nullptr;
};
