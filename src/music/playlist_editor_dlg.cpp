// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/playlist_editor_dlg.h"

#include "core/lcg.h"
#include "core/path.h"
#include "music/audio/mp3_measure.h"
#include "music/model/mp3_folder.h"
#include "music/model/playlist_file.h"
#include "music/mp3_info_dlg.h"
#include "music/playlist_list_ctrl.h"
#include "platform/platform.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <optional>

namespace {

// ---- layout, in dialog units of the 424 x 232 page ----
// Left: the drives, the folders and the MP3 files with Add and Add All. Right: the playlist,
// its buttons in two rows, and the player.
constexpr int kLeftX = 4;
constexpr int kLeftW = 150;
constexpr int kRightX = kLeftX + kLeftW + 4;
constexpr int kRightW = 424 - 4 - kRightX;
constexpr int kInset = 6;
constexpr int kTitle = 11;
constexpr int kButtonH = 14;
constexpr int kButtonGap = 2;
// Five buttons a row fill the right side.
constexpr int kButtonW = (kRightW - 4 * kButtonGap) / 5;

// The marker of the browser's navigation items (the current folder, ".."): a line feed after
// the text, as the original list box items had it.
const char kNavigationMark = '\n';

const QStringList kFileFilters = {"Text Files (*.txt)", "Playlist Files (*.m3u)", "Playlist Files (*.pls)",
#ifdef _WIN32
                                  "All Files (*.*)"};
#else
                                  "All Files (*)"};
#endif

QListWidget* MakeListBox(QWidget* parent, int id, int x, int y, int w, int h)
{
    auto* box = Place(SetControlId(new QListWidget(parent), id), x, y, w, h);
    box->setSelectionMode(QAbstractItemView::SingleSelection);
    return box;
}

// An item that shows the text and stands for its bytes (file names need not be UTF-8).
QListWidgetItem* AddItem(QListWidget* list, const std::string& bytes, const std::string& shown)
{
    auto* item = new QListWidgetItem(DisplayText(shown), list);
    item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
    return item;
}

// What the drive list shows for a root: "C:" on Windows, the folder itself elsewhere.
std::string DriveText(std::string root)
{
    while (root.size() > 1 && root.back() == kPathSeparator)
        root.pop_back();
    return root;
}

bool IsDriveRoot(const std::string& folder)
{
#ifdef _WIN32
    return folder.size() <= 2;
#else
    return folder == "/";
#endif
}

// A folder list item's text that names a folder by itself rather than below the current one.
bool IsAbsoluteFolderText(const std::string& text)
{
#ifdef _WIN32
    return text.size() >= 2 && text[1] == ':';
#else
    return !text.empty() && text[0] == '/';
#endif
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(),
                                                      [&lower](char a, char b) { return lower(a) == lower(b); });
}

} // namespace

CPlaylistEditorDlg::CPlaylistEditorDlg(const PageContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), viewers_(std::make_unique<CMp3InfoViewers>())
{
    setObjectName("CPlaylistEditorDlg");
    if (ctx_.audio) {
        audio_ = ctx_.audio;
    } else {
        ownAudio_ = std::make_unique<AudioLibrary>();
        audio_ = ownAudio_.get();
    }
    loader_ = std::make_unique<CPlaylistLoader>(*audio_, [this] { return BeginLoad(); });
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
}

CPlaylistEditorDlg::~CPlaylistEditorDlg()
{
    viewers_->CloseAll();
    // The load measures with the audio library, which may go before long: it ends here.
    loader_.reset();
    if (stream_)
        audio_->StreamClose(stream_);
}

void CPlaylistEditorDlg::CreateWidgets()
{
    resize(DluX(424), DluY(232));

    Place(new QLabel("Disks", this), kLeftX + 2, 4, 22, 9);
    drives_ = Place(SetControlId(new QComboBox(this), IdDrives), kLeftX + 26, 2, kLeftW - 26, 13);

    constexpr int kFoldersY = 18;
    constexpr int kFoldersH = 96;
    MakeGroup(this, "Directories", kLeftX, kFoldersY, kLeftW, kFoldersH);
    folders_ =
        MakeListBox(this, IdFolders, kLeftX + kInset, kFoldersY + kTitle, kLeftW - 2 * kInset, kFoldersH - kTitle - 5);

    constexpr int kMp3Y = kFoldersY + kFoldersH + 2;
    constexpr int kMp3H = 232 - 2 - kMp3Y;
    constexpr int kAddY = kMp3Y + kMp3H - kButtonH - 5;
    MakeGroup(this, "Mp3", kLeftX, kMp3Y, kLeftW, kMp3H);
    mp3Files_ = MakeListBox(this, IdMp3Files, kLeftX + kInset, kMp3Y + kTitle, kLeftW - 2 * kInset,
                            kAddY - 3 - (kMp3Y + kTitle));
    add_ = Place(MakeButton(this, IdAdd, "Add"), kLeftX + kInset, kAddY, kButtonW, kButtonH);
    addAll_ = Place(MakeButton(this, IdAddAll, "Add All"), kLeftX + kInset + kButtonW + kButtonGap, kAddY, kButtonW,
                    kButtonH);

    constexpr int kListH = 232 - 2 - 3 * (kButtonH + kButtonGap) - 2;
    playlistGroup_ = SetControlId(MakeGroup(this, QString(), kRightX, 2, kRightW, kListH), IdPlaylistGroup);
    playlist_ = Place(SetControlId(new CPlayListCtrl(this), IdPlaylist), kRightX + kInset, 2 + kTitle,
                      kRightW - 2 * kInset, kListH - kTitle - 5);
    playlist_->setToolTipDuration(-1);
    playlist_->setContextMenuPolicy(Qt::PreventContextMenu);

    struct ButtonPlace {
        QPushButton** button;
        int id;
        const char* text;
    };
    const ButtonPlace rows[3][5] = {
        {{&remove_, IdRemove, "Remove"},
         {&removeAll_, IdRemoveAll, "Remove All"},
         {&clear_, IdClear, "Clear"},
         {&randomize_, IdRandomize, "Randomize"},
         {&refresh_, IdRefresh, "Refresh"}},
        {{&top_, IdTop, "Top"},
         {&up_, IdUp, "Up"},
         {&down_, IdDown, "Down"},
         {&bottom_, IdBottom, "Bottom"},
         {&getTag_, IdGetMp3Tag, "Get Mp3 Tag"}},
        {{&play_, IdPlay, "Play"},
         {&pause_, IdPause, "Pause"},
         {&stop_, IdStop, "Stop"},
         {nullptr, 0, nullptr},
         {nullptr, 0, nullptr}},
    };
    for (int r = 0; r < 3; ++r) {
        const int y = 2 + kListH + 2 + r * (kButtonH + kButtonGap);
        for (int c = 0; c < 5; ++c) {
            const ButtonPlace& b = rows[r][c];
            if (b.button)
                *b.button =
                    Place(MakeButton(this, b.id, b.text), kRightX + c * (kButtonW + kButtonGap), y, kButtonW, kButtonH);
        }
    }
    const int repeatY = 2 + kListH + 2 + 2 * (kButtonH + kButtonGap);
    repeat_ = Place(SetControlId(new QCheckBox("Repeat", this), IdRepeat), kRightX + 3 * (kButtonW + kButtonGap) + 4,
                    repeatY + 2, kButtonW, 10);
}

void CPlaylistEditorDlg::ConnectWidgets()
{
    connect(drives_, &QComboBox::activated, this, &CPlaylistEditorDlg::OnDriveChosen);
    connect(folders_, &QListWidget::itemDoubleClicked, this, &CPlaylistEditorDlg::OnFolderDoubleClicked);
    connect(mp3Files_, &QListWidget::itemSelectionChanged, this, &CPlaylistEditorDlg::OnMp3SelectionChanged);
    connect(mp3Files_, &QListWidget::itemDoubleClicked, this, &CPlaylistEditorDlg::OnMp3DoubleClicked);
    connect(playlist_, &CPlayListCtrl::listClicked, this, &CPlaylistEditorDlg::OnPlaylistClick);
    connect(playlist_, &CPlayListCtrl::listDoubleClicked, this, &CPlaylistEditorDlg::OnPlaylistDoubleClick);
    connect(playlist_, &CPlayListCtrl::listRightClicked, this, &CPlaylistEditorDlg::OnPlaylistRightClick);
    connect(loader_.get(), &CPlaylistLoader::rowsLoaded, this, [this](const std::vector<PlaylistRow>& rows) {
        for (const PlaylistRow& row : rows)
            playlist_->AppendEntry(row.file, row.length, row.bitrate);
    });
    // After the list has sorted itself (its own handler is connected first).
    connect(playlist_->header(), &QHeaderView::sectionClicked, this, [this] { SavePlaylistFile(); });

    connect(add_, &QPushButton::clicked, this, &CPlaylistEditorDlg::AddSelected);
    connect(addAll_, &QPushButton::clicked, this, &CPlaylistEditorDlg::AddAll);
    connect(remove_, &QPushButton::clicked, this, &CPlaylistEditorDlg::RemoveSelected);
    connect(removeAll_, &QPushButton::clicked, this, &CPlaylistEditorDlg::RemoveAllOfFolder);
    connect(clear_, &QPushButton::clicked, this, &CPlaylistEditorDlg::ClearPlaylist);
    connect(randomize_, &QPushButton::clicked, this, &CPlaylistEditorDlg::ShufflePlaylist);
    connect(refresh_, &QPushButton::clicked, this, &CPlaylistEditorDlg::ReloadPlaylist);
    connect(top_, &QPushButton::clicked, this, &CPlaylistEditorDlg::MoveTop);
    connect(up_, &QPushButton::clicked, this, &CPlaylistEditorDlg::MoveUp);
    connect(down_, &QPushButton::clicked, this, &CPlaylistEditorDlg::MoveDown);
    connect(bottom_, &QPushButton::clicked, this, &CPlaylistEditorDlg::MoveBottom);
    connect(getTag_, &QPushButton::clicked, this, &CPlaylistEditorDlg::ShowTagViewer);
    connect(play_, &QPushButton::clicked, this, &CPlaylistEditorDlg::PlaySelection);
    connect(pause_, &QPushButton::clicked, this, &CPlaylistEditorDlg::TogglePause);
    connect(stop_, &QPushButton::clicked, this, &CPlaylistEditorDlg::StopPlayback);
    connect(repeat_, &QCheckBox::clicked, this, &CPlaylistEditorDlg::ApplyRepeat);
}

void CPlaylistEditorDlg::LoadControls()
{
    audio_->Init(44100, 32, 0);

    const std::vector<std::string> roots = platform::DriveRoots();
    int browse = -1;
    {
        const QSignalBlocker quiet(drives_);
        for (const std::string& root : roots) {
            const std::string text = DriveText(root);
            drives_->addItem(DisplayText(text), QByteArray::fromStdString(text));
            // The first drive after A: (the floppy, which would keep the drive busy).
            if (browse < 0 && !(text.size() == 2 && text[1] == ':' && (text[0] == 'A' || text[0] == 'a')))
                browse = drives_->count() - 1;
        }
        if (browse >= 0)
            drives_->setCurrentIndex(browse);
    }
    if (browse >= 0)
        NavigateTo(drives_->itemData(browse).toByteArray().toStdString());

    ReloadPlaylist();
}

// ---- the browser ----

std::string CPlaylistEditorDlg::ItemBytes(const QListWidgetItem* item)
{
    return item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

void CPlaylistEditorDlg::NavigateTo(const std::string& text)
{
    std::string folder = text;
    if (!folder.empty() && folder.back() == kNavigationMark)
        folder.pop_back();
    const std::string up = std::string(1, kPathSeparator) + "..";
    if (folder.size() >= up.size() && folder.compare(folder.size() - up.size(), up.size(), up) == 0)
        folder = FolderAbove(folder.substr(0, folder.size() - up.size()));
    currentFolder_ = folder;
    const Mp3FolderListing listing = ListMp3Folder(currentFolder_);

    const QSignalBlocker quietFolders(folders_);
    const QSignalBlocker quietFiles(mp3Files_);
    folders_->clear();
    mp3Files_->clear();
    AddItem(folders_, currentFolder_ + kNavigationMark, currentFolder_);
    if (!IsDriveRoot(currentFolder_))
        AddItem(folders_, std::string("..") + kNavigationMark, "..");
    for (const std::string& name : listing.folders)
        AddItem(folders_, name, name);
    for (const std::string& name : listing.files)
        AddItem(mp3Files_, name, name);
}

void CPlaylistEditorDlg::OnDriveChosen(int index)
{
    NavigateTo(drives_->itemData(index).toByteArray().toStdString());
}

void CPlaylistEditorDlg::OnFolderDoubleClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    const std::string text = ItemBytes(item);
    NavigateTo(IsAbsoluteFolderText(text) ? text : JoinPath(currentFolder_, text));
}

std::string CPlaylistEditorDlg::SelectedMp3Path() const
{
    const QList<QListWidgetItem*> selected = mp3Files_->selectedItems();
    return selected.isEmpty() ? std::string() : JoinPath(currentFolder_, ItemBytes(selected.first()));
}

std::string CPlaylistEditorDlg::SelectedEntryText() const
{
    const int row = playlist_->GetSelectedRow();
    return row < 0 ? std::string() : playlist_->GetItemTextStd(row, CPlayListCtrl::FileColumn);
}

void CPlaylistEditorDlg::OnMp3SelectionChanged()
{
    selectionSource_ = !mp3Files_->selectedItems().isEmpty() ? Mp3Source
                       : playlist_->GetSelectedRow() >= 0    ? PlaylistSource
                                                             : NoSource;
}

void CPlaylistEditorDlg::OnMp3DoubleClicked()
{
    if (mp3Files_->selectedItems().isEmpty()) {
        OnMp3SelectionChanged();
        return;
    }
    selectionSource_ = Mp3Source;
    AddToPlaylist(SelectedMp3Path());
}

void CPlaylistEditorDlg::OnPlaylistClick()
{
    selectionSource_ = playlist_->GetSelectedRow() >= 0        ? PlaylistSource
                       : !mp3Files_->selectedItems().isEmpty() ? Mp3Source
                                                               : NoSource;
}

void CPlaylistEditorDlg::OnPlaylistDoubleClick()
{
    if (playlist_->GetSelectedRow() < 0) {
        OnPlaylistClick();
        return;
    }
    selectionSource_ = PlaylistSource;
    PlaySelection();
}

void CPlaylistEditorDlg::OnPlaylistRightClick()
{
    if (playlist_->GetSelectedRow() < 0) {
        OnPlaylistClick();
        return;
    }
    selectionSource_ = PlaylistSource;
    // The entry's file shown in the browser: its folder, and the file selected there.
    const std::string path = WithoutInvalidMarker(SelectedEntryText());
    const std::string name = FileNameOf(path);
    NavigateTo(FolderOf(path));
    for (int i = 0; i < mp3Files_->count(); ++i) {
        if (StartsWithIgnoringCase(ItemBytes(mp3Files_->item(i)), name)) {
            const QSignalBlocker quiet(mp3Files_);
            mp3Files_->setCurrentRow(i);
            mp3Files_->scrollToItem(mp3Files_->item(i));
            break;
        }
    }
}

// ---- the playlist file and its loader ----

std::string CPlaylistEditorDlg::PlaylistPath() const
{
    return PlaylistFilePath(ctx_.settings.gameFolder, ctx_.settings.modFolder);
}

void CPlaylistEditorDlg::SavePlaylistFile()
{
    // While a load runs the file holds more than the list shows, or is about to be shown anew.
    const std::optional<std::vector<std::string>> toCome = loader_->LinesStillToCome();
    if (!toCome)
        return;
    std::vector<std::string> entries = playlist_->FileTexts();
    entries.insert(entries.end(), toCome->begin(), toCome->end());
    Saved(::SavePlaylistFile(PlaylistPath(), entries));
}

void CPlaylistEditorDlg::Saved(bool saved) const
{
    // Without its mod folder there is no game to save a playlist for: nothing to tell.
    const std::string path = PlaylistPath();
    ctx_.Saved(path, saved || !FolderExists(JoinPath(ctx_.settings.gameFolder, ctx_.settings.modFolder)));
}

CPlaylistLoader::Input CPlaylistEditorDlg::BeginLoad()
{
    playlist_->ClearSortIndicator();
    playlist_->DeleteAllItems();
    playlistGroup_->setTitle(DisplayText(PlaylistPath()));

    CPlaylistLoader::Input input;
    input.playlistPath = PlaylistPath();
    input.gameFolder = ctx_.settings.gameFolder;
    input.modFolder = ctx_.settings.modFolder;
    input.measure = !ctx_.settings.skipTrackInfo;
    input.accurate = ctx_.settings.detectVbr;
    return input;
}

// ---- the buttons ----

void CPlaylistEditorDlg::AddToPlaylist(const std::string& path)
{
    const StreamTexts texts = MeasureStream(*audio_, path, false);
    playlist_->AppendEntry(path, texts.length, texts.bitrate);
    Saved(AppendToPlaylistFile(PlaylistPath(), path));
}

void CPlaylistEditorDlg::AddSelected()
{
    const std::string path = SelectedMp3Path();
    if (!path.empty())
        AddToPlaylist(path);
}

void CPlaylistEditorDlg::AddAll()
{
    for (int i = 0; i < mp3Files_->count(); ++i)
        AddToPlaylist(JoinPath(currentFolder_, ItemBytes(mp3Files_->item(i))));
}

void CPlaylistEditorDlg::RemoveSelected()
{
    const int row = playlist_->GetSelectedRow();
    if (row < 0)
        return;
    RemoveLine(WithoutInvalidMarker(SelectedEntryText()));
    playlist_->DeleteItem(row);
}

void CPlaylistEditorDlg::RemoveLine(const std::string& path)
{
    // A line that is not in the file (a relative one) is no failed write.
    bool failed = false;
    if (RemovePlaylistLine(PlaylistPath(), path, &failed) || failed)
        Saved(!failed);
}

void CPlaylistEditorDlg::RemoveAllOfFolder()
{
    for (int row = 0; row < playlist_->GetItemCount();) {
        const std::string path = WithoutInvalidMarker(playlist_->GetItemTextStd(row, CPlayListCtrl::FileColumn));
        if (FolderOf(path) == currentFolder_) {
            RemoveLine(path);
            playlist_->DeleteItem(row);
        } else {
            ++row;
        }
    }
}

void CPlaylistEditorDlg::ClearPlaylist()
{
    // A load still running would bring the old entries back.
    loader_->Abandon();
    Saved(ClearPlaylistFile(PlaylistPath()));
    playlist_->DeleteAllItems();
}

void CPlaylistEditorDlg::SortByColumn(int column)
{
    playlist_->OnColumnClick(column);
    SavePlaylistFile();
}

void CPlaylistEditorDlg::ShufflePlaylist()
{
    playlist_->Shuffle([] { return ProgramRandom().Next(); });
    SavePlaylistFile();
}

void CPlaylistEditorDlg::MoveEntry(int insertAt, int from, int endsAt)
{
    const std::string file = playlist_->GetItemTextStd(from, CPlayListCtrl::FileColumn);
    const std::string length = playlist_->GetItemTextStd(from, CPlayListCtrl::LengthColumn);
    const std::string bitrate = playlist_->GetItemTextStd(from, CPlayListCtrl::BitrateColumn);
    playlist_->InsertEntry(insertAt, file, length, bitrate);
    playlist_->DeleteItem(insertAt <= from ? from + 1 : from);
    playlist_->SelectRow(endsAt);
    playlist_->EnsureVisible(endsAt);
    playlist_->setFocus();
    SavePlaylistFile();
}

void CPlaylistEditorDlg::MoveTop()
{
    const int m = playlist_->GetSelectedRow();
    if (m < 0)
        return;
    MoveEntry(0, m, 0);
}

void CPlaylistEditorDlg::MoveUp()
{
    const int m = playlist_->GetSelectedRow();
    if (m < 1)
        return;
    MoveEntry(m - 1, m, m - 1);
}

void CPlaylistEditorDlg::MoveDown()
{
    const int m = playlist_->GetSelectedRow();
    if (m < 0 || m == playlist_->GetItemCount() - 1)
        return;
    MoveEntry(m + 2, m, m + 1);
}

void CPlaylistEditorDlg::MoveBottom()
{
    const int m = playlist_->GetSelectedRow();
    if (m < 0)
        return;
    const int n = playlist_->GetItemCount();
    MoveEntry(n, m, n - 1);
}

std::string CPlaylistEditorDlg::ChosenFile() const
{
    switch (selectionSource_) {
    case Mp3Source:
        return SelectedMp3Path();
    case PlaylistSource:
        return SelectedEntryText();
    default:
        return std::string();
    }
}

void CPlaylistEditorDlg::ShowTagViewer()
{
    const std::string path = ChosenFile();
    if (path.empty() || HasInvalidMarker(path))
        return;
    viewers_->Open(path, *audio_, window());
}

// ---- the player ----

void CPlaylistEditorDlg::PlaySelection()
{
    // Nothing chosen, or a file that is missing: what plays goes on playing.
    const std::string path = ChosenFile();
    if (path.empty() || HasInvalidMarker(path))
        return;
    if (stream_)
        audio_->StreamClose(stream_);
    stream_ = audio_->StreamOpen(path, AudioLibrary::kModePlayback);
    audio_->StreamSetLoopCount(stream_, repeat_->isChecked() ? -1 : 0);
    audio_->StreamPlay(kPlayerChannel, stream_);
    pause_->setText("Pause");
}

void CPlaylistEditorDlg::TogglePause()
{
    if (!stream_)
        return;
    if (audio_->GetPaused(kPlayerChannel)) {
        audio_->SetPaused(kPlayerChannel, false);
        pause_->setText("Pause");
    } else {
        audio_->SetPaused(kPlayerChannel, true);
        pause_->setText("<->");
    }
}

void CPlaylistEditorDlg::StopPlayback()
{
    if (!stream_)
        return;
    pause_->setText("Pause");
    audio_->StreamClose(stream_);
    stream_ = nullptr;
}

void CPlaylistEditorDlg::ApplyRepeat()
{
    if (!stream_)
        return;
    audio_->StreamSetLoopCount(stream_, repeat_->isChecked() ? -1 : 0);
}

// ---- import and export ----

void CPlaylistEditorDlg::ImportPlaylistFrom(const std::string& chosenPath)
{
    bool failed = false;
    if (::ImportPlaylist(chosenPath, PlaylistPath(), &failed) || failed)
        Saved(!failed);
    ReloadPlaylistAfterChange();
}

void CPlaylistEditorDlg::ExportPlaylistTo(const std::string& chosenPath)
{
    std::vector<PlaylistExportRow> rows;
    for (int row = 0; row < playlist_->GetItemCount(); ++row)
        rows.push_back({playlist_->GetItemTextStd(row, CPlayListCtrl::FileColumn),
                        playlist_->GetItemTextStd(row, CPlayListCtrl::LengthColumn)});
    ctx_.Saved(chosenPath, ::ExportPlaylist(chosenPath, PlaylistPath(), rows));
}

void CPlaylistEditorDlg::ImportPlaylist()
{
    QFileDialog dialog(window(), "Load Playlist from ...");
    dialog.setObjectName("ImportPlaylist");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(kFileFilters);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ImportPlaylistFrom(QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString());
}

void CPlaylistEditorDlg::ExportPlaylist()
{
    QFileDialog dialog(window(), "Save Playlist as ...");
    dialog.setObjectName("ExportPlaylist");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(kFileFilters);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ExportPlaylistTo(QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString());
}
