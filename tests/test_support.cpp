#include "test_support.h"

#include "core/path.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

ScopedWorkDir::ScopedWorkDir()
{
    char buf[4096];
    if (getcwd(buf, sizeof buf))
        oldDir_ = buf;
    if (!dir_.isValid() || chdir(dir_.path().toLocal8Bit().constData()) != 0)
        throw std::runtime_error("cannot enter a temporary working folder");
}

ScopedWorkDir::~ScopedWorkDir()
{
    if (!oldDir_.empty())
        (void)chdir(oldDir_.c_str());
}

std::string ScopedWorkDir::Path() const { return dir_.path().toStdString(); }

std::string ScopedWorkDir::File(const std::string& name) const { return JoinPath(Path(), name); }

std::vector<unsigned char> ReadAllBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAllBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WhenModalShows(QObject& scope, const QString& name, const std::function<void(QWidget&)>& action,
                    const std::function<bool(QWidget&)>& ready)
{
    auto* poll = new QTimer(&scope);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || (!name.isEmpty() && modal->objectName() != name) || (ready && !ready(*modal)))
            return;
        poll->stop();
        poll->deleteLater();
        action(*modal);
    });
    poll->start(10);
}

void AnswerInputBox(QObject& scope, const QString& typed, bool ok, InputBoxSeen* seen)
{
    WhenModalShows(scope, "CInputBox", [=](QWidget& box) {
        auto* edit = FindById<QLineEdit>(&box, 999);
        if (seen) {
            seen->title = box.windowTitle();
            if (auto* prompt = box.findChild<QLabel*>("prompt"))
                seen->prompt = prompt->text();
            seen->text = edit ? edit->text() : QString();
        }
        if (edit && !typed.isNull()) {
            edit->selectAll();
            if (typed.isEmpty())
                edit->clear();
            else
                QTest::keyClicks(edit, typed);
        }
        if (auto* button = FindById<QPushButton>(&box, ok ? 1 : 2))
            QTest::mouseClick(button, Qt::LeftButton);
    });
}
