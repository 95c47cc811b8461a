#pragma once

#include <QObject>

#include <filesystem>
#include <functional>
#include <optional>

#include "app/DesktopNotifier.h"

// Tells the desktop when an export ends while the Studio's window is not the active one (the user
// went on with something else while it ran): "Export finished" with a "Show in Files" action, or
// "Export failed" with the reason. While the window is active the Studio's own result row and
// alert say it; a cancelled export says nothing.
//
// Threads: GUI thread.

namespace tarnix {

class StudioExporter;

class ExportNotifier : public QObject {
    Q_OBJECT

public:
    // `windowIsActive` answers whether the Studio's window has the focus right now.
    ExportNotifier(StudioExporter& exporter, std::function<bool()> windowIsActive, QObject* parent = nullptr);

    DesktopNotifier& notifier() { return notifier_; }

private:
    void exportFinished(const std::optional<std::filesystem::path>& output,
                        const std::optional<QString>& errorMessage);

    std::function<bool()> windowIsActive_;
    DesktopNotifier notifier_;
};

} // namespace tarnix
