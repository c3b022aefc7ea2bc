// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/bot_help_dlgs.h"

#include "ui/control_id.h"
#include "ui/dialog_units.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <cmath>

// The plug-in's own words, spelling included: players compare them with its readme.
const char* const CBotChatDlg::kText = "bot_chat_percent <value> - sets the percent of time bot will use the\r\n"
                                       "\t\"say\" command to send a bot_chat (checked every 30 seconds)\r\n"
                                       "\tAllowed values are 0 - 100.  The default value is 10.\r\n"
                                       "\r\n"
                                       "bot_taunt_percent <value> - sets the percent of time bot will use the\r\n"
                                       "\t\"say\" command to send a bot_taunt message after killing another\r\n"
                                       "\tplayer.  Allowed values are 0 - 100.  The default value is 20.\r\n"
                                       "\r\n"
                                       "bot_whine_percent <value> - sets the percent of time bot will use the\r\n"
                                       "\t\"say\" command to send a bot_whine message after being killed.\r\n"
                                       "\tAllowed values are 0 - 100.  The default value is 10.\r\n"
                                       "\r\n"
                                       "bot_chat_tag_percent <value> - sets the percent of time bots will remove\r\n"
                                       "\tclan tags from player names.  The default value is 80.\r\n"
                                       "\r\n"
                                       "bot_chat_drop_percent <value> - sets the percent of time bots will drop\r\n"
                                       "\tcharacters from chat messages.  The default value is 10.\r\n"
                                       "\r\n"
                                       "bot_chat_swap_percent <value> - sets the percent of time bots will swap\r\n"
                                       "\tcharacters in chat messages.  The default value is 10.\r\n"
                                       "\r\n"
                                       "bot_chat_lower_percent <value> - sets the percent of time bots will\r\n"
                                       "\tconvert chat messages to all lowercase.  The default is 50.";

const char* const CBotClassDlg::kText =
    "addbot - will add a bot using a random class, random team(if neccesary)\r\n"
    "\trandom name and the default bot skill level\r\n"
    "addbot <team> - will add a bot using the specified team\r\n"
    "\trandom class and default skill level.\r\n"
    "addbot <team> <class> - will add a bot using the specified team and player\r\n"
    "\tclass and random name and the default bot skill level.\r\n"
    "addbot <team> <class> <name> - will add a bot using the specified team, class\r\n"
    "\tand and name, it will use the default bot skill level.\r\n"
    "addbot <team> <class> <name><skill> - will add a bot using the specified team\r\n"
    "\tclass, and and name.\r\n"
    "\r\n"
    "<team>\t1 or 2, 1 is good, 2 is evil. if you are playing free fight, use 1.\r\n"
    "<class>\tthe class ranges from 1-9 where: 1 is Orlen, 2 is Vessa, 3 is Tarrick, 4 is Imbrel,\r\n"
    "\t5 is Kesmo, 6 is Pavline, 7 is Dorrun, 8 is Sulwen, 9 is Ytrem, other is a random class\r\n"
    "<skill>\tskill ranges from 1-5 where 1 is best and 5 is worst.\r\n"
    "\r\n"
    "addsbot* <type> <class>\tthis basically the same as addbot, but adds a super bot.\r\n"
    "<type>\ttype ranges from 1 to 3, 1 is super bot, 2 is mega bot, 3 is ultimate bot\r\n"
    "\r\n"
    "NOTE: Superbots only work in team and capture the starstone mode\r\n"
    "As soon as a super bot is created mp_plcatchup is set to 0\r\n"
    "Superbots automatically join Evil, all non super bots and players auto join team Good\r\n";

const char* const CBotMiscDlg::kText =
    "botskill <skill> - change the default botskill level (1 to 5).\r\n"
    "\tskill level 1 is the best, skill level 5 is the worst. (default 2)\r\n"
    "\r\n"
    "botdontshoot <value> - change the botdontshoot setting, 1=on, 0=off.\r\n"
    "\r\n"
    "observer <value> - should bots ignore you - 1 is true 0 is false (default off)\r\n"
    "\r\n"
    "follow_mode <value> - turns follow mode on or off - 1 is on 0 is off (default is on)\r\n"
    "\r\n"
    "bot_melee_percent <value> - sets the percent that a bot wanna melee\r\n"
    "\t-1 is random default is 80\r\n"
    "\r\n"
    "bot_teleport_percent <value> - sets the percent that the bot teleport instead of block\r\n"
    "\t-1 is random  default is 30\r\n"
    "\r\n"
    "botdocombos <value> - sets if bots do combos or not, - 1 is on 0 is off (default is on)\r\n"
    "\r\n"
    "botsuseddisc <value> - sets if bots use discs or not, - 1 is on 0 is off (default is on)\r\n"
    "\r\n"
    "autopilot <value> - switch autopilot on or off, when switched on\r\n"
    "\tthe computer will take over and fly around a bit\r\n"
    "\tit also engages in melee and fires off kiblasts.\r\n"
    "\tIt is still and will remain experimental. 1 is on, 0 is off. (default is obviously off)";

namespace {

// Smallest size the help is shrunk to; below it lines are cut at the field's edge instead.
constexpr qreal kMinPointSize = 6.0;

// The help's lines were written for the narrow dialog font of the game's era; with a wider font
// the field (which neither wraps nor scrolls) would cut them off, so the font is made small
// enough for the longest line, tabs included, and for all the lines to fit.
void FitFont(QPlainTextEdit* field, const char* text)
{
    QFont font = field->font();
    if (font.pointSizeF() <= 0)
        return;
    const QStringList lines = QString::fromLatin1(text).split("\r\n");
    const qreal tab = field->tabStopDistance();
    const qreal inset = 2 * (field->frameWidth() + field->document()->documentMargin()) + 2;
    const qreal width = field->width() - inset;
    const qreal height = field->height() - inset;
    for (qreal size = font.pointSizeF(); size >= kMinPointSize; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetricsF metrics(font);
        qreal widest = 0;
        for (const QString& line : lines) {
            qreal x = 0;
            const QStringList parts = line.split('\t');
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0)
                    x = (std::floor(x / tab) + 1) * tab;
                x += metrics.horizontalAdvance(parts[i]);
            }
            widest = std::max(widest, x);
        }
        if (widest <= width && lines.size() * metrics.lineSpacing() <= height)
            break;
    }
    field->setFont(font);
}

} // namespace

CBotHelpDlg::CBotHelpDlg(const char* className, const QString& title, int textId, const char* text, int widthDlu,
                         int heightDlu, QWidget* parent)
    : QDialog(parent), text_(text), textId_(textId), widthDlu_(widthDlu), heightDlu_(heightDlu)
{
    setObjectName(className);
    setWindowTitle(title);
    CreateWidgets();
    ConnectWidgets();
    LoadControls();
}

void CBotHelpDlg::CreateWidgets()
{
    // A small tool window that stays over the program while the user edits the page under it.
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(DluX(widthDlu_), DluY(heightDlu_));

    constexpr int kMargin = 7;
    constexpr int kButtonW = 50;
    constexpr int kButtonH = 14;
    field_ = SetControlId(new QPlainTextEdit(this), textId_);
    field_->setGeometry(DluRect(kMargin, kMargin, widthDlu_ - 2 * kMargin, heightDlu_ - 3 * kMargin - kButtonH));
    field_->setLineWrapMode(QPlainTextEdit::NoWrap);
    field_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    field_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The help is to be read, not edited: typing into it would only be lost at the next opening.
    field_->setReadOnly(true);
    // Tab stops every 32 dialog units, as in any edit field of the program's dialogs.
    field_->setTabStopDistance(DluX(32));
    FitFont(field_, text_);

    ok_ = MakeButton(this, IdOk, "OK");
    ok_->setDefault(true);
    ok_->setGeometry(DluRect((widthDlu_ - kButtonW) / 2, heightDlu_ - kMargin - kButtonH, kButtonW, kButtonH));
}

void CBotHelpDlg::ConnectWidgets()
{
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void CBotHelpDlg::LoadControls()
{
    field_->setPlainText(QString::fromLatin1(text_));
}

void CBotHelpDlg::Open()
{
    LoadControls();
    show();
    raise();
}

void CBotHelpDlg::done(int result)
{
    QDialog::done(result);
    Q_EMIT closedByUser();
}

CBotClassDlg::CBotClassDlg(QWidget* parent)
    : CBotHelpDlg("CBotClassDlg", "Bot Help : Teamclass", IdClassText, kText, 313, 222, parent)
{
}

CBotMiscDlg::CBotMiscDlg(QWidget* parent)
    : CBotHelpDlg("CBotMiscDlg", "Bot Help : Misc", IdMiscText, kText, 304, 227, parent)
{
}

CBotChatDlg::CBotChatDlg(QWidget* parent)
    : CBotHelpDlg("CBotChatDlg", "Bot Help : Chat", IdChatText, kText, 295, 231, parent)
{
}
