#pragma once

#include <QWidget>

#include <functional>

#include "recorder/StudioMode.h"

class QPushButton;

// Studio mode until the editor takes its place: the finished recording's files (screen movie,
// camera, microphone, document) by name and folder, a button that opens their folder, and Close.
//
// Threads: GUI thread only.

namespace tarnix {

class FinishedRecordingView : public QWidget {
    Q_OBJECT

public:
    FinishedRecordingView(const StudioMode::Recording& recording, std::function<void()> onClose,
                          QWidget* parent = nullptr);

    // The file names as listed, in order.
    QStringList fileNames() const { return fileNames_; }
    QPushButton* closeButton() const { return close_; }

private:
    QStringList fileNames_;
    QPushButton* close_ = nullptr;
};

} // namespace tarnix
