// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamefiles/settings_loader.h"
#include "music/audio/audio_library.h"
#include "music/mp3_info_dlg.h"
#include "music/playlist_editor_dlg.h"
#include "music/playlist_list_ctrl.h"
#include "test_support/started_app.h"

#include "mp3_writer.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>

namespace {

using P = CPlaylistEditorDlg;

// The whole program over a game whose mod has a playlist of one tagged file.
class MusicInApp : public StartedApp {
protected:
    void Prepare(AppSettings& s) override
    {
        std::filesystem::create_directories(JoinPath(dir.File("game"), "znk", "mp3"));
        song = JoinPath(dir.File("game"), "znk", "mp3", "song.mp3");
        mp3w::StreamSpec spec;
        spec.bitrates = mp3w::ConstantRate(128, 400);
        mp3w::WriteBytes(song, mp3w::Id3v2Tag({{"TIT2", "Song", true}}) + mp3w::AudioFrames(spec));
        WriteText(Playlist(s.gameFolder), song + "\r\n");
    }

    static std::string Playlist(const std::string& game) { return JoinPath(game, "znk", "mp3", "playlist.txt"); }

    CPlaylistEditorDlg* Page() const { return main->playlistEditor(); }
    CPlayListCtrl* PlaylistView() const { return FindById<CPlayListCtrl>(Page(), P::IdPlaylist); }
    QAction* Command(int id) const { return FindById<QAction>(main, id); }
    void ClickEntry(int row) const
    {
        CPlayListCtrl* list = PlaylistView();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }

    std::string song;
};

void AnswerFileDialog(QObject& scope, const QString& name, const std::string& path)
{
    WhenModalShows(scope, name, [=](QWidget& w) {
        auto& dialog = static_cast<QFileDialog&>(w);
        if (auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit"))
            edit->setText(QString::fromStdString(path));
        dialog.QDialog::accept();
    });
}

} // namespace

TEST_F(MusicInApp, FileMenuLoadsAndSavesPlaylists)
{
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    QAction* load = Command(32803);
    QAction* save = Command(32802);
    ASSERT_TRUE(load && save);
    EXPECT_TRUE(load->isEnabled());
    EXPECT_TRUE(save->isEnabled());

    const std::string m3u = dir.File("mix.m3u");
    WriteText(m3u, "#EXTM3U\r\n#EXTINF:10,Song\r\n" + song + "\r\nmp3/none.mp3\r\n");
    AnswerFileDialog(*main, "ImportPlaylist", m3u);
    load->trigger();
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    EXPECT_EQ(ReadText(Playlist(app->settings.gameFolder)), song + "\r\nmp3/none.mp3\r\n");
    ASSERT_EQ(PlaylistView()->GetItemCount(), 2);
    EXPECT_EQ(PlaylistView()->GetItemTextStd(1, 0),
              "Invalid: " + JoinPath(app->settings.gameFolder, "znk", "mp3/none.mp3"));

    const std::string copy = dir.File("copy.txt");
    AnswerFileDialog(*main, "ExportPlaylist", copy);
    save->trigger();
    EXPECT_EQ(ReadText(copy), song + "\r\nmp3/none.mp3\r\n");
}

TEST_F(MusicInApp, NewGameLocationReloadsThePlaylist)
{
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    ASSERT_EQ(PlaylistView()->GetItemCount(), 1);
    const std::string other = dir.File("other");
    std::filesystem::create_directories(JoinPath(other, "znk", "mp3"));
    WriteText(Playlist(other), "mp3/a.mp3\r\nmp3/b.mp3\r\n");
    app->settings.SetGamePath(JoinPath(other, kClientExeName));
    app->settings.gameLocationChanged();
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    EXPECT_EQ(PlaylistView()->GetItemCount(), 2);
    EXPECT_EQ(FindById<QGroupBox>(Page(), P::IdPlaylistGroup)->title().toStdString(), Playlist(other));
    ASSERT_TRUE(app->loader()->WaitUntilIdle(5000));
}

TEST_F(MusicInApp, TagViewerWorksWhileTheMainWindowIsModal)
{
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    main->ShowPage(Page());
    bool closedByClick = false;
    bool owned = false;
    QString title;
    QTimer::singleShot(0, main, [&] {
        ClickEntry(0);
        Click(Page(), P::IdGetMp3Tag);
        if (Page()->viewers().count() == 1) {
            CMP3InfoDlg* viewer = Page()->viewers().viewers()[0];
            if (QTest::qWaitFor([viewer] { return viewer->filled(); }, 5000))
                title = FindById<QLineEdit>(viewer, CMP3InfoDlg::IdTitle)->text();
            // Owned by the main window: a transient child of the modal window, which its modal loop
            // leaves usable (a window of no owner would be blocked on a desktop).
            owned = viewer->parentWidget() == main && viewer->windowHandle() &&
                    viewer->windowHandle()->transientParent() == main->windowHandle();
            QPushButton* close = FindById<QPushButton>(viewer, CMP3InfoDlg::IdClose);
            QTest::mouseClick(viewer->windowHandle(), Qt::LeftButton, {}, close->mapTo(viewer, close->rect().center()));
            closedByClick = Page()->viewers().count() == 0;
        }
        main->done(0);
    });
    main->exec();
    EXPECT_EQ(title, "Song");
    EXPECT_TRUE(owned);
    EXPECT_TRUE(closedByClick);
}

TEST_F(MusicInApp, ShutDownClosesTheAudioLibraryLast)
{
    ASSERT_TRUE(Page()->WaitUntilLoaded(5000));
    ClickEntry(0);
    Click(Page(), P::IdPlay);
    Click(Page(), P::IdGetMp3Tag);
    AudioLibrary* audio = app->audio();
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->StreamCount(), 1);
    EXPECT_EQ(Page()->viewers().count(), 1);
    app->Shutdown();
    EXPECT_EQ(audio->StreamCount(), 0);
}
