#pragma once

#include <QObject>
#include <QString>

#include <optional>

// What the Studio has to tell the user, without widgets: the last failure, and the notice line
// beside the timeline's caption.
//
// A failure (errorMessage) is shown in the application's alert titled "Something went wrong"
// whenever it changes to a present value. The notice (editNotice) is not a failure: why the last
// edit was refused, or what the recording lacks; the next edit clears it.
//
// Threads: GUI thread only.

namespace tarnix {

class StudioMessages : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    void setErrorMessage(const QString& message);
    // Forgets the last failure, so that the next one is alerted even when it says the same.
    void clearErrorMessage() { errorMessage_.reset(); }

    const std::optional<QString>& editNotice() const { return editNotice_; }
    // Why the last edit was refused (kEverythingCutMessage).
    void refuseEdit(const QString& reason);
    // A notice about the recording rather than an edit (what it lacks); cleared like a refusal.
    void showNotice(const QString& text) { refuseEdit(text); }
    // Adds a sentence to the notice shown now (or shows it).
    void addNotice(const QString& text);
    void clearEditNotice();

signals:
    void errorMessageChanged(const QString& message);
    void editNoticeChanged();

private:
    std::optional<QString> errorMessage_;
    std::optional<QString> editNotice_;
};

} // namespace tarnix
