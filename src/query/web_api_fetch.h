// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "query/model/web_api.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

// How one request for the Web API's list ended, and the servers it listed.
struct WebApiFetchResult {
    WebApiOutcome outcome = WebApiOutcome::NoAnswer;
    std::vector<WebApiServer> servers; // Ok: at least one
    bool filledLimit = false;          // Ok: the list reached the limit asked for
};

// Asks the Steam Web API for the list of servers running a mod: one GET through Qt's network
// access, over TLS whose certificate checks are never skipped, followed to another address only
// where the base address could be asked itself, given up after kTimeoutMs or past
// kMaxWebApiAnswerBytes. The answer is decoded on a thread of its own (ten thousand servers take
// tens of milliseconds), and what it held is told once through finished(). The key goes only into the request on the
// wire: nothing told, no text shown, holds it.
class CWebApiFetch : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 10000;
    static constexpr int kMaxRedirects = 5;

    explicit CWebApiFetch(QObject* parent = nullptr);
    // Waits for a decode still running (it is short) and tells nothing.
    ~CWebApiFetch() override;

    // Asks for at most limit servers of modFolder, in place of a request still running. finished
    // follows once, always later, never from within Start: without a key nothing is asked (NoKey),
    // a base address the policy refuses (IsAllowedWebApiUrl) is not asked either (NoAnswer).
    void Start(const std::string& baseUrl, const std::string& key, const std::string& modFolder, int limit);
    // Drops the request running; nothing is told of it.
    void Cancel();
    bool running() const { return running_; }

    // The URL of the request running or last made, without its key (UrlWithoutKey).
    const std::string& shownUrl() const { return shownUrl_; }

    // Tests only: a shorter time limit. Takes effect at the next Start.
    void SetTimeoutMs(int ms) { timeoutMs_ = ms; }
    // Certification authorities trusted beside the system's, such as a test's own. It adds trust
    // and never takes a check away: a certificate no authority vouches for is still refused.
    void AddCaCertificates(const QList<QSslCertificate>& certificates);

Q_SIGNALS:
    void finished(const WebApiFetchResult& result);

private:
    void OnReadyRead();
    void Send(const QUrl& url);
    void OnReplyFinished();
    void OnTimeout();
    // Ends the request with outcome, later (queued), unless another Start or a Cancel comes first.
    void FinishLater(WebApiOutcome outcome);
    void Decode(QByteArray body);
    void DropReply();

    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    QByteArray body_;
    int redirects_ = 0;
    int limit_ = 0;
    uint64_t request_ = 0; // counts Start and Cancel, so that a late answer is known as stale
    bool running_ = false;
    std::string shownUrl_;
    int timeoutMs_ = kTimeoutMs;
    QList<QSslCertificate> extraCas_;
};

Q_DECLARE_METATYPE(WebApiFetchResult)
