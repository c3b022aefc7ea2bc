// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

class AudioLibrary;
class QLineEdit;
class QThread;

// "Mp3 Info": the tags of one MP3 file beside its measured length and bitrate, whether its
// bitrate varies, and its MPEG version. Only shows; nothing goes back to the file. A small tool
// window that stays on top; any number may be open. It is owned by the window it is opened
// over, so that it stays usable while that window runs its modal loop (a window of its own would
// be blocked by that loop). Close, Escape and the close box all destroy it.
class CMP3InfoDlg : public QDialog {
    Q_OBJECT
public:
    // Fields; their objectName is "id" + the number.
    enum ControlId {
        IdClose = 1,
        IdAlbum = 1001,
        IdTitle = 1002,
        IdArtist = 1003,
        IdYear = 1004,
        IdComment = 1005,
        IdGenre = 1006,
        IdTrack = 1008,
        IdLength = 1009,
        IdVersion = 1010,
        IdBitrate = 1011,
        IdVbr = 1012,
    };

    // Reads the file's tags and measures it on a thread of its own, filling the fields when it
    // is done; audio must outlive the window. A large file or a huge tag never holds up the
    // window, whatever it costs.
    CMP3InfoDlg(const std::string& path, AudioLibrary& audio, QWidget* parent);
    // Waits for the reading still going.
    ~CMP3InfoDlg() override;

    const std::string& path() const { return path_; }
    // Whether the fields show what the file holds yet.
    bool filled() const { return filled_; }

private:
    struct Facts;
    QLineEdit* field(int id) const;
    void CreateWidgets();
    static Facts Read(const std::string& path, AudioLibrary& audio);
    void Fill(const Facts& facts);

    std::string path_;
    QThread* reader_ = nullptr;
    bool filled_ = false;
};

// The tag viewers open at a time. A viewer leaves the list when it closes; whatever is still
// open goes with CloseAll (or with the list itself).
class CMp3InfoViewers : public QObject {
    Q_OBJECT
public:
    explicit CMp3InfoViewers(QObject* parent = nullptr);
    ~CMp3InfoViewers() override; // CloseAll

    // A new viewer of the file over owner, shown.
    CMP3InfoDlg* Open(const std::string& path, AudioLibrary& audio, QWidget* owner);
    int count() const;
    // The open viewers, oldest first.
    std::vector<CMP3InfoDlg*> viewers() const;
    void CloseAll();

private:
    std::vector<QPointer<CMP3InfoDlg>> viewers_;
};
