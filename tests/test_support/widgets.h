#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

// Helpers of the tests that build windows.

// The control (or menu action) a window gives the id: objectName "id" + number.
template <class T = QObject>
T* FindById(const QObject* parent, int id)
{
    return parent ? parent->findChild<T*>(QStringLiteral("id%1").arg(id)) : nullptr;
}

// Runs action on the next modal window called name (any modal window when name is empty) once
// it is up and ready(window) holds (no ready: at once). Polls every 10 ms until then; the
// polling belongs to scope, so a failing test cannot leave it running into the next one.
void WhenModalShows(QObject& scope, const QString& name, const std::function<void(QWidget&)>& action,
                    const std::function<bool(QWidget&)>& ready = {});

// What an input box showed before it was answered.
struct InputBoxSeen {
    QString title;
    QString prompt;
    QString text; // the initial text of the edit
};

// Answers the next input box: replaces its text with typed (when typed is not null) and presses
// Ok (ok) or Cancel. seen, when given, receives what the box showed.
void AnswerInputBox(QObject& scope, const QString& typed, bool ok, InputBoxSeen* seen = nullptr);
