#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include "support/LoopbackHttpServer.h"
#include "ui/AppAlert.h"
#include "ui/UpdatePrompt.h"

using namespace tarnix;
using tarnix::test::LoopbackHttpServer;

namespace {

// Runs one check against the loopback server, answering every alert with `choice`, and records
// the alerts shown and the pages opened.
class UpdatePrompt : public testing::Test {
protected:
    void SetUp() override
    {
        previous_ = AppAlert::setPresenter([this](const AppAlert::Request& request) {
            alerts.push_back(request);
            return choice;
        });
    }
    void TearDown() override { AppAlert::setPresenter(std::move(previous_)); }

    void serve(const QByteArray& body, int status = 200) { server.setAnswer({.status = status, .body = body}); }

    void check(bool manual, const std::string& running = "1.4.1")
    {
        bool finished = false;
        tarnix::UpdatePrompt::Options options;
        options.endpoint = server.url();
        options.timeoutMs = 2000;
        options.runningVersion = running;
        options.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        options.finished = [&finished] { finished = true; };
        QObject context;
        if (manual)
            tarnix::UpdatePrompt::checkManually(&context, options);
        else
            tarnix::UpdatePrompt::checkInBackground(&context, options);
        QElapsedTimer timer;
        timer.start();
        while (!finished && timer.elapsed() < 10'000)
            QTest::qWait(5);
        ASSERT_TRUE(finished);
    }

    LoopbackHttpServer server;
    std::vector<AppAlert::Request> alerts;
    std::vector<QUrl> opened;
    int choice = 0;

private:
    AppAlert::Presenter previous_;
};

const QByteArray newer = R"({"version":"1.5","url":"https://example.org/tarnix","notes":"<b>Faster</b> export."})";

} // namespace

TEST_F(UpdatePrompt, ANewerVersionIsOfferedByBothChecksAndDownloadOpensThePage)
{
    serve(newer);
    for (bool manual : {false, true}) {
        alerts.clear();
        opened.clear();
        check(manual);
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].title, QStringLiteral("A new version of Tarnix is available"));
        EXPECT_EQ(alerts[0].message,
                  QStringLiteral("Version 1.5 is available — you're on 1.4.1.\n\n<b>Faster</b> export."));
        EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("Download"), QStringLiteral("Later")}));
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl(QStringLiteral("https://example.org/tarnix")));
    }
}

TEST_F(UpdatePrompt, LaterOpensNothing)
{
    serve(newer);
    choice = 1;
    check(true);
    EXPECT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpdatePrompt, AHostileDownloadAddressIsNeverOpened)
{
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "not a url"}) {
        serve(QByteArray(R"({"version":"9.0","url":")") + url + R"("})");
        opened.clear();
        alerts.clear();
        check(true);
        EXPECT_EQ(alerts.size(), 1u) << url;
        EXPECT_TRUE(opened.empty()) << url;
    }
}

TEST_F(UpdatePrompt, AnEqualOrOlderVersionIsSilentQuietlyAndUpToDateManually)
{
    for (const char* version : {"1.4.1", "1.4.1.0", "1.3.9"}) {
        serve(QByteArray(R"({"version":")") + version + R"(","url":"https://example.org"})");
        alerts.clear();
        check(false);
        EXPECT_TRUE(alerts.empty()) << version;
        check(true);
        ASSERT_EQ(alerts.size(), 1u) << version;
        EXPECT_EQ(alerts[0].title, QStringLiteral("You're up to date"));
        EXPECT_EQ(alerts[0].message, QStringLiteral("Tarnix 1.4.1 is the latest version."));
    }
}

TEST_F(UpdatePrompt, AFailedFetchIsSilentQuietlyAndReportedManually)
{
    serve("<html><body>Not Found</body></html>", 404);
    check(false);
    EXPECT_TRUE(alerts.empty());
    check(true);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, QStringLiteral("Couldn't check for updates"));
    EXPECT_EQ(alerts[0].message, QStringLiteral("Check your internet connection and try again."));
    EXPECT_EQ(alerts[0].buttons, QStringList{QStringLiteral("OK")});
}
