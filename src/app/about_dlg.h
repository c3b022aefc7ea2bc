// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QLabel>

// A static text that shows the crosshair cursor while the mouse is over it and opens its web
// address when clicked.
class CStaticLink : public QLabel {
    Q_OBJECT
public:
    // Without crosshair it looks and points like a plain static, but still opens on a click.
    explicit CStaticLink(const QString& url, QWidget* parent = nullptr, bool crosshair = true);
    QString url() const { return url_; }

Q_SIGNALS:
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString url_;
    bool crosshair_;
};

// "About ZNKTool": version and the two web addresses.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kModSiteUrl = "https://znk-mod.example.org/";
    static constexpr const char* kAuthorUrl = "https://home.example.net/znktool/";
    enum ControlId { IdOk = 1, IdModSite = 1170, IdAuthor = 1171 };

    explicit CAboutDlg(QWidget* parent = nullptr);

private:
    void CreateWidgets();
    void ConnectWidgets();

    CStaticLink* modSite_ = nullptr;
    CStaticLink* author_ = nullptr;
};
