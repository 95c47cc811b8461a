#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

#include <functional>
#include <string>

#include "ui/StudioTheme.h"

// Helpers for the editing views' widget tests: one QApplication, waiting on conditions, finding
// controls by their accessible names as a screen reader would, and screenshots for looking at.

namespace tarnix::test {

inline QApplication& application()
{
    static int argc = 1;
    static char name[] = "tarnix_studio_editing_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        StudioTheme::applyTo(*a);
        return a;
    }();
    return *app;
}

// Processes events until `condition` holds or the deadline passes.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Lets deferred work (posted rebuilds, deleteLater) run.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

template <class W = QWidget>
W* byName(QWidget* root, const QString& accessibleName, int index = 0)
{
    int seen = 0;
    for (W* widget : root->findChildren<W*>())
        if (widget->accessibleName() == accessibleName && widget->isVisibleTo(root) && seen++ == index)
            return widget;
    return nullptr;
}

inline void show(QWidget& widget)
{
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
}

// Every visible control below `root` carries an accessible name.
inline std::vector<std::string> unnamedControls(QWidget* root)
{
    std::vector<std::string> unnamed;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        bool control = qobject_cast<QAbstractButton*>(widget) ||
                       (widget->inherits("QAbstractSlider") && !widget->inherits("QScrollBar"));
        if (control && widget->isVisibleTo(root) && widget->accessibleName().isEmpty())
            unnamed.push_back(widget->metaObject()->className());
    }
    return unnamed;
}

inline QString screenshotPath(const QString& name)
{
    QDir dir(QStringLiteral(TARNIX_BINARY_DIR "/screenshots/studio-editing"));
    dir.mkpath(".");
    return dir.filePath(name + ".png");
}

inline void saveScreenshot(QWidget& widget, const QString& name)
{
    EXPECT_TRUE(widget.grab().save(screenshotPath(name)));
}

} // namespace tarnix::test
