#include "gameconfig/settings_binds.h"

#include "core/text_file.h"
#include "gamefiles/cvar_file.h"
#include "gamefiles/settings_loader.h"
#include "settings/app_settings.h"
#include "ui/control_id.h"
#include "ui/dialog_units.h"
#include "ui/display_text.h"
#include "ui/input_box.h"
#include "ui/sort_list_ctrl.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

const char* const kConfig = "config.cfg";
constexpr int kKeyDelayMs = 1;

// A binding of a bind line: the key and the command, their quotes gone.
struct Binding {
    std::string key;
    std::string command;
};

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    return text;
}

std::vector<Binding> BindingsOf(const std::vector<std::string>& lines)
{
    std::vector<Binding> binds;
    for (const std::string& line : lines)
        if (line.rfind("bind ", 0) == 0)
            binds.push_back({WithoutQuotes(GetWord(line, 2)), WithoutQuotes(GetWord(line, 3))});
    return binds;
}

// The start of a binding's line in config.cfg: bind "key".
std::string BindKey(const std::string& key)
{
    return "bind \"" + key + "\"";
}

} // namespace

CSettingsBinds::CSettingsBinds(const PageContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx)
{
    setObjectName("CSettingsBinds");
    CreateWidgets();
    ConnectWidgets();
    AddLoaderStep();
}

void CSettingsBinds::CreateWidgets()
{
    resize(DluX(280), DluY(180));
    list_ = SetControlId(new CSortListCtrl(this), 1145);
    list_->setGeometry(DluRect(6, 4, 190, 168));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionsMovable(true);
    list_->InsertColumn(0, "Key", 89);
    list_->InsertColumn(1, "Value", 180);

    key_ = SetControlId(new QLabel(this), 1141);
    key_->setAlignment(Qt::AlignCenter);
    key_->setFrameShape(QFrame::StyledPanel);
    key_->setGeometry(DluRect(202, 4, 72, 12));
    command_ = SetControlId(new QLineEdit(this), 1140);
    command_->setGeometry(DluRect(202, 20, 72, 12));
    MakeButton(this, 1142, "Add")->setGeometry(DluRect(202, 38, 34, 14));
    MakeButton(this, 1143, "Del")->setGeometry(DluRect(240, 38, 34, 14));
    MakeButton(this, 1100, "Refresh")->setGeometry(DluRect(202, 158, 72, 14));

    keyTimer_.setObjectName("timer1");
    keyTimer_.setSingleShot(true);
}

void CSettingsBinds::ConnectWidgets()
{
    connect(FindControl<QPushButton>(this, 1100), &QPushButton::clicked, this, &CSettingsBinds::LoadBinds);
    connect(FindControl<QPushButton>(this, 1142), &QPushButton::clicked, this, &CSettingsBinds::AddBind);
    connect(FindControl<QPushButton>(this, 1143), &QPushButton::clicked, this, &CSettingsBinds::DeleteBind);
    connect(list_, &QAbstractItemView::clicked, this, &CSettingsBinds::ShowSelectedBind);
    connect(command_, &QLineEdit::textChanged, this, &CSettingsBinds::UpdateSelectedBind);
    connect(&keyTimer_, &QTimer::timeout, this, &CSettingsBinds::ShowSelectedBind);
    list_->installEventFilter(this);
}

void CSettingsBinds::AddLoaderStep()
{
    ctx_.loader.AddStep(CSettingsLoader::Binds, this, [this](LoaderInput& in) -> LoaderApply {
        std::vector<std::string> lines;
        ReadTextLines(in.files.Path(kConfig), lines);
        return [this, lines = std::move(lines)] { ShowBinds(lines); };
    });
}

bool CSettingsBinds::eventFilter(QObject* watched, QEvent* event)
{
    // Started before the list sees the key: the binding shown is the one the key moved to.
    if (watched == list_ && event->type() == QEvent::KeyPress)
        keyTimer_.start(kKeyDelayMs);
    return QWidget::eventFilter(watched, event);
}

void CSettingsBinds::LoadBinds()
{
    std::vector<std::string> lines;
    ReadTextLines(CvarFiles::ForSettings(ctx_.settings).Path(kConfig), lines);
    ShowBinds(lines);
}

void CSettingsBinds::ShowBinds(const std::vector<std::string>& lines)
{
    const QSignalBlocker quiet(list_);
    list_->DeleteAllItems();
    for (const Binding& b : BindingsOf(lines)) {
        const int row = list_->InsertItem(list_->GetItemCount(), b.key);
        list_->SetItemText(row, 1, b.command);
    }
}

void CSettingsBinds::ShowSelectedBind()
{
    const int row = list_->GetSelectedRow();
    key_->setText(row < 0 ? QString() : list_->GetItemText(row, 0));
    // Setting the command writes the binding back, as a change of the field does.
    command_->setText(row < 0 ? QString() : list_->GetItemText(row, 1));
}

void CSettingsBinds::UpdateSelectedBind()
{
    if (key_->text().isEmpty())
        return;
    const std::string command = command_->text().toStdString();
    CvarFiles::ForSettings(ctx_.settings).WriteCvar(kConfig, BindKey(key_->text().toStdString()), command, false);
    const int row = list_->GetSelectedRow();
    if (row >= 0)
        list_->SetItemText(row, 1, command);
}

void CSettingsBinds::AddBind()
{
    CInputBox keyBox(window());
    if (keyBox.DoModal("Bind Editor", "Please type the Key yo be bound", QString()) != CInputBox::IDOK)
        return;
    const QString key = keyBox.text;
    CInputBox commandBox(window());
    if (commandBox.DoModal("Bind Editor", "Type the command to assign to " + key, QString()) != CInputBox::IDOK)
        return;
    const int row = list_->InsertItem(list_->GetItemCount(), key.toStdString());
    list_->SetItemText(row, 1, commandBox.text.toStdString());
    list_->SelectRow(row);
    list_->EnsureVisible(row);
    CvarFiles::ForSettings(ctx_.settings).WriteCvar(kConfig, BindKey(key.toStdString()), commandBox.text.toStdString(), false);
}

void CSettingsBinds::DeleteBind()
{
    const int row = list_->GetSelectedRow();
    if (row < 0)
        return;
    CvarFiles::ForSettings(ctx_.settings).RemoveLines(kConfig, BindKey(list_->GetItemTextStd(row, 0)));
    {
        const QSignalBlocker quiet(list_);
        list_->DeleteItem(row);
    }
    key_->clear();
    // No binding shown: emptying the field writes nothing.
    command_->clear();
}
