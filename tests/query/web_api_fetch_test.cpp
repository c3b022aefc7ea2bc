// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/web_api_fetch.h"
#include "sim_farm.h"
#include "test_support/work_dir.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fetch against the simulated Web API on 127.0.0.1, listing two servers of the farm and a
// relayed one.
class WebApiFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* label : {"dusk", "harbour"}) {
            sim::GameServerConfig c;
            c.label = c.hostname = label;
            farm.AddGameServer(c);
        }
        sim::WebApiConfig w;
        w.listAll = true;
        w.relayed = {{"169.254.3.4:27015", "Relayed", "pit", 2, 6}};
        w.certificateFile = certificate;
        w.keyFile = key;
        farm.AddWebApi(w);
        std::string error;
        ASSERT_TRUE(farm.StartInOwnThread(&error)) << error;
        fetch.SetTimeoutMs(1500);
    }

    WebApiFetchResult Fetch(const std::string& base, const std::string& apiKey = "demo", const std::string& mod = "znk",
                            int limit = 10000)
    {
        QSignalSpy told(&fetch, &CWebApiFetch::finished);
        fetch.Start(base, apiKey, mod, limit);
        EXPECT_EQ(told.count(), 0) << "told from within Start";
        EXPECT_TRUE(told.wait(5000));
        EXPECT_EQ(told.count(), 1);
        EXPECT_FALSE(fetch.running());
        return told.isEmpty() ? WebApiFetchResult() : told.front().front().value<WebApiFetchResult>();
    }

    std::vector<std::string> Addresses(const WebApiFetchResult& r)
    {
        std::vector<std::string> out;
        for (const WebApiServer& s : r.servers)
            out.push_back(s.addr);
        return out;
    }

    sim::SimWebApi& api() { return farm.WebApi(0); }

    std::string certificate, key; // set before SetUp for TLS
    sim::SimFarm farm;
    CWebApiFetch fetch;
};

TEST_F(WebApiFetch, TheListComesWithTheRequestOnTheWireAndNoKeyShown)
{
    const WebApiFetchResult r = Fetch(api().Url(), "de mo/+", "znk", 10000);
    EXPECT_EQ(r.outcome, WebApiOutcome::RefusedKey);
    const WebApiFetchResult ok = Fetch(api().Url() + "/");
    ASSERT_EQ(ok.outcome, WebApiOutcome::Ok);
    EXPECT_EQ(Addresses(ok), (std::vector<std::string>{farm.GameServer(0).Address(), farm.GameServer(1).Address(),
                                                       "169.254.3.4:27015"}));
    EXPECT_EQ(ok.servers[0].name, "dusk");
    EXPECT_EQ(ok.servers[2].players, 2);
    EXPECT_FALSE(ok.filledLimit);
    EXPECT_EQ(api().Requests(),
              (std::vector<std::string>{"/IGameServersService/GetServerList/v1/"
                                        "?key=de%20mo%2F%2B&filter=%5Cappid%5C70%5Cgamedir%5Cznk&limit=10000",
                                        "/IGameServersService/GetServerList/v1/"
                                        "?key=demo&filter=%5Cappid%5C70%5Cgamedir%5Cznk&limit=10000"}));
    EXPECT_EQ(fetch.shownUrl(), api().Url() + "/IGameServersService/GetServerList/v1/"
                                              "?key=***&filter=%5Cappid%5C70%5Cgamedir%5Cznk&limit=10000");

    const WebApiFetchResult two = Fetch(api().Url(), "demo", "znk", 2);
    EXPECT_EQ(two.servers.size(), 2u);
    EXPECT_TRUE(two.filledLimit);
    EXPECT_EQ(Fetch(api().Url(), "demo", "othermod").outcome, WebApiOutcome::NoServer);
}

TEST_F(WebApiFetch, EachFaultOfTheServiceIsToldAsItsOutcome)
{
    struct Case {
        sim::WebApiFaults faults;
        WebApiOutcome outcome;
    };
    const Case cases[] = {
        {{.status = 403}, WebApiOutcome::RefusedKey}, {{.status = 401}, WebApiOutcome::RefusedKey},
        {{.status = 500}, WebApiOutcome::NoAnswer},   {{.status = 404}, WebApiOutcome::NoAnswer},
        {{.delayMs = 3000}, WebApiOutcome::NoAnswer}, {{.malformed = true}, WebApiOutcome::Unreadable},
        {{.cut = 40}, WebApiOutcome::Unreadable},     {{}, WebApiOutcome::Ok},
    };
    for (const Case& c : cases) {
        api().SetFaults(c.faults);
        EXPECT_EQ(Fetch(api().Url()).outcome, c.outcome) << c.faults.status << " " << c.faults.delayMs;
    }
}

TEST_F(WebApiFetch, NothingIsAskedWithoutAKeyOrWherePlainHttpLeavesTheMachine)
{
    EXPECT_EQ(Fetch(api().Url(), "").outcome, WebApiOutcome::NoKey);
    // A documentation-range address: refused before any connection is tried.
    EXPECT_EQ(Fetch("http://192.0.2.1:9").outcome, WebApiOutcome::NoAnswer);
    EXPECT_EQ(Fetch("ftp://127.0.0.1:9").outcome, WebApiOutcome::NoAnswer);
    EXPECT_TRUE(api().Requests().empty());

    // Redirected: on to this machine is followed, plain http elsewhere is not.
    sim::SimWebApi& first = api();
    first.SetFaults({.redirect = "http://localhost:" + std::to_string(first.Port())});
    EXPECT_EQ(Fetch(first.Url()).outcome, WebApiOutcome::NoAnswer) << "a redirect loop ends";
    first.SetFaults({.redirect = "http://192.0.2.1:9"});
    EXPECT_EQ(Fetch(first.Url()).outcome, WebApiOutcome::NoAnswer);
    EXPECT_EQ(first.Requests().size(), 1u + CWebApiFetch::kMaxRedirects + 1u);

    // Nothing listening.
    first.SetFaults({});
    const std::string closed = "http://127.0.0.1:" + std::to_string(farm.GameServer(0).Port());
    EXPECT_EQ(Fetch(closed).outcome, WebApiOutcome::NoAnswer);
}

// Only the newest request is told of: one replaced or cancelled while its answer is on the way,
// or while it is decoded, says nothing.
TEST_F(WebApiFetch, AReplacedOrCancelledRequestTellsNothing)
{
    QSignalSpy told(&fetch, &CWebApiFetch::finished);
    api().SetFaults({.delayMs = 300});
    fetch.Start(api().Url(), "demo", "znk", 10000);
    fetch.Start(api().Url(), "wrong", "znk", 10000);
    ASSERT_TRUE(told.wait(3000));
    QTest::qWait(500);
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.front().front().value<WebApiFetchResult>().outcome, WebApiOutcome::RefusedKey);

    api().SetFaults({});
    for (int waitMs : {0, 2, 5, 20}) {
        fetch.Start(api().Url(), "demo", "znk", 10000);
        QTest::qWait(waitMs);
        fetch.Cancel();
        EXPECT_FALSE(fetch.running());
    }
    fetch.Start(api().Url(), "", "znk", 10000);
    fetch.Cancel();
    QTest::qWait(300);
    EXPECT_EQ(told.count(), 1);
}

// TLS with a certificate made for the test: refused as long as no authority the program trusts
// vouches for it, taken once the test's own is trusted.
class WebApiFetchTls : public WebApiFetch {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QSslSocket::supportsSsl()) << "no TLS backend";
        certificate = dir.File("cert.pem");
        key = dir.File("key.pem");
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                                  "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                                  "-keyout", QString::fromStdString(key), "-out", QString::fromStdString(certificate)});
        ASSERT_TRUE(openssl.waitForFinished(20000)) << "openssl (install-deps installs it)";
        ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
        WebApiFetch::SetUp();
    }
    ScopedWorkDir dir;
};

TEST_F(WebApiFetchTls, AnUntrustedCertificateIsRefusedAndATrustedOneTaken)
{
    ASSERT_EQ(api().Url().substr(0, 8), "https://");
    EXPECT_EQ(Fetch(api().Url()).outcome, WebApiOutcome::NoAnswer);
    fetch.AddCaCertificates(QSslCertificate::fromPath(QString::fromStdString(certificate)));
    const WebApiFetchResult r = Fetch(api().Url());
    EXPECT_EQ(r.outcome, WebApiOutcome::Ok);
    EXPECT_EQ(r.servers.size(), 3u);
    // The certificate names 127.0.0.1, not localhost.
    EXPECT_EQ(Fetch("https://localhost:" + std::to_string(api().Port())).outcome, WebApiOutcome::NoAnswer);
}

} // namespace
