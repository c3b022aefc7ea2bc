// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/lcg.h"
#include "core/path.h"
#include "core/report_rows.h"
#include "music/audio/audio_library.h"
#include "music/mp3_info_dlg.h"
#include "music/playlist_editor_dlg.h"
#include "music/playlist_list_ctrl.h"
#include "platform/platform.h"
#include "test_support/page_parts.h"
#include "test_support/widgets.h"

#include "mp3_writer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using Cells = std::vector<std::vector<std::string>>;
using P = CPlaylistEditorDlg;
using Texts = std::vector<std::string>;

// The page alone over a game in a fresh working folder ("game", mod "znk", mp3/playlist.txt)
// and a music folder beside it. The audio library "plays" into a raw PCM file.
class PlaylistPage : public ::testing::Test, protected PageParts {
protected:
    void SetUp() override
    {
        context.audio = &audio;
        std::filesystem::create_directories(JoinPath(dir.File("game"), "znk", "mp3"));
        std::filesystem::create_directories(Music("rock"));
        // 10.4 s at 128 kbit/s; 10.4 s averaging 96 kbit/s that starts at 128; 5.2 s at 64.
        Write(Music("a.mp3"), mp3w::ConstantRate(128, 400));
        Write(Music("b.mp3"), mp3w::CyclingRates({128, 64, 96, 160, 48}, 400));
        Write(Music("rock/c.mp3"), mp3w::ConstantRate(64, 200));
        Write(Music("short.mp3"), mp3w::ConstantRate(128, 12)); // 0.3 s: plays quickly
        WriteText(Music("upper.MP3"), "not listed");
        WriteText(Music("a.mp3.bak"), "not listed");
    }

    static void Write(const std::string& path, std::vector<int> rates, const std::string& tag = {})
    {
        mp3w::StreamSpec spec;
        spec.bitrates = std::move(rates);
        mp3w::WriteBytes(path, tag + mp3w::AudioFrames(spec));
    }

    std::string Music(const std::string& name = {}) const
    {
        std::string path = dir.File("music");
        for (size_t start = 0; start < name.size();) {
            const size_t slash = name.find('/', start);
            path = JoinPath(path, name.substr(start, slash - start));
            start = slash == std::string::npos ? name.size() : slash + 1;
        }
        return path;
    }
    std::string Playlist() const { return JoinPath(dir.File("game"), "znk", "mp3", "playlist.txt"); }
    std::string ModFile(const std::string& name) const { return JoinPath(dir.File("game"), "znk", name); }

    void Build()
    {
        page = std::make_unique<CPlaylistEditorDlg>(context);
        page->show();
        ASSERT_TRUE(page->WaitUntilLoaded(10000));
    }

    Cells Shown() const
    {
        Cells rows;
        CPlayListCtrl* list = PlaylistView();
        for (int r = 0; r < list->GetItemCount(); ++r)
            rows.push_back({list->GetItemTextStd(r, 0), list->GetItemTextStd(r, 1), list->GetItemTextStd(r, 2)});
        return rows;
    }
    std::vector<std::string> ShownFiles() const { return PlaylistView()->FileTexts(); }
    std::string SelectedText() const
    {
        const int row = PlaylistView()->GetSelectedRow();
        return row < 0 ? std::string() : PlaylistView()->GetItemTextStd(row, 0);
    }
    CPlayListCtrl* PlaylistView() const { return FindById<CPlayListCtrl>(page.get(), P::IdPlaylist); }
    QComboBox* Drives() const { return FindById<QComboBox>(page.get(), P::IdDrives); }
    QListWidget* Folders() const { return FindById<QListWidget>(page.get(), P::IdFolders); }
    QListWidget* Mp3Files() const { return FindById<QListWidget>(page.get(), P::IdMp3Files); }
    QCheckBox* Repeat() const { return FindById<QCheckBox>(page.get(), P::IdRepeat); }
    QPushButton* Button(int id) const { return FindById<QPushButton>(page.get(), id); }
    void Click(int id) const { ::Click(page.get(), id); }
    // A click on an entry, as the user gives it: it selects the entry and makes the playlist
    // the list Play and "Get Mp3 Tag" take their file from.
    void ClickEntry(int row, Qt::MouseButton button = Qt::LeftButton) const
    {
        CPlayListCtrl* list = PlaylistView();
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), button, {}, at);
    }
    // A double click as the user gives it: a click, then the double click (QTest's own sends
    // the second half only).
    void DoubleClickEntry(int row) const
    {
        CPlayListCtrl* list = PlaylistView();
        const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void ClickMp3(const QString& name) const
    {
        QListWidget* list = Mp3Files();
        const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    }
    void DoubleClickFolder(const QString& text) const
    {
        QListWidget* list = Folders();
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        const QPoint at = list->visualItemRect(found.first()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    std::string played = dir.File("played.raw");
    AudioLibrary audio{AudioOutput{"raw", played}};
    std::unique_ptr<CPlaylistEditorDlg> page;
};

// Answers the next file dialog of that name with path, typed as the user types it (selectFile()
// leaves a focused name field alone), past QFileDialog's own checks. seen receives the dialog's
// filters and default suffix.
void AnswerFileDialog(QObject& scope, const QString& name, const std::string& path, QStringList* seen = nullptr)
{
    WhenModalShows(scope, name, [=](QWidget& w) {
        auto& dialog = static_cast<QFileDialog&>(w);
        if (seen)
            *seen = dialog.nameFilters() << dialog.defaultSuffix();
        if (auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit"))
            edit->setText(QString::fromStdString(path));
        dialog.QDialog::accept();
    });
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace

TEST_F(PlaylistPage, ControlsAndTheFirstDrive)
{
    Build();
    EXPECT_EQ(page->objectName(), "CPlaylistEditorDlg");
    const std::vector<std::pair<int, QString>> buttons = {{P::IdAdd, "Add"},         {P::IdAddAll, "Add All"},
                                                          {P::IdRemove, "Remove"},   {P::IdRemoveAll, "Remove All"},
                                                          {P::IdClear, "Clear"},     {P::IdRandomize, "Randomize"},
                                                          {P::IdRefresh, "Refresh"}, {P::IdTop, "Top"},
                                                          {P::IdUp, "Up"},           {P::IdDown, "Down"},
                                                          {P::IdBottom, "Bottom"},   {P::IdGetMp3Tag, "Get Mp3 Tag"},
                                                          {P::IdPlay, "Play"},       {P::IdPause, "Pause"},
                                                          {P::IdStop, "Stop"}};
    for (const auto& [id, text] : buttons) {
        ASSERT_TRUE(Button(id)) << id;
        EXPECT_EQ(Button(id)->text(), text);
    }
    EXPECT_EQ(Repeat()->text(), "Repeat");
    EXPECT_TRUE(FindById<QComboBox>(page.get(), P::IdDrives));
    EXPECT_TRUE(FindById<QListWidget>(page.get(), P::IdFolders));
    EXPECT_TRUE(FindById<QListWidget>(page.get(), P::IdMp3Files));
    EXPECT_TRUE(FindById<CPlayListCtrl>(page.get(), P::IdPlaylist));
    EXPECT_EQ(FindById<QGroupBox>(page.get(), P::IdPlaylistGroup)->title().toStdString(), Playlist());
    CPlayListCtrl* list = PlaylistView();
    ASSERT_EQ(list->GetColumnCount(), 3);
    const QStringList titles = {"File", "Length", "Bitrate"};
    const int widths[] = {212, 60, 70};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        EXPECT_EQ(list->header()->sectionSize(c), widths[c]);
    }
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page->rect().contains(w->geometry())) << w->objectName().toStdString();

    // The drives, and the first one browsed (the home folder on POSIX).
    const std::vector<std::string> roots = platform::DriveRoots();
    ASSERT_EQ(Drives()->count(), static_cast<int>(roots.size()));
    EXPECT_EQ(Drives()->currentIndex(), 0);
    std::string first = roots.front();
    while (first.size() > 1 && first.back() == kPathSeparator)
        first.pop_back();
    EXPECT_EQ(page->currentFolder(), first);
    // Choosing another drive browses it.
    Choose(Drives(), static_cast<int>(roots.size()) - 1);
    std::string last = roots.back();
    while (last.size() > 1 && last.back() == kPathSeparator)
        last.pop_back();
    EXPECT_EQ(page->currentFolder(), last);
}

TEST_F(PlaylistPage, LoadResolvesMeasuresAndMarksMissingFiles)
{
    WriteText(Playlist(), Music("a.mp3") + "\r\n../../music//b.mp3\r\nmp3/gone.mp3\r\n" + Music("rock/c.mp3") + "\r\n");
    Build();
    const std::string relative = JoinPath(dir.File("game"), "znk", "../../music/b.mp3");
    EXPECT_EQ(Shown(), (Cells{{Music("a.mp3"), "0:10", "128"},
                              {relative, "0:08", "128"}, // the quick estimate of the varying rate
                              {"Invalid: " + ModFile("mp3/gone.mp3"), "???", "???"},
                              {Music("rock/c.mp3"), "0:05", "64"}}));

    // "Detect VBR": every frame counted.
    settings.detectVbr = true;
    Click(P::IdRefresh);
    ASSERT_TRUE(page->WaitUntilLoaded(5000));
    EXPECT_EQ(Shown()[1], (std::vector<std::string>{relative, "0:10", "96"}));

    // "Get Length/Bitrate" off: nothing measured, missing files still marked.
    settings.skipTrackInfo = true;
    Click(P::IdRefresh);
    ASSERT_TRUE(page->WaitUntilLoaded(5000));
    EXPECT_EQ(Shown(), (Cells{{Music("a.mp3"), "???", "???"},
                              {relative, "???", "???"},
                              {"Invalid: " + ModFile("mp3/gone.mp3"), "???", "???"},
                              {Music("rock/c.mp3"), "???", "???"}}));
    // Loading changes nothing on disk.
    EXPECT_EQ(ReadText(Playlist()),
              Music("a.mp3") + "\r\n../../music//b.mp3\r\nmp3/gone.mp3\r\n" + Music("rock/c.mp3") + "\r\n");
}

TEST_F(PlaylistPage, BrowsingFoldersAndMp3Files)
{
    Build();
    page->NavigateTo(Music());
    EXPECT_EQ(Rows(Folders()), (Texts{Music(), "..", "rock"}));
    EXPECT_EQ(Rows(Mp3Files()), (Texts{"a.mp3", "b.mp3", "short.mp3"}));

    DoubleClickFolder("rock");
    EXPECT_EQ(page->currentFolder(), Music("rock"));
    EXPECT_EQ(Rows(Mp3Files()), Texts{"c.mp3"});
    // ".." goes up one level.
    DoubleClickFolder("..");
    EXPECT_EQ(page->currentFolder(), Music());
    // The first item names the folder itself.
    DoubleClickFolder(QString::fromStdString(Music()));
    EXPECT_EQ(page->currentFolder(), Music());
    EXPECT_EQ(Rows(Folders()).size(), 3u);

#ifndef _WIN32
    // The bare root has no "..".
    page->NavigateTo("/");
    EXPECT_EQ(page->currentFolder(), "/");
    ASSERT_GE(Folders()->count(), 1);
    EXPECT_EQ(Folders()->item(0)->text(), "/");
    EXPECT_TRUE(Folders()->findItems("..", Qt::MatchExactly).isEmpty());
    EXPECT_FALSE(Folders()->findItems("tmp", Qt::MatchExactly).isEmpty());
    page->NavigateTo("/tmp/..\n");
    EXPECT_EQ(page->currentFolder(), "/");
#endif
    // A folder that cannot be listed shows only its navigation items.
    page->NavigateTo(Music("nothing-here"));
    EXPECT_EQ(Rows(Folders()), (Texts{Music("nothing-here"), ".."}));
    EXPECT_EQ(Mp3Files()->count(), 0);
}

#ifndef _WIN32
TEST_F(PlaylistPage, OnlyRegularFilesAreListedAsMp3)
{
    // A pipe named like a song would hold "Add" up for ever; a link to a song is a song.
    ASSERT_EQ(::mkfifo(Music("x.mp3").c_str(), 0600), 0);
    std::filesystem::create_symlink(Music("a.mp3"), Music("link.mp3"));
    std::filesystem::create_directory(Music("d.mp3"));
    Build();
    page->NavigateTo(Music());
    EXPECT_EQ(Rows(Mp3Files()), (Texts{"a.mp3", "b.mp3", "link.mp3", "short.mp3"}));
    EXPECT_EQ(Rows(Folders()), (Texts{Music(), "..", "d.mp3", "rock"}));
    Click(P::IdAddAll);
    EXPECT_EQ(PlaylistView()->GetItemCount(), 4);
}
#endif

TEST_F(PlaylistPage, AddingMeasuresQuicklyAndAppendsLines)
{
    settings.skipTrackInfo = true; // measuring is off for loads, never for adding
    WriteText(Playlist(), "mp3/old.mp3");
    Build();
    page->NavigateTo(Music());
    Click(P::IdAdd); // nothing selected: nothing
    EXPECT_EQ(PlaylistView()->GetItemCount(), 1);

    ClickMp3("b.mp3");
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::Mp3Source);
    Click(P::IdAdd);
    QListWidget* mp3 = Mp3Files();
    const QPoint first = mp3->visualItemRect(mp3->item(0)).center();
    QTest::mouseClick(mp3->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(mp3->viewport(), Qt::LeftButton, {}, first);
    Click(P::IdAddAll);
    EXPECT_EQ(Shown(), (Cells{{"Invalid: " + ModFile("mp3/old.mp3"), "???", "???"},
                              {Music("b.mp3"), "0:08", "128"},
                              {Music("a.mp3"), "0:10", "128"},
                              {Music("a.mp3"), "0:10", "128"},
                              {Music("b.mp3"), "0:08", "128"},
                              {Music("short.mp3"), "???", "???"}}));
    // The old last line had no line break: the first added line does not run into it.
    EXPECT_EQ(ReadText(Playlist()), Lines({"mp3/old.mp3", Music("b.mp3"), Music("a.mp3"), Music("a.mp3"),
                                           Music("b.mp3"), Music("short.mp3")}));
}

TEST_F(PlaylistPage, RemovingEntries)
{
    const std::string original =
        Lines({Music("a.mp3"), "../../music/b.mp3", Music("rock/c.mp3"), Music("b.mp3"), Music("gone.mp3")});
    WriteText(Playlist(), original);
    Build();
    // Nothing selected: neither the list nor the file changes.
    Click(P::IdRemove);
    EXPECT_EQ(PlaylistView()->GetItemCount(), 5);
    EXPECT_EQ(ReadText(Playlist()), original);

    // A relative line's entry goes from the list; its line, which no full path begins, stays.
    ClickEntry(1);
    Click(P::IdRemove);
    EXPECT_EQ(PlaylistView()->GetItemCount(), 4);
    EXPECT_EQ(ReadText(Playlist()), original);
    // A missing file's entry finds its line without the marker.
    ClickEntry(3);
    ASSERT_EQ(SelectedText(), "Invalid: " + Music("gone.mp3"));
    Click(P::IdRemove);
    EXPECT_EQ(ReadText(Playlist()), Lines({Music("a.mp3"), "../../music/b.mp3", Music("rock/c.mp3"), Music("b.mp3")}));

    // "Remove All" of the music folder keeps the entries of other folders.
    page->NavigateTo(Music());
    Click(P::IdRemoveAll);
    EXPECT_EQ(ShownFiles(), std::vector<std::string>{Music("rock/c.mp3")});
    EXPECT_EQ(ReadText(Playlist()), Lines({"../../music/b.mp3", Music("rock/c.mp3")}));
}

// Remove, Import and Export that cannot write are told as a Save that cannot: the list and the
// file no longer agree, or the exported file is not there.
TEST_F(PlaylistPage, WritesThatFailAreToldWhateverTheCommand)
{
    std::vector<std::pair<std::string, bool>> writes;
    context.fileSaved = [&writes](const std::string& path, bool saved) { writes.emplace_back(path, saved); };
    const std::string original = Lines({Music("a.mp3"), Music("b.mp3")});
    WriteText(Playlist(), original);
    Build();
    std::filesystem::permissions(Playlist(), std::filesystem::perms(0444));
    ClickEntry(0);
    Click(P::IdRemove);
    page->NavigateTo(Music());
    Click(P::IdRemoveAll);
    const std::string m3u = dir.File("new.m3u");
    WriteText(m3u, Music("rock/c.mp3") + "\r\n");
    page->ImportPlaylistFrom(m3u);
    ASSERT_TRUE(page->WaitUntilLoaded(5000));
    const std::string nowhere = JoinPath(dir.File("no folder"), "out.txt");
    page->ExportPlaylistTo(nowhere);
    EXPECT_EQ(ReadText(Playlist()), original);
    EXPECT_FALSE(PathExists(nowhere));
    using W = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(writes, (W{{Playlist(), false}, {Playlist(), false}, {Playlist(), false}, {nowhere, false}}));

    // Writes that work say so (the next failure is told again).
    std::filesystem::permissions(Playlist(), std::filesystem::perms(0644));
    writes.clear();
    page->ExportPlaylistTo(dir.File("out.txt"));
    ClickEntry(0);
    Click(P::IdRemove);
    EXPECT_EQ(writes, (W{{dir.File("out.txt"), true}, {Playlist(), true}}));
}

TEST_F(PlaylistPage, SortingByLengthKeepsUnknownLast)
{
    WriteText(Playlist(), Lines({"mp3/gone.mp3", Music("a.mp3"), Music("rock/c.mp3"), Music("b.mp3")}));
    Build();
    QHeaderView* header = PlaylistView()->header();
    const QPoint length(header->sectionViewportPosition(1) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, length);
    EXPECT_EQ(ShownFiles(), (std::vector<std::string>{Music("rock/c.mp3"), Music("b.mp3"), Music("a.mp3"),
                                                      "Invalid: " + ModFile("mp3/gone.mp3")}));
    EXPECT_EQ(PlaylistView()->GetHeaderImage(1), 0);
    EXPECT_EQ(ReadText(Playlist()),
              Lines({Music("rock/c.mp3"), Music("b.mp3"), Music("a.mp3"), ModFile("mp3/gone.mp3")}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, length);
    EXPECT_EQ(ShownFiles(), (std::vector<std::string>{Music("a.mp3"), Music("b.mp3"), Music("rock/c.mp3"),
                                                      "Invalid: " + ModFile("mp3/gone.mp3")}));
    EXPECT_EQ(PlaylistView()->GetHeaderImage(1), 1);
    EXPECT_EQ(ReadText(Playlist()),
              Lines({Music("a.mp3"), Music("b.mp3"), Music("rock/c.mp3"), ModFile("mp3/gone.mp3")}));
}

TEST_F(PlaylistPage, ShuffleFollowsTheSharedSequence)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i)
        lines.push_back(JoinPath(Music(), "missing" + std::to_string(i) + ".mp3"));
    WriteText(Playlist(), Lines(lines));
    Build();
    page->SortByColumn(0);
    ASSERT_EQ(PlaylistView()->GetHeaderImage(0), 0);

    const std::vector<std::string> before = ShownFiles();

    // What the list's merge sort makes of the program's random numbers, from where they are now.
    Lcg copy = ProgramRandom();
    std::vector<size_t> order(before.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    StableMergeSort(order, [&copy](size_t, size_t) { return copy.Next() % 100 - 50; });
    std::vector<std::string> expected;
    std::vector<std::string> saved;
    for (size_t i : order) {
        expected.push_back(before[i]);
        saved.push_back(before[i].substr(9));
    }

    Click(P::IdRandomize);
    EXPECT_EQ(ShownFiles(), expected);
    EXPECT_NE(expected, before);
    EXPECT_EQ(ProgramRandom().state, copy.state);
    EXPECT_EQ(PlaylistView()->GetHeaderImage(0), -1);
    EXPECT_EQ(PlaylistView()->SortColumn(), CSortListCtrl::kNoSortColumn);
    EXPECT_EQ(ReadText(Playlist()), Lines(saved));
}

TEST_F(PlaylistPage, MovesFollowTheirTable)
{
    WriteText(Playlist(), Lines({"mp3/0.mp3", "mp3/1.mp3", "mp3/2.mp3", "mp3/3.mp3"}));
    Build();
    auto order = [this] {
        std::string out;
        for (const std::string& f : ShownFiles())
            out += f.substr(f.size() - 5, 1);
        return out + "@" + std::to_string(PlaylistView()->GetSelectedRow());
    };
    // No selection: no move, no rewrite.
    const std::string before = ReadText(Playlist());
    for (int id : {P::IdTop, P::IdUp, P::IdDown, P::IdBottom})
        Click(id);
    EXPECT_EQ(order(), "0123@-1");
    EXPECT_EQ(ReadText(Playlist()), before);

    ClickEntry(2);
    Click(P::IdTop); // Top
    EXPECT_EQ(order(), "2013@0");
    Click(P::IdUp); // Up at the first: nothing
    EXPECT_EQ(order(), "2013@0");
    Click(P::IdDown); // Down
    EXPECT_EQ(order(), "0213@1");
    Click(P::IdBottom); // Bottom
    EXPECT_EQ(order(), "0132@3");
    Click(P::IdDown); // Down at the last: nothing
    EXPECT_EQ(order(), "0132@3");
    Click(P::IdUp); // Up
    EXPECT_EQ(order(), "0123@2");
    EXPECT_EQ(ReadText(Playlist()),
              Lines({ModFile("mp3/0.mp3"), ModFile("mp3/1.mp3"), ModFile("mp3/2.mp3"), ModFile("mp3/3.mp3")}));
}

TEST_F(PlaylistPage, ClearEmptiesListFileAndSortArrow)
{
    WriteText(Playlist(), Lines({Music("a.mp3"), Music("b.mp3")}));
    Build();
    page->SortByColumn(1);
    Click(P::IdClear);
    EXPECT_EQ(PlaylistView()->GetItemCount(), 0);
    EXPECT_EQ(PlaylistView()->GetHeaderImage(1), -1);
    EXPECT_EQ(ReadText(Playlist()), "");
}

TEST_F(PlaylistPage, ReloadWhileLoadingStartsNoSecondLoad)
{
    // Enough files measured in full that the load is still running a moment later.
    settings.detectVbr = true;
    std::vector<std::string> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(i % 2 ? Music("a.mp3") : Music("b.mp3"));
    WriteText(Playlist(), Lines(lines));
    Build();
    const int loads = page->loadsStarted();
    page->ReloadPlaylist();
    ASSERT_TRUE(page->loading());
    Click(P::IdRefresh);
    Click(P::IdRefresh);
    EXPECT_TRUE(page->loading());
    EXPECT_EQ(page->loadsStarted(), loads + 1);
    ASSERT_TRUE(page->WaitUntilLoaded(20000));
    EXPECT_EQ(page->loadsStarted(), loads + 1);
    ASSERT_EQ(PlaylistView()->GetItemCount(), 300);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(ShownFiles()[i], lines[i]) << i;
}

TEST_F(PlaylistPage, RewritesDuringALoadKeepTheLinesStillToCome)
{
    settings.detectVbr = true;
    std::vector<std::string> lines;
    for (int i = 0; i < 300; ++i)
        lines.push_back(i % 2 ? Music("a.mp3") : Music("b.mp3"));
    WriteText(Playlist(), Lines(lines));
    Build();
    page->ReloadPlaylist();
    // A sort before the load has read the file must not write the empty list over it.
    page->SortByColumn(0);
    EXPECT_EQ(ReadText(Playlist()), Lines(lines));
    ASSERT_TRUE(QTest::qWaitFor([this] { return PlaylistView()->GetItemCount() > 0; }, 10000));
    // A move while entries are still coming: the file keeps them all.
    ClickEntry(0);
    Click(P::IdBottom);
    const std::string written = ReadText(Playlist());
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 300);
    EXPECT_TRUE(page->loading()) << "the load ended too soon to tell";
    ASSERT_TRUE(page->WaitUntilLoaded(20000));
    EXPECT_EQ(PlaylistView()->GetItemCount(), 300);
}

TEST_F(PlaylistPage, ImportDuringALoadShowsTheImportedFile)
{
    settings.detectVbr = true;
    std::vector<std::string> lines(300, Music("b.mp3"));
    WriteText(Playlist(), Lines(lines));
    Build();
    page->ReloadPlaylist();
    const std::string m3u = dir.File("new.m3u");
    WriteText(m3u, "#EXTM3U\r\n#EXTINF:10,A\r\n" + Music("a.mp3") + "\r\n");
    page->ImportPlaylistFrom(m3u);
    ASSERT_TRUE(page->WaitUntilLoaded(20000));
    EXPECT_EQ(ShownFiles(), std::vector<std::string>{Music("a.mp3")});
    EXPECT_EQ(ReadText(Playlist()), Music("a.mp3") + "\r\n");
}

TEST_F(PlaylistPage, ImportAndExportThroughTheFileDialogs)
{
    WriteText(Playlist(), Lines({Music("a.mp3"), "mp3/gone.mp3"}));
    Build();
    const std::string pls = dir.File("list.pls");
    WriteText(pls, "[playlist]\r\nFile1=" + Music("b.mp3") + "\r\nFile2=" + Music("rock/c.mp3") +
                       "\r\nNumberOfEntries=2\r\nVersion=2\r\n");
    QStringList seen;
    AnswerFileDialog(*page, "ImportPlaylist", pls, &seen);
    page->ImportPlaylist();
    EXPECT_EQ(seen, (QStringList{"Text Files (*.txt)", "Playlist Files (*.m3u)", "Playlist Files (*.pls)",
                                 "All Files (*)", "txt"}));
    ASSERT_TRUE(page->WaitUntilLoaded(5000));
    EXPECT_EQ(ShownFiles(), (std::vector<std::string>{Music("b.mp3"), Music("rock/c.mp3")}));
    EXPECT_EQ(ReadText(Playlist()), Lines({Music("b.mp3"), Music("rock/c.mp3")}));

    const std::string out = dir.File("out.pls");
    AnswerFileDialog(*page, "ExportPlaylist", out);
    page->ExportPlaylist();
    EXPECT_EQ(ReadText(out), "[playlist]\r\nFile1=" + Music("b.mp3") +
                                 "\r\nLength1=8\r\nTitle1=b\r\nFile2=" + Music("rock/c.mp3") +
                                 "\r\nLength2=5\r\nTitle2=c\r\nNumberOfEntries=2\r\nVersion=2\r\n");

    // Cancel does nothing.
    WhenModalShows(*page, "ImportPlaylist", [](QWidget& w) { static_cast<QDialog&>(w).reject(); });
    page->ImportPlaylist();
    EXPECT_EQ(ReadText(Playlist()), Lines({Music("b.mp3"), Music("rock/c.mp3")}));
}

TEST_F(PlaylistPage, PlayerFollowsTheSelection)
{
    WriteText(Playlist(), Lines({Music("a.mp3"), "mp3/gone.mp3", Music("short.mp3")}));
    Build();
    // Nothing selected: nothing plays, Pause and Stop do nothing.
    Click(P::IdPlay);
    EXPECT_EQ(page->stream(), nullptr);
    Click(P::IdStop);
    Click(P::IdPause);
    EXPECT_EQ(Button(P::IdPause)->text(), "Pause");

    ClickEntry(0);
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::PlaylistSource);
    Click(P::IdPlay);
    AudioLibrary::Stream* first = page->stream();
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(audio.StreamFinished(first));
    Click(P::IdPause);
    EXPECT_EQ(Button(P::IdPause)->text(), "<->");
    EXPECT_TRUE(audio.GetPaused(CPlaylistEditorDlg::kPlayerChannel));
    Click(P::IdPause);
    EXPECT_EQ(Button(P::IdPause)->text(), "Pause");
    EXPECT_FALSE(audio.GetPaused(CPlaylistEditorDlg::kPlayerChannel));

    // An entry whose file is missing: the current stream plays on.
    ClickEntry(1);
    Click(P::IdPlay);
    EXPECT_EQ(page->stream(), first);
    EXPECT_FALSE(audio.StreamFinished(first));
    // Nothing selected anywhere: the same.
    PlaylistView()->SelectRow(-1);
    Mp3Files()->clearSelection();
    Click(P::IdPlay);
    EXPECT_EQ(page->stream(), first);

    // Paused, then another file: the first stream goes, the new one plays, the button says Pause.
    Click(P::IdPause);
    ASSERT_EQ(Button(P::IdPause)->text(), "<->");
    DoubleClickEntry(2);
    AudioLibrary::Stream* second = page->stream();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(audio.StreamCount(), 1); // the first one closed
    EXPECT_FALSE(audio.StreamFinished(second));
    EXPECT_EQ(Button(P::IdPause)->text(), "Pause");
    EXPECT_FALSE(audio.GetPaused(CPlaylistEditorDlg::kPlayerChannel));

    // Stop, then Pause: nothing, and the button keeps its text.
    Click(P::IdStop);
    EXPECT_EQ(page->stream(), nullptr);
    EXPECT_EQ(audio.StreamCount(), 0);
    Click(P::IdPause);
    EXPECT_EQ(Button(P::IdPause)->text(), "Pause");
}

TEST_F(PlaylistPage, RepeatAppliesToThePlayingFileWithoutRestart)
{
    Build();
    page->NavigateTo(Music());
    ClickMp3("short.mp3");
    Click(P::IdPlay);
    AudioLibrary::Stream* stream = page->stream();
    ASSERT_NE(stream, nullptr);
    QTest::mouseClick(Repeat(), Qt::LeftButton);
    ASSERT_TRUE(Repeat()->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return audio.StreamEndsReached(stream) >= 2; }, 5000));
    EXPECT_EQ(page->stream(), stream);
    EXPECT_FALSE(audio.StreamFinished(stream));
    // Off again: the pass under way is the last.
    QTest::mouseClick(Repeat(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return audio.StreamFinished(stream); }, 5000));
    const uintmax_t onePass = 12u * 1152u * 4u;
    EXPECT_EQ(std::filesystem::file_size(played), onePass * audio.StreamEndsReached(stream));
    // Finished, it stays the page's stream until the next Play or Stop.
    EXPECT_EQ(page->stream(), stream);
    // Checked before Play: the new stream repeats from the start.
    QTest::mouseClick(Repeat(), Qt::LeftButton);
    Click(P::IdPlay);
    ASSERT_TRUE(QTest::qWaitFor([&] { return audio.StreamEndsReached(page->stream()) >= 2; }, 5000));
    Click(P::IdStop);
}

TEST_F(PlaylistPage, RightClickShowsTheEntryInTheBrowser)
{
    WriteText(Playlist(), Lines({Music("rock/c.mp3"), "mp3/gone.mp3"}));
    Build();
    ClickEntry(0, Qt::RightButton);
    EXPECT_EQ(page->currentFolder(), Music("rock"));
    ASSERT_EQ(Mp3Files()->selectedItems().size(), 1);
    EXPECT_EQ(Mp3Files()->selectedItems().first()->text(), "c.mp3");
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::PlaylistSource);
}

TEST_F(PlaylistPage, TagViewersOpenSideBySide)
{
    const std::string tagged = Music("tagged.mp3");
    Write(tagged, mp3w::ConstantRate(128, 400),
          mp3w::Id3v2Tag({{"TIT2", "Überschall ☄", true}, {"TPE1", "ZNK", false}, {"TCON", "(17)", false}}));
    WriteText(Playlist(), Lines({tagged, "mp3/gone.mp3", Music("b.mp3")}));
    Build();
    // Nothing selected, or a missing file: no viewer.
    Click(P::IdGetMp3Tag);
    ClickEntry(1);
    Click(P::IdGetMp3Tag);
    EXPECT_EQ(page->viewers().count(), 0);

    ClickEntry(0);
    Click(P::IdGetMp3Tag);
    ClickEntry(2);
    Click(P::IdGetMp3Tag);
    ASSERT_EQ(page->viewers().count(), 2);
    CMP3InfoDlg* first = page->viewers().viewers()[0];
    CMP3InfoDlg* second = page->viewers().viewers()[1];
    // Read off the window thread: the fields fill a moment later.
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->filled() && second->filled(); }, 5000));
    EXPECT_EQ(first->windowTitle(), "Mp3 Info");
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_TRUE(first->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdTitle)->text(), QString("Überschall ☄"));
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdArtist)->text(), "ZNK");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdGenre)->text(), "(17)");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdAlbum)->text(), "");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdLength)->text(), "0:10");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdBitrate)->text(), "128");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdVbr)->text(), "No");
    EXPECT_EQ(FindById<QLineEdit>(first, CMP3InfoDlg::IdVersion)->text(), "MPEG 1.0");
    EXPECT_TRUE(FindById<QLineEdit>(first, CMP3InfoDlg::IdTitle)->isReadOnly());
    EXPECT_EQ(FindById<QLineEdit>(second, CMP3InfoDlg::IdBitrate)->text(), "96");
    EXPECT_EQ(FindById<QLineEdit>(second, CMP3InfoDlg::IdVbr)->text(), "Yes");

    // Closing one leaves the other; Close, Escape and the close box all close.
    QPointer<CMP3InfoDlg> gone = first;
    QTest::mouseClick(FindById<QPushButton>(first, CMP3InfoDlg::IdClose), Qt::LeftButton);
    EXPECT_EQ(page->viewers().count(), 1);
    EXPECT_EQ(page->viewers().viewers()[0], second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gone.isNull(); }, 2000));
    EXPECT_TRUE(second->isVisible());
    QTest::keyClick(second, Qt::Key_Escape);
    EXPECT_EQ(page->viewers().count(), 0);

    // The file list works as well, and the window closed by its close box goes too.
    page->NavigateTo(Music());
    ClickMp3("a.mp3");
    Click(P::IdGetMp3Tag);
    ASSERT_EQ(page->viewers().count(), 1);
    EXPECT_EQ(page->viewers().viewers()[0]->path(), Music("a.mp3"));
    page->viewers().viewers()[0]->close();
    EXPECT_EQ(page->viewers().count(), 0);
}

TEST_F(PlaylistPage, InfoTipShowsATruncatedPath)
{
    const std::string deep = JoinPath(Music(), std::string(120, 'x') + ".mp3");
    WriteText(Playlist(), Lines({deep}));
    Build();
    CPlayListCtrl* list = PlaylistView();
    const QRect cell = list->visualRect(list->model()->index(0, 0));
    QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_EQ(QToolTip::text().remove('\n').toStdString(), "Invalid: " + deep); // in lines that fit the screen
    QToolTip::hideText();
}

TEST_F(PlaylistPage, SelectionSourceFollowsTheLastList)
{
    WriteText(Playlist(), Lines({Music("a.mp3")}));
    Build();
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::NoSource);
    page->NavigateTo(Music());
    ClickMp3("b.mp3");
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::Mp3Source);
    ClickEntry(0);
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::PlaylistSource);
    ClickMp3("a.mp3");
    EXPECT_EQ(page->selectionSource(), CPlaylistEditorDlg::Mp3Source);
    // A click beside the entries, with an entry selected: the playlist.
    CPlayListCtrl* list = PlaylistView();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    EXPECT_EQ(page->selectionSource(),
              list->GetSelectedRow() >= 0 ? CPlaylistEditorDlg::PlaylistSource : CPlaylistEditorDlg::Mp3Source);
}
