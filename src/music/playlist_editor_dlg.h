#pragma once
#include <QWidget>

// The Playlist Editor tab: the mod's MP3 playlist, with playback.
// The main window creates it once, hidden, and only shows or hides it.
class CPlaylistEditorDlg : public QWidget {
    Q_OBJECT
public:
    explicit CPlaylistEditorDlg(QWidget* parent = nullptr) : QWidget(parent) { setObjectName("CPlaylistEditorDlg"); }
};
