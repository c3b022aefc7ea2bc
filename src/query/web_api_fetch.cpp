// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/web_api_fetch.h"

#include "core/thread_handoff.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <utility>

namespace {

// The policy once more on the address as Qt reads it, so that no difference between the two
// readings lets a request through that either would refuse.
bool IsAllowedUrl(const QUrl& url)
{
    if (!url.isValid() || !url.userInfo().isEmpty() || url.host().isEmpty() ||
        !IsAllowedWebApiUrl(url.toString(QUrl::FullyEncoded).toStdString()))
        return false;
    if (url.scheme() == "https")
        return true;
    if (url.scheme() != "http")
        return false;
    const QString host = url.host();
    if (host.compare("localhost", Qt::CaseInsensitive) == 0 || host.compare("localhost.", Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// What the decoding thread reads and writes; the window's thread reads it again only after the
// thread has finished.
struct DecodeJob {
    QByteArray body;
    size_t limit = 0;
    WebApiList list;
};

} // namespace

CWebApiFetch::CWebApiFetch(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this))
{
    qRegisterMetaType<WebApiFetchResult>();
    setObjectName("CWebApiFetch");
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &CWebApiFetch::OnTimeout);
}

CWebApiFetch::~CWebApiFetch()
{
    DropReply();
    for (QThread* thread : findChildren<QThread*>(Qt::FindDirectChildrenOnly))
        thread->wait();
}

void CWebApiFetch::Start(const std::string& baseUrl, const std::string& key, const std::string& modFolder, int limit)
{
    Cancel();
    running_ = true;
    limit_ = std::max(1, limit);
    const std::string url = ServerListUrl(baseUrl, key, modFolder, limit_);
    shownUrl_ = UrlWithoutKey(url);
    if (key.empty()) {
        FinishLater(WebApiOutcome::NoKey);
        return;
    }
    const QUrl wire(QString::fromStdString(url), QUrl::StrictMode);
    if (!IsAllowedWebApiUrl(baseUrl) || !IsAllowedUrl(wire)) {
        FinishLater(WebApiOutcome::NoAnswer);
        return;
    }
    body_.clear();
    redirects_ = 0;
    Send(wire);
    // The whole answer within the time, redirects included, not only some byte now and then.
    deadline_.start(timeoutMs_);
}

void CWebApiFetch::Send(const QUrl& url)
{
    QNetworkRequest request(url);
    // Each redirect is followed here, where the address is checked first.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(timeoutMs_);
    if (!extraCas_.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(extraCas_);
        request.setSslConfiguration(tls);
    }
    body_.clear();
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::readyRead, this, &CWebApiFetch::OnReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &CWebApiFetch::OnReplyFinished);
}

void CWebApiFetch::AddCaCertificates(const QList<QSslCertificate>& certificates)
{
    extraCas_ += certificates;
    // A connection kept from before would go on with the trust it was made with.
    network_->clearConnectionCache();
}

void CWebApiFetch::Cancel()
{
    ++request_;
    running_ = false;
    deadline_.stop();
    DropReply();
    body_.clear();
}

void CWebApiFetch::DropReply()
{
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void CWebApiFetch::FinishLater(WebApiOutcome outcome)
{
    const uint64_t request = request_;
    QMetaObject::invokeMethod(
        this,
        [this, request, outcome] {
            if (request != request_)
                return;
            running_ = false;
            WebApiFetchResult result;
            result.outcome = outcome;
            Q_EMIT finished(result);
        },
        Qt::QueuedConnection);
}

void CWebApiFetch::OnReadyRead()
{
    if (!reply_)
        return;
    body_ += reply_->readAll();
    if (static_cast<size_t>(body_.size()) > kMaxWebApiAnswerBytes) {
        // No list is this large: what came is not read on.
        deadline_.stop();
        DropReply();
        body_.clear();
        FinishLater(WebApiOutcome::Unreadable);
    }
}

void CWebApiFetch::OnTimeout()
{
    if (!reply_)
        return;
    DropReply();
    FinishLater(WebApiOutcome::NoAnswer);
}

void CWebApiFetch::OnReplyFinished()
{
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    body_ += reply->readAll();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    const QUrl redirect = reply->url().resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
    const bool redirected = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid();
    reply_ = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    const int code = status.isValid() ? status.toInt() : 0;
    if (redirected && code >= 300 && code < 400) {
        // Plain http elsewhere, another scheme, a loop: the key would go where it must not, or
        // nowhere.
        if (++redirects_ <= kMaxRedirects && IsAllowedUrl(redirect)) {
            Send(redirect);
            return;
        }
        deadline_.stop();
        FinishLater(WebApiOutcome::NoAnswer);
        return;
    }
    deadline_.stop();
    if (code == 401 || code == 403) {
        FinishLater(WebApiOutcome::RefusedKey);
    } else if (code != 200 || error != QNetworkReply::NoError) {
        // Another status, a connection cut before the end, a certificate no authority vouches for.
        FinishLater(WebApiOutcome::NoAnswer);
    } else if (static_cast<size_t>(body_.size()) > kMaxWebApiAnswerBytes) {
        FinishLater(WebApiOutcome::Unreadable);
    } else {
        Decode(std::exchange(body_, QByteArray()));
    }
}

void CWebApiFetch::Decode(QByteArray body)
{
    auto job = std::make_shared<DecodeJob>();
    job->body = std::move(body);
    job->limit = static_cast<size_t>(limit_);
    MarkHandOffSent(job.get());
    QThread* thread = QThread::create([job] {
        MarkHandOffReceived(job.get());
        job->list = DecodeServerList(std::string_view(job->body.constData(), job->body.size()), job->limit);
        job->body.clear();
        MarkHandOffSent(job.get());
    });
    thread->setParent(this);
    thread->setObjectName("CWebApiDecode");
    const uint64_t request = request_;
    connect(thread, &QThread::finished, this, [this, job, request] {
        MarkHandOffReceived(job.get());
        if (request != request_)
            return;
        running_ = false;
        WebApiFetchResult result;
        switch (job->list.status) {
        case WebApiListStatus::Ok:
            result.outcome = WebApiOutcome::Ok;
            break;
        case WebApiListStatus::NoServer:
            result.outcome = WebApiOutcome::NoServer;
            break;
        case WebApiListStatus::Unreadable:
            result.outcome = WebApiOutcome::Unreadable;
            break;
        }
        result.servers = std::move(job->list.servers);
        result.filledLimit = job->list.filledLimit;
        Q_EMIT finished(result);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}
