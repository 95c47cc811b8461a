#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>

#include <gtest/gtest.h>

#include "support/LoopbackHttpServer.h"
#include "update/ManifestFetch.h"

using namespace tarnix;
using tarnix::test::LoopbackHttpServer;

namespace {

class ManifestFetch : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "update-tests";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
    }

    // Fetches from the server (or `url`) and waits for the answer; fails the test if none comes.
    std::optional<UpdateChecker::Manifest> fetch(int timeoutMs = 10'000, QUrl url = {})
    {
        bool finished = false;
        std::optional<UpdateChecker::Manifest> result;
        QObject context;
        UpdateChecker::fetchManifest(url.isEmpty() ? server.url() : url, timeoutMs, &context, [&](auto manifest) {
            result = std::move(manifest);
            finished = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!finished && timer.elapsed() < 20'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_TRUE(finished) << "the fetch never finished";
        return result;
    }

    LoopbackHttpServer server;
};

} // namespace

TEST_F(ManifestFetch, DecodesTheManifestAndAsksPastAnyCache)
{
    server.setAnswer({.body = R"({"version":"9.1","url":"https://example.org/get","notes":null,"extra":[1]})"});
    auto manifest = fetch();
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->version, "9.1");
    EXPECT_EQ(manifest->url, "https://example.org/get");
    EXPECT_FALSE(manifest->notes);
    EXPECT_TRUE(server.lastRequest().startsWith("GET /version.json "));
    EXPECT_TRUE(server.lastRequest().toLower().contains("cache-control: no-cache"));
}

TEST_F(ManifestFetch, WhatIsNotAManifestFails)
{
    const std::vector<LoopbackHttpServer::Answer> answers = {
        {.status = 404, .contentType = "text/html", .body = "<html><body>Not Found</body></html>"},
        {.body = R"({"version":"9.1"})"},                     // no url
        {.body = R"({"url":"https://example.org"})"},         // no version
        {.body = R"({"version":9,"url":"https://e.org"})"},   // wrong type
        {.body = ""},
    };
    for (const auto& answer : answers) {
        server.setAnswer(answer);
        EXPECT_FALSE(fetch()) << answer.body.toStdString();
    }
}

TEST_F(ManifestFetch, AnErrorStatusWithAManifestBodyStillDecodes)
{
    // The status is not examined: only the body decides.
    server.setAnswer({.status = 503, .body = R"({"version":"2.0","url":"https://example.org"})"});
    EXPECT_TRUE(fetch());
}

TEST_F(ManifestFetch, ABodyOverOneMebibyteFailsWhetherDeclaredOrNot)
{
    // A valid manifest padded with spaces past the limit: decodable, but refused for its size.
    QByteArray body = R"({"version":"9.0","url":"https://example.org"})";
    body += QByteArray(UpdateChecker::maximumBodyBytes, ' ');
    server.setAnswer({.body = body});
    EXPECT_FALSE(fetch());
    server.setAnswer({.body = body, .declareLength = false});
    EXPECT_FALSE(fetch());

    // Exactly at the limit is still fine.
    body.truncate(UpdateChecker::maximumBodyBytes);
    server.setAnswer({.body = body});
    EXPECT_TRUE(fetch());
}

TEST_F(ManifestFetch, AServerThatNeverAnswersIsCutShortByTheTimeout)
{
    server.setAnswer({.body = {}, .declareLength = true, .never = true});
    EXPECT_FALSE(fetch(300));
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(ManifestFetch, NoServerAtAllFails)
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    EXPECT_FALSE(fetch(5000, QUrl(QStringLiteral("http://127.0.0.1:%1/version.json").arg(port))));
}

TEST(DownloadPage, OnlyWebAddressesWithAHostAreOpened)
{
    EXPECT_EQ(UpdateChecker::downloadPage("https://example.org/download?v=2"),
              QUrl(QStringLiteral("https://example.org/download?v=2")));
    EXPECT_TRUE(UpdateChecker::downloadPage("http://example.org"));
    EXPECT_TRUE(UpdateChecker::downloadPage("HTTPS://EXAMPLE.ORG/"));
    for (const char* hostile : {"file:///etc/passwd", "javascript:alert(1)", "ftp://example.org/x",
                                "smb://host/share", "/usr/bin/xterm", "//example.org/x", "https://",
                                "not a url", "", "data:text/html,<script>1</script>"})
        EXPECT_FALSE(UpdateChecker::downloadPage(hostile)) << hostile;
}

TEST(UpdateAlerts, TextsOfTheThreeAlerts)
{
    UpdateChecker::Manifest manifest{"1.4.2", "https://example.org", std::nullopt};
    auto update = UpdateChecker::updateAlert(manifest, "1.4.1");
    EXPECT_EQ(update.title, "A new version of Tarnix is available");
    EXPECT_EQ(update.message, "Version 1.4.2 is available — you're on 1.4.1.");
    EXPECT_EQ(update.buttons, (std::vector<std::string>{"Download", "Later"}));
    manifest.notes = "";
    EXPECT_EQ(UpdateChecker::updateAlert(manifest, "1.4.1").message, update.message);
    manifest.notes = "Faster export.";
    EXPECT_EQ(UpdateChecker::updateAlert(manifest, "1.4.1").message,
              "Version 1.4.2 is available — you're on 1.4.1.\n\nFaster export.");

    EXPECT_EQ(UpdateChecker::upToDateAlert("1.4.1"),
              (UpdateChecker::Alert{"You're up to date", "Tarnix 1.4.1 is the latest version.", {"OK"}}));
    EXPECT_EQ(UpdateChecker::failureAlert(),
              (UpdateChecker::Alert{"Couldn't check for updates", "Check your internet connection and try again.", {"OK"}}));
    EXPECT_EQ(UpdateChecker::currentVersion(), std::optional<std::string>(TARNIX_TEST_VERSION));
}
