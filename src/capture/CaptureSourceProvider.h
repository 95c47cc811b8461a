#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "capture/CaptureSource.h"

// Lists the displays, windows and applications that can be recorded and resolves the identifier
// the user picked. The lists fill on the first refresh(); a failed refresh keeps the previous
// lists and sets errorMessage.
//
// Threads: a QObject of the GUI thread; refresh() reads the X server, or asks the portal what it
// shares, there (a few milliseconds). The session's backend is chosen at construction.

namespace tarnix {

class CaptureSourceProvider : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)

public:
    using Lister = std::function<ShareableContent()>;

    explicit CaptureSourceProvider(QObject* parent = nullptr);

    const std::vector<DisplayInfo>& displays() const { return lists_.displays; }
    const std::vector<WindowInfo>& windows() const { return lists_.windows; }
    const std::vector<ApplicationInfo>& applications() const { return lists_.applications; }
    const std::vector<WindowInfo>& ownWindows() const { return lists_.ownWindows; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    QString errorMessageString() const;
    // The lister's own description of the last failure ("can't open display :9"), for callers
    // that word the message themselves (the command line has no ↻ button).
    const std::optional<std::string>& listingFailure() const { return listingFailure_; }

    // Replaces the X11 lister (tests); it raises std::exception on failure.
    void setLister(Lister lister);
    // Lists what the ScreenCast portal offers instead of the X server's sources; `lister`
    // replaces asking the portal (tests).
    void usePortal(std::function<SourceLists()> lister = {});
    CaptureBackend backend() const { return backend_; }
    // Replaces this process's id as the owner of "own" windows (tests).
    void setOwnProcessID(std::int64_t pid) { ownPid_ = pid; }

    // Re-reads the lists, or sets errorMessage and keeps them.
    void refresh();
    // The source with this identifier in the current lists.
    std::optional<CaptureSource> source(const std::optional<std::string>& identifier) const;

signals:
    void listsChanged();
    void errorMessageChanged();

private:
    SourceLists lists_;
    std::optional<std::string> errorMessage_;
    std::optional<std::string> listingFailure_;
    std::function<SourceLists()> list_;
    CaptureBackend backend_ = CaptureBackend::x11;
    std::int64_t ownPid_;
};

} // namespace tarnix
