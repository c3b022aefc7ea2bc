// SPDX-License-Identifier: GPL-3.0-or-later
#include "bots/bot_help_dlgs.h"
#include "bots/model/bot_config.h"
#include "test_support/widgets.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

TEST(BotHelp, WindowsAndTheirTexts)
{
    CBotClassDlg teamClass;
    CBotMiscDlg misc;
    CBotChatDlg chat;
    const std::vector<std::tuple<CBotHelpDlg*, QString, int>> windows = {
        {&teamClass, "Bot Help : Teamclass", CBotHelpDlg::IdClassText},
        {&misc, "Bot Help : Misc", CBotHelpDlg::IdMiscText},
        {&chat, "Bot Help : Chat", CBotHelpDlg::IdChatText}};
    for (const auto& [window, title, textId] : windows) {
        EXPECT_EQ(window->windowTitle(), title);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(window->windowType(), Qt::Tool);
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        auto* field = FindById<QPlainTextEdit>(window, textId);
        ASSERT_TRUE(field);
        EXPECT_EQ(field->lineWrapMode(), QPlainTextEdit::NoWrap);
        window->Open();
        // Shown line by line as the text has them.
        EXPECT_EQ(field->toPlainText(), QString::fromLatin1(window->text()).replace("\r\n", "\n"));
        auto* ok = FindById<QPushButton>(window, CBotHelpDlg::IdOk);
        ASSERT_TRUE(ok);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_NEAR(ok->geometry().center().x(), window->width() / 2, 2);
        EXPECT_GT(ok->geometry().top(), field->geometry().bottom());
        window->hide();
    }

    // Each option the bot page writes has its entry, at the start of a line, and every line
    // ends with CR LF.
    const std::string chatText = CBotChatDlg::kText;
    for (const BotChatOption& option : kBotChatOptions)
        EXPECT_TRUE(chatText.rfind(std::string(option.key) + " <value> - ", 0) == 0 ||
                    chatText.find("\r\n" + std::string(option.key) + " <value> - ") != std::string::npos)
            << option.key;
    const std::string miscText = CBotMiscDlg::kText;
    for (const BotSwitch& option : kBotSwitches) {
        if (std::string(option.key) != "should_bot_chat") {
            EXPECT_NE(miscText.find("\r\n" + std::string(option.key) + " <value> - "), std::string::npos) << option.key;
        }
    }
    for (const std::string& text : {chatText, miscText, std::string(CBotClassDlg::kText)})
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));

    // The class line names the nine playable characters.
    const std::string classText = CBotClassDlg::kText;
    const std::string classLineStart = "<class>\tthe class ranges from 1-9 where: ";
    const size_t classLine = classText.find("\r\n" + classLineStart);
    ASSERT_NE(classLine, std::string::npos);
    const size_t classEnd = classText.find(", other is a random class\r\n", classLine);
    ASSERT_NE(classEnd, std::string::npos);
    const std::string names =
        classText.substr(classLine + 2 + classLineStart.size(), classEnd - classLine - 2 - classLineStart.size());
    // Nine characters, by number, on a line and a tab-indented second line.
    for (int n = 1; n <= 9; ++n)
        EXPECT_NE(names.find(std::to_string(n) + " is "), std::string::npos) << n;
    ASSERT_EQ(std::count(names.begin(), names.end(), '\n'), 1);
    EXPECT_NE(names.find("\r\n\t"), std::string::npos);
}
