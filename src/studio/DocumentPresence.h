#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>

#include <filesystem>
#include <vector>

// Whether another Studio has the same document open, on this machine and for this user. The
// first Studio to open a document listens on a local socket named after the document's path (in
// the abstract namespace: nothing on disk, and nothing left behind by a crash); a later one
// connects to it. Both then know: the later one at once, the first when the connection arrives.
// When the first closes, a later one takes its place.
//
// Threads: GUI thread only.

namespace tarnix {

class DocumentPresence : public QObject {
    Q_OBJECT

public:
    explicit DocumentPresence(const std::filesystem::path& document, QObject* parent = nullptr);
    ~DocumentPresence() override;

    // Another Studio has this document open now.
    bool sharedWithAnother() const { return !peers_.empty() || client_; }

signals:
    void sharedChanged();

private:
    void claim();
    void dropPeer(QLocalSocket* peer);

    QString name_;
    QLocalServer server_;
    QLocalSocket* client_ = nullptr;      // our connection to the first Studio
    std::vector<QLocalSocket*> peers_;    // later Studios connected to us
};

} // namespace tarnix
