// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <set>
#include <string>

// Tells the user that a file they changed could not be saved: once per file, not at every
// keystroke, and again only after a save of it has worked in between. The message comes a moment
// later, from the window's loop, never in the middle of the handler that failed.
class CFileSaveNotice : public QObject {
    Q_OBJECT
public:
    using Message = std::function<void(const QString& title, const QString& text)>;
    explicit CFileSaveNotice(Message message, QObject* parent = nullptr);

    void Report(const std::string& path, bool saved);

private:
    Message message_;
    std::set<std::string> told_;
};
