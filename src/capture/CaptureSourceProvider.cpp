#include "capture/CaptureSourceProvider.h"

#include <unistd.h>

#include "capture/CaptureBackend.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/PropertyValues.h"
#include "capture/portal/ScreenCastPortal.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix {

CaptureSourceProvider::CaptureSourceProvider(QObject* parent)
    : QObject(parent)
    , ownPid_(getpid())
{
    setLister([] {
        x11::Connection connection;
        return x11::listShareableContent(connection);
    });
    if (sessionCaptureBackend() == CaptureBackend::portal)
        usePortal();
}

void CaptureSourceProvider::setLister(Lister lister)
{
    backend_ = CaptureBackend::x11;
    list_ = [this, lister = std::move(lister)] { return filterSources(lister(), ownPid_); };
}

void CaptureSourceProvider::usePortal(std::function<SourceLists()> lister)
{
    backend_ = CaptureBackend::portal;
    if (lister) {
        list_ = [lister = std::move(lister)] {
            SourceLists lists = lister();
            lists.backend = CaptureBackend::portal;
            return lists;
        };
        return;
    }
    list_ = [] {
        const auto capabilities = portal::queryCapabilities();
        if (!capabilities)
            throw CaptureError(CaptureMessages::text(CaptureMessages::kNoScreenCastPortal));
        return portalSourceLists(capabilities->sourceTypes & portal::windowSource);
    };
}

QString CaptureSourceProvider::errorMessageString() const
{
    return optionalText(errorMessage_);
}

void CaptureSourceProvider::refresh()
{
    std::optional<std::string> message;
    listingFailure_.reset();
    try {
        lists_ = list_();
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
