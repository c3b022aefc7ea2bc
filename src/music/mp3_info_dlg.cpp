// SPDX-License-Identifier: GPL-3.0-or-later
#include "music/mp3_info_dlg.h"

#include "core/thread_handoff.h"
#include "music/audio/mp3_measure.h"
#include "music/audio/mp3_tags.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <algorithm>

namespace {

struct FieldPlace {
    int id;
    const char* label;
    int x;
    int y;
    int editWidth;
};

// Dialog units of the 200 x 150 window: the tags above, the stream's facts below.
constexpr FieldPlace kFields[] = {
    {CMP3InfoDlg::IdAlbum, "Album", 7, 7, 146},        {CMP3InfoDlg::IdTitle, "Title", 7, 22, 146},
    {CMP3InfoDlg::IdArtist, "Artist", 7, 37, 146},     {CMP3InfoDlg::IdComment, "Comment", 7, 52, 146},
    {CMP3InfoDlg::IdGenre, "Genre", 7, 67, 146},       {CMP3InfoDlg::IdYear, "Year", 7, 82, 44},
    {CMP3InfoDlg::IdTrack, "Track", 102, 82, 51},      {CMP3InfoDlg::IdLength, "Length", 7, 103, 44},
    {CMP3InfoDlg::IdBitrate, "Bitrate", 102, 103, 51}, {CMP3InfoDlg::IdVbr, "Vbr", 7, 118, 44},
    {CMP3InfoDlg::IdVersion, "Version", 102, 118, 51},
};
constexpr int kLabelWidth = 38;

} // namespace

struct CMP3InfoDlg::Facts {
    Mp3Tags tags;
    StreamTexts accurate;
    std::string vbr;
};

CMP3InfoDlg::CMP3InfoDlg(const std::string& path, AudioLibrary& audio, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      path_(path)
{
    setObjectName("CMP3InfoDlg");
    setWindowTitle("Mp3 Info");
    setModal(false);
    CreateWidgets();
    // What the thread found comes back queued to the window: gone by then, it gets nothing.
    reader_ = QThread::create([this, path = path_, &audio] {
        const HandOffAtExit handOff(this);
        Facts facts = Read(path, audio);
        QMetaObject::invokeMethod(this, QueuedHandOff([this, facts = std::move(facts)] { Fill(facts); }),
                                  Qt::QueuedConnection);
    });
    reader_->setObjectName("CMp3InfoReader");
    reader_->start(QThread::LowPriority);
    // However it closes (Close, Escape, the close box), the window goes.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

CMP3InfoDlg::~CMP3InfoDlg()
{
    // One file's reading: it ends on its own, and the audio library must not close under it.
    reader_->wait();
    MarkHandOffReceived(this);
    delete reader_;
}

void CMP3InfoDlg::CreateWidgets()
{
    setFixedSize(DluX(200), DluY(157));
    for (const FieldPlace& f : kFields) {
        auto* label = new QLabel(f.label, this);
        label->setGeometry(DluRect(f.x, f.y + 2, kLabelWidth, 9));
        auto* edit = SetControlId(new QLineEdit(this), f.id);
        edit->setReadOnly(true);
        edit->setGeometry(DluRect(f.x + kLabelWidth, f.y, f.editWidth, 12));
    }
    QPushButton* close = MakeButton(this, IdClose, "Close");
    close->setGeometry(DluRect(143, 137, 50, 14));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QLineEdit* CMP3InfoDlg::field(int id) const
{
    return FindControl<QLineEdit>(this, id);
}

CMP3InfoDlg::Facts CMP3InfoDlg::Read(const std::string& path, AudioLibrary& audio)
{
    Facts facts;
    facts.tags = ReadMp3Tags(path);
    facts.accurate = MeasureStream(audio, path, true);
    facts.vbr = DetectVariableBitrate(audio, path, facts.accurate);
    return facts;
}

void CMP3InfoDlg::Fill(const Facts& facts)
{
    const Mp3Tags& tags = facts.tags;
    const std::pair<int, const std::string*> texts[] = {
        {IdAlbum, &tags.album},     {IdTitle, &tags.title}, {IdArtist, &tags.artist}, {IdYear, &tags.year},
        {IdComment, &tags.comment}, {IdGenre, &tags.genre}, {IdTrack, &tags.track}};
    for (const auto& [id, text] : texts)
        field(id)->setText(DisplayText(*text));

    field(IdLength)->setText(QString::fromStdString(facts.accurate.length));
    field(IdBitrate)->setText(QString::fromStdString(facts.accurate.bitrate));
    field(IdVbr)->setText(QString::fromStdString(facts.vbr));
    // No MPEG header found at all: not MPEG, as far as anyone can tell.
    field(IdVersion)->setText(QString::fromStdString(MpegVersionText(tags.hasMpegHeader ? tags.mpegVersion : -1)));
    filled_ = true;
}

CMp3InfoViewers::CMp3InfoViewers(QObject* parent) : QObject(parent) {}

CMp3InfoViewers::~CMp3InfoViewers()
{
    CloseAll();
}

CMP3InfoDlg* CMp3InfoViewers::Open(const std::string& path, AudioLibrary& audio, QWidget* owner)
{
    auto* viewer = new CMP3InfoDlg(path, audio, owner);
    viewers_.emplace_back(viewer);
    // Closed, it leaves the list at once (the window itself goes a moment later).
    auto forget = [this](QObject* gone) {
        std::erase_if(viewers_, [gone](const QPointer<CMP3InfoDlg>& v) { return v.isNull() || v.data() == gone; });
    };
    connect(viewer, &QDialog::finished, this, [forget, viewer] { forget(viewer); });
    connect(viewer, &QObject::destroyed, this, forget);
    viewer->show();
    return viewer;
}

int CMp3InfoViewers::count() const
{
    return static_cast<int>(
        std::count_if(viewers_.begin(), viewers_.end(), [](const QPointer<CMP3InfoDlg>& v) { return !v.isNull(); }));
}

std::vector<CMP3InfoDlg*> CMp3InfoViewers::viewers() const
{
    std::vector<CMP3InfoDlg*> out;
    for (const QPointer<CMP3InfoDlg>& v : viewers_)
        if (v)
            out.push_back(v.data());
    return out;
}

void CMp3InfoViewers::CloseAll()
{
    std::vector<QPointer<CMP3InfoDlg>> open;
    open.swap(viewers_);
    for (const QPointer<CMP3InfoDlg>& v : open)
        delete v.data();
}
