#pragma once
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

class QWidget;

// Runs a test inside a fresh, empty working folder and goes back to the old one afterwards:
// the program keeps its own files in the current directory.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    std::string Path() const;                       // absolute, native separators
    std::string File(const std::string& name) const; // Path() + separator + name

private:
    QTemporaryDir dir_;
    std::string oldDir_;
};

std::vector<unsigned char> ReadAllBytes(const std::string& path);
void WriteAllBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

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
