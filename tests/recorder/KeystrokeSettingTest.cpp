#include <gtest/gtest.h>

#include "recorder/KeystrokeSetting.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

TEST(KeystrokeSetting, offUntilSwitchedOnThenRememberedAcrossLaunches)
{
    test::TemporaryFolder folder;
    const QString file = QString::fromStdString((folder.path() / "Tarnix.conf").string());
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(KeystrokeSetting::load(settings), std::nullopt);
        EXPECT_EQ(KeystrokeSetting::save(settings, true), KeyCaptureScope::shortcuts);
    }
    {
        QSettings settings(file, QSettings::IniFormat); // the next launch
        EXPECT_EQ(KeystrokeSetting::load(settings), KeyCaptureScope::shortcuts);
        settings.setValue("recording/everyKey", true);
        EXPECT_EQ(KeystrokeSetting::load(settings), KeyCaptureScope::everyKey);
        EXPECT_EQ(KeystrokeSetting::save(settings, false), std::nullopt);
    }
    QSettings settings(file, QSettings::IniFormat);
    EXPECT_EQ(KeystrokeSetting::load(settings), std::nullopt);
}
