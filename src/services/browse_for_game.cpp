// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialog half of AppSettings: it needs windows, the record itself does not.
#include "settings/app_settings.h"

#include <QApplication>
#include <QFileDialog>

bool AppSettings::BrowseForGame(bool exitOnCancel)
{
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    QFileDialog dialog(owner, "Choose your HL Executable.");
    dialog.setObjectName("BrowseForGame");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
#ifdef _WIN32
    dialog.setDefaultSuffix("exe");
    dialog.setNameFilters({"Executable (*.exe)", "All Files (*.*)"});
#else
    dialog.setNameFilters({QString("Game start script (%1)").arg(kClientExeName), "All Files (*)"});
#endif
    if (!gameFolder.empty())
        dialog.setDirectory(QString::fromStdString(gameFolder));
    dialog.selectFile(kClientExeName);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        if (exitOnCancel && exitNow)
            exitNow(0);
        return false;
    }
    AdoptGameLocation(QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString());
    if (gameLocationChanged)
        gameLocationChanged();
    return true;
}
