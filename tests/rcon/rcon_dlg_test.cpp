// SPDX-License-Identifier: GPL-3.0-or-later
#include "rcon/custom_edit.h"
#include "rcon/rcon_consoles.h"
#include "rcon/rcon_dlg.h"
#include "rcon/rcon_input.h"
#include "rcon/rcon_peer.h"
#include "rcon/rcon_socket.h"
#include "sim_farm.h"
#include "test_support/widgets.h"
#include "test_support/work_dir.h"
#include "ui/dialog_units.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

CCustomEdit* Pane(const CRconDlg& console)
{
    return FindById<CCustomEdit>(&console, CRconDlg::IdOutput);
}
QLineEdit* Input(const CRconDlg& console)
{
    return FindById<QLineEdit>(&console, CRconDlg::IdInput);
}

// The lines the pane shows (UTF-8), without the empty one after the last line break.
Lines Shown(const CRconDlg& console)
{
    QStringList lines = Pane(console)->toPlainText().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    Lines out;
    for (const QString& line : lines)
        out.push_back(line.toStdString());
    return out;
}

bool WaitForLines(const CRconDlg& console, size_t count)
{
    return QTest::qWaitFor([&] { return Shown(console).size() >= count; }, kRconWaitMs);
}

// Types text into the input line and presses Enter there, as the operator does.
void Type(CRconDlg& console, const QString& text)
{
    Input(console)->setFocus();
    QTest::keyClicks(Input(console), text);
    QTest::keyClick(Input(console), Qt::Key_Return);
}

// Answers the next password dialog: types password, then Connect (or Escape).
void AnswerPassword(QObject& scope, const QString& password, bool connect)
{
    WhenModalShows(scope, "CRconInput", [=](QWidget& box) {
        QTest::keyClicks(FindById<QLineEdit>(&box, CRconInput::IdPassword), password);
        if (connect)
            QTest::mouseClick(FindById<QPushButton>(&box, CRconInput::IdConnect), Qt::LeftButton);
        else
            QTest::keyClick(&box, Qt::Key_Escape);
    });
}

// The middle of the character at pos, in the pane's viewport.
QPoint PointAt(CCustomEdit* pane, int pos)
{
    QTextCursor c(pane->document());
    c.setPosition(pos);
    const QRect r = pane->cursorRect(c);
    return QPoint(r.x() + 2, r.center().y());
}

} // namespace

// ---- One console against a peer of the test's own ----

class RconConsole : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.show();
        console = new CRconDlg(peer.Address(), "pa ss\\", &owner);
        console->show();
        ASSERT_TRUE(console->Connect());
        ASSERT_EQ(peer.Next(), RconBytes(BuildRconChallengeRequest()));
    }
    void TearDown() override { delete console.data(); }

    void Accept(const std::string& challenge = "3000000000")
    {
        peer.Send(RconChallengeReply(challenge));
        ASSERT_TRUE(QTest::qWaitFor([&] { return console->connected(); }, kRconWaitMs));
    }

    RconPeer peer;
    QWidget owner;
    QPointer<CRconDlg> console;
};

TEST_F(RconConsole, WindowAndPane)
{
    EXPECT_EQ(console->objectName(), "CRconDlg");
    EXPECT_EQ(console->windowTitle(), QString::fromStdString("RCON Control: " + peer.Address()));
    EXPECT_EQ(console->parentWidget(), &owner);
    EXPECT_FALSE(console->isModal());
    EXPECT_TRUE(console->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(console->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(console->size(), QSize(DluX(376), DluY(233)));
    EXPECT_EQ(console->minimumSize(), console->maximumSize());

    CCustomEdit* pane = FindById<CCustomEdit>(console, CRconDlg::IdOutput);
    auto* input = FindById<QLineEdit>(console, CRconDlg::IdInput);
    ASSERT_TRUE(pane && input);
    EXPECT_EQ(pane->geometry(), DluRect(0, 0, 376, 221));
    EXPECT_EQ(input->geometry(), DluRect(0, 221, 376, 12));
    EXPECT_EQ(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(pane->isReadOnly());
    EXPECT_TRUE(QFontInfo(pane->font()).fixedPitch());
    EXPECT_EQ(pane->font().pixelSize(), 13);
    EXPECT_EQ(input->font(), console->font());
    EXPECT_EQ(input->echoMode(), QLineEdit::Normal);

    // The arrow over the pane, also after the mouse has moved over the text.
    pane->AppendLine("text under the mouse");
    QTest::mouseMove(pane->viewport(), PointAt(pane, 3));
    EXPECT_EQ(pane->viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(RconConsole, NoControlHasTheKeyboardWhenItOpens)
{
    console->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(console));
    EXPECT_NE(QApplication::focusWidget(), Pane(*console));
    EXPECT_NE(QApplication::focusWidget(), Input(*console));
}

TEST_F(RconConsole, ChallengeThenCommandDatagramByteForByte)
{
    Accept();
    EXPECT_EQ(Shown(*console), Lines{"\\\\ Challenge Accepted //"});
    EXPECT_EQ(console->challenge(), 3000000000u);

    Type(*console, "say \"hi\" all");
    // The password goes inside the quotes as typed; nothing is escaped.
    EXPECT_EQ(peer.Next(), RconBytes(std::string("\xFF\xFF\xFF\xFFrcon 3000000000 \"pa ss\\\" say \"hi\" all") +
                                     std::string(1, '\0')));
    EXPECT_EQ(Input(*console)->text(), "");
    EXPECT_EQ(Shown(*console), (Lines{"\\\\ Challenge Accepted //", "-> say \"hi\" all"}));
}

TEST_F(RconConsole, OutputShowsAsTheServerMeantIt)
{
    Accept("9");
    QSignalSpy appends(console->socket(), &CRconSocket::outputLines);

    peer.Send(RconOutputReply("ok\n"));
    ASSERT_TRUE(WaitForLines(*console, 2));
    peer.Send(RconOutputReply("\n"));
    ASSERT_TRUE(WaitForLines(*console, 3));
    peer.Send(RconOutputReply("a\nb\n"));
    ASSERT_TRUE(WaitForLines(*console, 5));
    EXPECT_EQ(appends.count(), 3); // the two lines came as one append
    // Output cut into datagrams mid-line, as long output is: nothing is lost at the cuts.
    peer.Send(RconOutputReply("first part\nsecond"));
    peer.Send("\xFF\xFF\xFF\xFF"); // too short to be output
    peer.Send(RconOutputReply(" part\n"));
    ASSERT_TRUE(WaitForLines(*console, 8));
    EXPECT_EQ(Shown(*console),
              (Lines{"\\\\ Challenge Accepted //", "ok", "-Empty-", "a", "b", "first part", "second", " part"}));

    peer.Send(RconOutputReply("Fran\xE7ois joined\n"));
    ASSERT_TRUE(WaitForLines(*console, 9));
    EXPECT_EQ(Shown(*console).back(), "Fran\xC3\xA7ois joined"); // shown as Latin-1

    // A UTF-8 character cut between two datagrams comes whole with the second.
    peer.Send(RconOutputReply("caf\xC3"));
    peer.Send(RconOutputReply("\xA9 au lait\n"));
    ASSERT_TRUE(WaitForLines(*console, 11));
    EXPECT_EQ(Shown(*console).back(), "\xC3\xA9 au lait");
}

TEST_F(RconConsole, EnterBeforeTheChallengeIsRefusedAndKeepsTheCommand)
{
    Type(*console, "status");
    EXPECT_EQ(Shown(*console), Lines{"<< Can't send: Not connected >>"});
    EXPECT_EQ(Input(*console)->text(), "status");

    // An empty line or the keyboard elsewhere: Enter does nothing at all.
    Accept();
    Input(*console)->clear();
    Type(*console, "");
    console->setFocus();
    Input(*console)->setText("users");
    QTest::keyClick(console, Qt::Key_Return);
    EXPECT_TRUE(console->isVisible());
    EXPECT_EQ(Input(*console)->text(), "users");

    // Nothing went out for any of that: the next datagram is the command sent now.
    Input(*console)->setFocus();
    QTest::keyClick(Input(*console), Qt::Key_Return);
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(3000000000u, "pa ss\\", "users")));
    EXPECT_EQ(Shown(*console), (Lines{"<< Can't send: Not connected >>", "\\\\ Challenge Accepted //", "-> users"}));
}

TEST_F(RconConsole, EnterInThePaneDoesNothingButItsReleaseGoesToTheInputLine)
{
    Accept();
    Input(*console)->setText("status");
    CCustomEdit* pane = Pane(*console);
    const QString before = pane->toPlainText();
    pane->setFocus();
    QTest::keyPress(pane, Qt::Key_Return);
    EXPECT_EQ(pane->toPlainText(), before);
    EXPECT_EQ(Input(*console)->text(), "status");
    EXPECT_EQ(console->focusWidget(), pane);
    QTest::keyRelease(pane, Qt::Key_Return);
    EXPECT_EQ(console->focusWidget(), Input(*console));

    // The Enter that counts: the command goes once, echoed once.
    QTest::keyClick(Input(*console), Qt::Key_Return);
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(3000000000u, "pa ss\\", "status")));
    EXPECT_EQ(Shown(*console), (Lines{"\\\\ Challenge Accepted //", "-> status"}));
}

TEST_F(RconConsole, MouseSelectionIsCopiedAndEveryClickReturnsToTheInputLine)
{
    CCustomEdit* pane = Pane(*console);
    pane->AppendLine("alpha beta");
    pane->AppendLine("gamma");
    const int end = pane->document()->characterCount() - 1;
    QApplication::clipboard()->setText("before");

    // A drag over "alpha": copied when the button comes up.
    QTest::mousePress(pane->viewport(), Qt::LeftButton, {}, PointAt(pane, 0));
    QTest::mouseMove(pane->viewport(), PointAt(pane, 5));
    QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, PointAt(pane, 5));
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha");
    EXPECT_FALSE(pane->textCursor().hasSelection());
    EXPECT_EQ(pane->textCursor().position(), end);
    EXPECT_EQ(console->focusWidget(), Input(*console));

    // A plain click copies nothing, and still ends at the end with the input line.
    QApplication::clipboard()->setText("before");
    console->setFocus();
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, PointAt(pane, 13));
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    EXPECT_EQ(pane->textCursor().position(), end);
    EXPECT_EQ(console->focusWidget(), Input(*console));

    // The next line goes after the others, not where the click was.
    pane->AppendLine("delta");
    EXPECT_EQ(pane->toPlainText(), "alpha beta\ngamma\ndelta\n");
}

TEST_F(RconConsole, TheNewestLineStaysInView)
{
    CCustomEdit* pane = Pane(*console);
    for (int i = 0; i < 200; ++i)
        pane->AppendLine(QString("line %1").arg(i));
    QApplication::processEvents();
    const QTextBlock last = pane->document()->findBlockByNumber(199);
    ASSERT_EQ(last.text(), "line 199");
    const QRect where = pane->cursorRect(QTextCursor(last));
    EXPECT_TRUE(pane->viewport()->rect().contains(where)) << where.y() << " of " << pane->viewport()->height();
    EXPECT_GT(pane->verticalScrollBar()->value(), 0);
}

// New output goes at the end whatever the operator did in the pane.
TEST_F(RconConsole, OutputGoesAfterTheLastLineAndTheOperatorKeepsTheirPlace)
{
    CCustomEdit* pane = Pane(*console);
    QScrollBar* bar = pane->verticalScrollBar();
    using Keys = std::vector<std::pair<int, Qt::KeyboardModifiers>>; // key -1: the bar moved up
    const struct {
        Keys keys;
        bool caretFollows; // to the new end
        bool viewFollows;  // down to the new lines
    } cases[] = {
        {{}, true, true},
        {{{Qt::Key_Up, Qt::ShiftModifier}, {Qt::Key_Up, Qt::ShiftModifier}}, false, true}, // two lines marked
        {{{Qt::Key_Home, Qt::ControlModifier}}, false, false},
        {{{Qt::Key_Home, Qt::ControlModifier}, {Qt::Key_Down, {}}, {Qt::Key_Right, Qt::ShiftModifier}}, false, false},
        {{{-1, {}}}, true, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        pane->clear();
        for (int n = 0; n < 100; ++n)
            pane->AppendLine(QString("line %1").arg(n));
        for (const auto& [key, modifiers] : cases[i].keys)
            key < 0 ? bar->setValue(20) : QTest::keyClick(pane, Qt::Key(key), modifiers);
        const std::array<int, 3> before{pane->textCursor().anchor(), pane->textCursor().position(), bar->value()};
        pane->AppendLine("reply 1\r\nreply 2");

        EXPECT_TRUE(pane->toPlainText().endsWith("line 99\nreply 1\nreply 2\n")) << i;
        const int end = pane->document()->characterCount() - 1;
        const std::array<int, 3> now{pane->textCursor().anchor(), pane->textCursor().position(), bar->value()};
        EXPECT_EQ(now,
                  (std::array<int, 3>{cases[i].caretFollows ? end : before[0], cases[i].caretFollows ? end : before[1],
                                      cases[i].viewFollows ? bar->maximum() : before[2]}))
            << i;
    }
}

TEST_F(RconConsole, ThePaneKeepsTheNewestLinesOnly)
{
    CCustomEdit* pane = Pane(*console);
    for (int i = 0; i < CCustomEdit::kMaxLines + 250; ++i) {
        pane->AppendLine(QString("line %1").arg(i));
        if (i == 2000)
            pane->verticalScrollBar()->setValue(1000); // reading line 1000 while the rest pours in
    }
    const Lines shown = Shown(*console);
    EXPECT_EQ(shown.size(), static_cast<size_t>(CCustomEdit::kMaxLines));
    EXPECT_EQ(shown.front(), "line 250");
    EXPECT_EQ(shown.back(), "line " + std::to_string(CCustomEdit::kMaxLines + 249));
    EXPECT_EQ(pane->document()->availableUndoSteps(), 0);
    EXPECT_EQ(pane->cursorForPosition(QPoint(0, 0)).block().text(), "line 1000"); // in view until dropped itself
}

// ---- The password dialog ----

TEST(RconInputDialog, ConnectOnlyWithAPassword)
{
    QWidget owner;
    owner.show();
    CRconInput input(&owner);
    EXPECT_EQ(input.objectName(), "CRconInput");
    EXPECT_EQ(input.windowTitle(), "RCON Control");
    EXPECT_TRUE(input.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(input.size(), QSize(DluX(231), DluY(27)));

    bool disabledAtFirst = false, enabledByOneCharacter = false, disabledWhenEmptied = false;
    bool enterIgnoredWhenEmpty = false, refusedAndOpen = false;
    QString refusal;
    WhenModalShows(owner, "CRconInput", [&](QWidget& box) {
        auto* edit = FindById<QLineEdit>(&box, CRconInput::IdPassword);
        auto* connect = FindById<QPushButton>(&box, CRconInput::IdConnect);
        disabledAtFirst = !connect->isEnabled() && connect->text() == "Connect" && connect->isDefault();
        QTest::keyClick(edit, Qt::Key_S);
        enabledByOneCharacter = connect->isEnabled();
        QTest::keyClick(edit, Qt::Key_Backspace);
        disabledWhenEmptied = !connect->isEnabled();
        QTest::keyClick(edit, Qt::Key_Return);
        enterIgnoredWhenEmpty = box.isVisible();
        // A password with a double quote cannot go inside the quotes: refused with a message.
        QTest::keyClicks(edit, "my \"pass\"");
        EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
        WhenModalShows(owner, CRconInput::kRefusedName, [&](QWidget& message) {
            refusal = static_cast<QMessageBox&>(message).text();
            static_cast<QMessageBox&>(message).accept();
        });
        QTest::keyClick(edit, Qt::Key_Return);
        refusedAndOpen = box.isVisible();
        edit->setText("my pass\\");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_TRUE(input.DoModal());
    EXPECT_TRUE(disabledAtFirst);
    EXPECT_TRUE(enabledByOneCharacter);
    EXPECT_TRUE(disabledWhenEmptied);
    EXPECT_TRUE(enterIgnoredWhenEmpty);
    EXPECT_TRUE(refusedAndOpen);
    EXPECT_TRUE(refusal.contains("double quote")) << refusal.toStdString();
    EXPECT_EQ(input.password, "my pass\\");
}

// ---- The open consoles ----

class RconConsoles : public ::testing::Test {
protected:
    RconConsoles() { owner.show(); }

    CRconDlg* Open(const std::string& address, const QString& password)
    {
        AnswerPassword(owner, password, true);
        return consoles.Open(address, &owner);
    }

    QWidget owner;
    CRconConsoles consoles;
};

TEST_F(RconConsoles, CancelOpensNothing)
{
    RconPeer peer;
    AnswerPassword(owner, "secret", false);
    EXPECT_EQ(consoles.Open(peer.Address(), &owner), nullptr);
    EXPECT_EQ(consoles.count(), 0);
    EXPECT_TRUE(owner.findChildren<CRconDlg*>().isEmpty());
    EXPECT_TRUE(owner.findChildren<CRconSocket*>(Qt::FindChildrenRecursively).isEmpty());
}

TEST_F(RconConsoles, AnOpenConsoleIsShownAndSendsWithThePasswordTyped)
{
    RconPeer peer;
    CRconDlg* console = Open(peer.Address(), "secret");
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(consoles.count(), 1);
    EXPECT_TRUE(console->isVisible());
    EXPECT_EQ(console->parentWidget(), &owner);
    EXPECT_EQ(console->windowTitle(), QString::fromStdString("RCON Control: " + peer.Address()));
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconChallengeRequest()));

    peer.Send(RconChallengeReply("5"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->connected(); }, kRconWaitMs));
    Type(*console, "status");
    EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(5, "secret", "status")));
}

TEST_F(RconConsoles, TwoConsolesKeepTheirOwnChallengeAndPassword)
{
    sim::SimFarm farm;
    sim::GameServerConfig a;
    a.rconPassword = "alpha";
    a.rconChallenge = 3000000000ULL;
    sim::GameServerConfig b;
    b.rconPassword = "bravo";
    b.rconChallenge = 123456789ULL;
    sim::SimGameServer& serverA = farm.AddGameServer(a);
    sim::SimGameServer& serverB = farm.AddGameServer(b);
    std::string error;
    ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;

    CRconDlg* first = Open(serverA.Address(), "alpha");
    CRconDlg* second = Open(serverB.Address(), "bravo");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(consoles.count(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->connected() && second->connected(); }, kRconWaitMs));
    EXPECT_EQ(first->challenge(), 3000000000u);
    EXPECT_EQ(second->challenge(), 123456789u);

    Type(*first, "echo one");
    Type(*second, "echo two");
    ASSERT_TRUE(WaitForLines(*first, 3));
    ASSERT_TRUE(WaitForLines(*second, 3));
    EXPECT_EQ(Shown(*first), (Lines{"\\\\ Challenge Accepted //", "-> echo one", "one"}));
    EXPECT_EQ(Shown(*second), (Lines{"\\\\ Challenge Accepted //", "-> echo two", "two"}));
    EXPECT_EQ(serverA.Record().requests.back().request, "rcon 3000000000 \"alpha\" echo one");
    EXPECT_EQ(serverB.Record().requests.back().request, "rcon 123456789 \"bravo\" echo two");
}

TEST_F(RconConsoles, ClosingAConsoleFreesItAndItsSocket)
{
    RconPeer peer; // never answers: the console is still waiting for its challenge
    QPointer<CRconDlg> console = Open(peer.Address(), "secret");
    ASSERT_TRUE(console);
    QPointer<CRconSocket> socket = console->socket();
    ASSERT_FALSE(peer.Next().isEmpty());

    QTest::keyClick(console, Qt::Key_Escape);
    EXPECT_EQ(consoles.count(), 0);
    EXPECT_FALSE(console && console->isVisible());
    EXPECT_TRUE(!socket || socket->state() == QAbstractSocket::UnconnectedState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return console.isNull() && socket.isNull(); }, kRconWaitMs));

    // The close box too.
    console = Open(peer.Address(), "secret");
    socket = console->socket();
    ASSERT_EQ(consoles.count(), 1);
    console->close();
    EXPECT_EQ(consoles.count(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return console.isNull() && socket.isNull(); }, kRconWaitMs));
}

TEST_F(RconConsoles, CloseAllFreesEveryConsoleAtOnce)
{
    RconPeer quiet;
    RconPeer answering;
    QPointer<CRconDlg> waiting = Open(quiet.Address(), "one");
    QPointer<CRconDlg> connected = Open(answering.Address(), "two");
    ASSERT_TRUE(waiting && connected);
    ASSERT_FALSE(answering.Next().isEmpty());
    answering.Send(RconChallengeReply("77"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return connected->connected(); }, kRconWaitMs));
    QPointer<CRconSocket> socket1 = waiting->socket();
    QPointer<CRconSocket> socket2 = connected->socket();

    consoles.CloseAll();
    EXPECT_EQ(consoles.count(), 0);
    EXPECT_TRUE(waiting.isNull());
    EXPECT_TRUE(connected.isNull());
    EXPECT_TRUE(socket1.isNull());
    EXPECT_TRUE(socket2.isNull());
    EXPECT_TRUE(owner.findChildren<CRconDlg*>().isEmpty());
}

// ---- The commands sent before ----

TEST_F(RconConsoles, UpDownAndTabRecallTheCommandsSentToThatServer)
{
    RconPeer peer;
    CRconDlg* console = Open(peer.Address(), "secret");
    ASSERT_FALSE(peer.Next().isEmpty());
    peer.Send(RconChallengeReply("5"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->connected(); }, kRconWaitMs));
    for (const char* command : {"status", "say hi", "stats", "status"})
        Type(*console, command);
    QLineEdit* input = Input(*console);
    const struct {
        Qt::Key key; // 0: type text
        const char* text;
        const char* shown;
    } steps[] = {
        {Qt::Key(0), "dr", "dr"},     {Qt::Key_Up, "", "status"},  {Qt::Key_Up, "", "stats"},
        {Qt::Key_Up, "", "say hi"},   {Qt::Key_Up, "", "status"},  {Qt::Key_Up, "", "status"},
        {Qt::Key_Down, "", "say hi"}, {Qt::Key_Down, "", "stats"}, {Qt::Key_Down, "", "status"},
        {Qt::Key_Down, "", "dr"},     {Qt::Key_Down, "", "dr"},    {Qt::Key_Backspace, "", "d"},
        {Qt::Key_Backspace, "", ""},  {Qt::Key(0), "s", "s"},      {Qt::Key_Tab, "", "status"},
        {Qt::Key_Tab, "", "stats"},   {Qt::Key_Tab, "", "say hi"}, {Qt::Key_Tab, "", "s"},      // each text once
        {Qt::Key_Tab, "", "status"},  {Qt::Key_End, "", "status"}, {Qt::Key_Tab, "", "status"}, // a new prefix
        {Qt::Key_Up, "", "status"},   {Qt::Key_Up, "", "stats"},   {Qt::Key_Return, "", ""},
        {Qt::Key_Up, "", "stats"},    {Qt::Key_Up, "", "status"}, // the walk starts anew after a send
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].key ? QTest::keyClick(input, steps[i].key) : QTest::keyClicks(input, steps[i].text);
        EXPECT_EQ(input->text(), steps[i].shown) << i;
        EXPECT_EQ(console->focusWidget(), input) << i;
    }
    for (const char* sent : {"status", "say hi", "stats", "status", "stats"})
        EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(5, "secret", sent)));
}

TEST(RconConsoleHistory, KeptForTheNextRunWithoutThePassword)
{
    TempDir dir;
    const std::string path = dir.File(ConsoleHistory::kFileName);
    RconPeer peer;
    QWidget owner;
    owner.show();
    {
        CRconConsoles consoles(path);
        AnswerPassword(owner, "old", true);
        CRconDlg* console = consoles.Open(peer.Address(), &owner);
        ASSERT_FALSE(peer.Next().isEmpty());
        Type(*console, "refused"); // not connected: not sent, not kept
        Input(*console)->clear();
        peer.Send(RconChallengeReply("5"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return console->connected(); }, kRconWaitMs));
        for (const char* command : {"status", "  Rcon_Password \"new\"", "say =[x]"})
            Type(*console, command);
        EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(5, "old", "status")));
        EXPECT_EQ(peer.Next(), RconBytes(BuildRconCommand(5, "old", "  Rcon_Password \"new\"")));
    }
    EXPECT_EQ(ReadText(path), peer.Address() + "\tstatus\r\n" + peer.Address() + "\tsay =[x]\r\n");

    CRconConsoles again(path);
    AnswerPassword(owner, "old", true);
    CRconDlg* console = again.Open(peer.Address(), &owner);
    Input(*console)->setFocus();
    QTest::keyClick(Input(*console), Qt::Key_Up);
    EXPECT_EQ(Input(*console)->text(), "say =[x]");
    QTest::keyClick(Input(*console), Qt::Key_Up);
    EXPECT_EQ(Input(*console)->text(), "status");
}

// ---- A server that gives no challenge ----

// As some servers of today: no answer to "challenge rcon", "print\n" before the output, colour
// codes in it, and silence for a wrong password.
TEST(RconConsoleWithoutChallenge, AsksTwiceThenSendsThePasswordAlone)
{
    sim::SimFarm farm;
    sim::GameServerConfig config;
    config.rconPassword = "my secret";
    config.rconNoChallenge = config.rconPrintWord = true;
    sim::SimGameServer& server = farm.AddGameServer(config);
    std::string error;
    ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
    QWidget owner;
    owner.show();
    const std::string skipped(kRconNoChallengeLine), echo = "-> echo ^1red ^7white";
    const struct {
        std::string password;
        std::string sent; // the command as the server reads it; empty: nothing at all goes out
        Lines shown;
    } cases[] = {
        {"my secret", "rcon \"my secret\" echo ^1red ^7white", {skipped, echo, "red white"}},
        {"guess", "rcon guess echo ^1red ^7white", {skipped, echo, std::string(kRconNoAnswerLine)}},
        {"my \"secret\"", "", {std::string(kRconQuotedPasswordLine)}},
    };
    for (const auto& c : cases) {
        const size_t before = server.Record().requests.size();
        CRconDlg console(server.Address(), c.password, &owner);
        console.SetTimeoutMs(300);
        console.show();
        console.Connect();
        if (c.sent.empty()) {
            QTest::qWait(800);
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return console.connected(); }, kRconWaitMs));
            Type(console, "echo ^1red ^7white");
            ASSERT_TRUE(WaitForLines(console, 3));
        }
        EXPECT_EQ(Shown(console), c.shown) << c.password;

        const std::vector<sim::ReceivedRequest> all = server.Record().requests;
        Lines requests;
        for (size_t i = before; i < all.size(); ++i)
            requests.push_back(all[i].request);
        EXPECT_EQ(requests, c.sent.empty() ? Lines{} : (Lines{"challenge rcon\\x0A", "challenge rcon\\x0A", c.sent}));
        if (requests.size() > 1) {
            EXPECT_GE(all[before + 1].timeMs - all[before].timeMs, 250); // asked again after one time-out
        }
    }
}
