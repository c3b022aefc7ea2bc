// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamefiles/settings_loader.h"

#include "core/thread_handoff.h"

#include <QCoreApplication>
#include <algorithm>

CSettingsLoader::CSettingsLoader(const AppSettings& settings, QObject* parent) : QObject(parent), settings_(settings)
{
    setObjectName("CSettingsLoader");
}

CSettingsLoader::~CSettingsLoader()
{
    if (thread_) {
        // The steps only read files; nothing it sends is wanted any more.
        thread_->disconnect(this);
        thread_->wait();
        MarkHandOffReceived(thread_);
        delete thread_;
    }
}

void CSettingsLoader::AddStep(int order, QObject* owner, LoaderStep step)
{
    steps_.push_back({order, owner, std::move(step)});
    std::stable_sort(steps_.begin(), steps_.end(), [](const Entry& a, const Entry& b) { return a.order < b.order; });
}

void CSettingsLoader::Start()
{
    if (gate_.Request())
        Run();
}

void CSettingsLoader::Run()
{
    std::vector<CSettingsThread::Work> work;
    for (const Entry& e : steps_)
        if (e.owner)
            work.push_back({e.order, e.owner, e.step});
    // The copy is taken here, on the window thread: the run never reads the live record.
    LoaderInput input{settings_, CvarFiles::ForSettings(settings_)};
    input.files.SetWriteReport(report_);
    input.settings.gameLocationChanged = nullptr;
    input.settings.exitNow = nullptr;
    thread_ = new CSettingsThread(std::move(input), std::move(work), this);
    connect(thread_, &CSettingsThread::runEnded, this, &CSettingsLoader::OnRunEnded, Qt::QueuedConnection);
    thread_->start();
}

void CSettingsLoader::OnRunEnded()
{
    if (thread_) {
        thread_->wait();
        MarkHandOffReceived(thread_);
        delete thread_;
        thread_ = nullptr;
    }
    const bool again = gate_.Ended();
    Q_EMIT finished();
    if (again)
        Run();
}

bool CSettingsLoader::WaitUntilIdle(int timeoutMs)
{
    return gate_.WaitUntilIdle(timeoutMs, [this] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (thread_)
            thread_->wait(5);
    });
}

CSettingsThread::CSettingsThread(LoaderInput input, std::vector<Work> work, QObject* receiver)
    : input_(std::move(input)), work_(std::move(work)), receiver_(receiver)
{
    setObjectName("CSettingsThread");
}

void CSettingsThread::run()
{
    for (Work& w : work_) {
        LoaderApply apply = w.step ? w.step(input_) : LoaderApply();
        if (!apply)
            continue;
        // The page is looked at on the window thread only: one gone by then gets nothing. What
        // the step read crosses in the queued call.
        QMetaObject::invokeMethod(receiver_, QueuedHandOff([owner = std::move(w.owner), apply = std::move(apply)] {
                                      if (owner)
                                          apply();
                                  }),
                                  Qt::QueuedConnection);
    }
    // Behind every result, in the receiver's queue.
    Q_EMIT runEnded();
    // What the run left in this object is the window thread's once it has waited for the run.
    MarkHandOffSent(this);
}
