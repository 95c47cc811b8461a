#pragma once

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "ui/AppAlert.h"

// The application's window on the test services' X server, over a session that writes into a
// folder of the test's own; alerts are collected in `alerts` instead of being shown.

namespace tarnix::test {

// The window over a session of its own, for a test to open and close.
struct WindowOverTestSession {
    void openWindow()
    {
        session = makeTestSession(folder.path());
        previousPresenter = AppAlert::setPresenter([this](const AppAlert::Request& request) {
            alerts.push_back(request);
            return 0;
        });
        window = std::make_unique<RecorderWindow>(*session);
        window->setChecksForUpdatesAtLaunch(false);
    }
    void closeWindow()
    {
        window.reset();
        session.reset();
        AppAlert::setPresenter(std::move(previousPresenter));
    }

    TemporaryFolder folder;
    std::unique_ptr<RecordingSession> session;
    std::unique_ptr<RecorderWindow> window;
    std::vector<AppAlert::Request> alerts;
    AppAlert::Presenter previousPresenter;
};

class RecorderWindowFixture : public testing::Test, protected WindowOverTestSession {
protected:
    void SetUp() override
    {
        if (!requireDisplay())
            GTEST_SKIP();
        ensureWidgetApplication();
        openWindow();
    }

    void TearDown() override { closeWindow(); }

    void showWindow()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    RecorderControlBar& bar() { return *window->controlBar(); }

    static bool waitFor(double seconds, const std::function<bool()>& condition)
    {
        return processEventsUntil(seconds, condition);
    }
};

} // namespace tarnix::test
