#include "capture/DeviceListing.h"

#include "capture/PropertyValues.h"

namespace tarnix {

QString DeviceListing::errorMessageString() const
{
    return optionalText(errorMessage_);
}

void DeviceListing::setErrorMessage(std::optional<std::string> message)
{
    if (assignIfChanged(errorMessage_, std::move(message)))
        emit errorMessageChanged();
}

} // namespace tarnix
