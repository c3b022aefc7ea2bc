// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/about_dlg.h"
#include "app/options_dlg.h"
#include "bots/bot_editor_dlg.h"
#include "gamefiles/settings_loader.h"
#include "test_support/started_app.h"
#include "ui/control_id.h"

#include <QApplication>
#include <QGroupBox>
#include <QStyle>

namespace {

// The width a control's text needs (0: no text of its own).
int Needed(QWidget* w)
{
    const QString text = w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
    if (w->inherits("QPushButton"))
        return w->fontMetrics().size(Qt::TextShowMnemonic, text).width() +
               w->style()->pixelMetric(QStyle::PM_ButtonMargin) +
               2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    if (w->inherits("QGroupBox"))
        return w->fontMetrics().horizontalAdvance(text);
    const bool sized = w->inherits("QCheckBox") || w->inherits("QRadioButton") || w->inherits("QComboBox");
    return sized || (w->inherits("QLabel") && !text.isEmpty()) ? w->sizeHint().width() : 0;
}

// Texts cut by their control; controls on the top line of their frame as it is drawn.
QStringList Faults(QWidget* window)
{
    QStringList faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (Needed(w) > w->width())
            faults << w->objectName() + " " + w->property("text").toString();
        auto* box = qobject_cast<QGroupBox*>(w);
        if (!box)
            continue;
        const QImage frame = box->grab().toImage();
        int line = 0;
        while (line + 1 < frame.height() &&
               frame.pixel(frame.width() - 12, line) == box->palette().window().color().rgb())
            ++line;
        // The chat switch and its help button sit on their frame's title line on purpose.
        for (QWidget* framed : w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!qobject_cast<QGroupBox*>(framed) && w->geometry().contains(framed->geometry().center()) &&
                framed->y() <= w->y() + line + 1 && framed->objectName() != ControlName(CBotEditorDlg::IdBotChat) &&
                framed->objectName() != ControlName(CBotEditorDlg::IdChatHelp))
                faults << framed->objectName() + " on the frame of " + box->title();
    }
    return faults;
}

// The program started with an application font: its windows are built in it.
class WindowLayout : public StartedApp, public ::testing::WithParamInterface<std::pair<const char*, int>> {
protected:
    void Prepare(AppSettings&) override { QApplication::setFont(QFont(GetParam().first, GetParam().second)); }
    void TearDown() override
    {
        StartedApp::TearDown();
        QApplication::setFont(oldFont_);
    }
    QFont oldFont_ = QApplication::font();
};

} // namespace

TEST_P(WindowLayout, EveryTextFitsItsControl)
{
    ASSERT_TRUE(app->loader()->WaitUntilIdle(5000));
    CAboutDlg about;
    COptionsDlg options(ToolOptions{});
    EXPECT_EQ((Faults(main) + Faults(&about) + Faults(&options)).join('\n').toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Fonts, WindowLayout,
                         ::testing::Values(std::make_pair("DejaVu Sans", 8), std::make_pair("DejaVu Sans", 11),
                                           std::make_pair("DejaVu Serif", 8)));
