#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

namespace tarnix {

// What the camera and microphone lists share: the signal of a new list and why the last listing
// found nothing usable (no access, no sound server), as a property of the GUI thread.
class DeviceListing : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)
public:
    using QObject::QObject;
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    QString errorMessageString() const;
    void setErrorMessage(std::optional<std::string> message);
signals:
    void devicesChanged();
    void errorMessageChanged();

private:
    std::optional<std::string> errorMessage_;
};

} // namespace tarnix
