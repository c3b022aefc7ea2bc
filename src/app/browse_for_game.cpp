// The file dialog half of AppSettings: it needs windows, the record itself does not.
#include "app/app_settings.h"
#include "app/main_dlg.h"
#include "app/tool_app.h"

#include <QApplication>
#include <QFileDialog>

bool AppSettings::BrowseForGame(bool exitOnCancel)
{
    QWidget* owner = HasApp() ? static_cast<QWidget*>(theApp().mainWnd()) : nullptr;
    if (!owner)
        owner = QApplication::activeModalWidget();
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
        if (exitOnCancel && HasApp())
            theApp().ExitNow(0);
        return false;
    }
    AdoptGameLocation(QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString());
    if (HasApp() && theApp().mainWnd())
        theApp().mainWnd()->ReloadLogo();
    return true;
}
