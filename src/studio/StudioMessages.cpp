#include "studio/StudioMessages.h"

namespace tarnix {

void StudioMessages::setErrorMessage(const QString& message)
{
    if (errorMessage_ == message)
        return;
    errorMessage_ = message;
    emit errorMessageChanged(message);
}

void StudioMessages::refuseEdit(const QString& reason)
{
    editNotice_ = reason;
    emit editNoticeChanged();
}

void StudioMessages::addNotice(const QString& text)
{
    if (editNotice_ && editNotice_->contains(text))
        return;
    refuseEdit(editNotice_ ? *editNotice_ + QLatin1Char(' ') + text : text);
}

void StudioMessages::clearEditNotice()
{
    if (!editNotice_)
        return;
    editNotice_.reset();
    emit editNoticeChanged();
}

} // namespace tarnix
