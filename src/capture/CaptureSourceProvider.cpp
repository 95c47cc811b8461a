#include "capture/CaptureSourceProvider.h"

#include <unistd.h>

#include "capture/CaptureMessages.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix {

CaptureSourceProvider::CaptureSourceProvider(QObject* parent)
    : QObject(parent)
    , lister_([] {
        x11::Connection connection;
        return x11::listShareableContent(connection);
    })
    , ownPid_(getpid())
{
}

QString CaptureSourceProvider::errorMessageString() const
{
    return errorMessage_ ? QString::fromStdString(*errorMessage_) : QString();
}

void CaptureSourceProvider::refresh()
{
    std::optional<std::string> message;
    listingFailure_.reset();
    try {
        lists_ = filterSources(lister_(), ownPid_);
        emit listsChanged();
    } catch (const std::exception& error) {
        listingFailure_ = error.what();
        message = CaptureMessages::listingFailed(error.what());
    }
    if (errorMessage_ != message) {
        errorMessage_ = std::move(message);
        emit errorMessageChanged();
    }
}

std::optional<CaptureSource> CaptureSourceProvider::source(const std::optional<std::string>& identifier) const
{
    return resolveSource(lists_, identifier);
}

} // namespace tarnix
