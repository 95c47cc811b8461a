#include "recorder/ControlBarModel.h"

#include "capture/CaptureError.h"
#include "capture/DeviceWatch.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace tarnix {

namespace {

template <class Devices, class Name>
const auto* findDevice(const Devices& devices, const std::optional<std::string>& identifier, Name name)
{
    using Device = typename Devices::value_type;
    if (!identifier)
        return static_cast<const Device*>(nullptr);
    for (const Device& device : devices)
        if (name(device) == *identifier)
            return &device;
    return static_cast<const Device*>(nullptr);
}

const CameraDevice* findCamera(RecordingSession& session, const std::optional<std::string>& id)
{
    return findDevice(session.cameraProvider().devices(), id, [](const CameraDevice& d) { return d.uniqueID; });
}

const pulse::SourceInfo* findMicrophone(RecordingSession& session, const std::optional<std::string>& id)
{
    return findDevice(session.micProvider().devices(), id, [](const pulse::SourceInfo& d) { return d.name; });
}

} // namespace

const std::vector<SourceKindInfo>& sourceKinds()
{
    static const std::vector<SourceKindInfo> kinds = {
        {SourceKind::display, QT_TRANSLATE_NOOP("tarnix::SourceKind", "Display"), "display", "display-"},
        {SourceKind::window, QT_TRANSLATE_NOOP("tarnix::SourceKind", "Window"), "macwindow", "window-"},
        {SourceKind::application, QT_TRANSLATE_NOOP("tarnix::SourceKind", "App"), "app", "app-"},
        {SourceKind::area, QT_TRANSLATE_NOOP("tarnix::SourceKind", "Area"), "area", "display-"},
    };
    return kinds;
}

ControlBarModel::ControlBarModel(RecordingSession& session, QObject* parent)
    : QObject(parent)
    , session_(session)
{
    auto changed = [this] { emit this->changed(); };
    CaptureSourceProvider& sources = session_.sourceProvider();
    connect(&sources, &CaptureSourceProvider::listsChanged, this, changed);
    connect(&sources, &CaptureSourceProvider::errorMessageChanged, this, changed);
    connect(&session_.recorder(), &ScreenRecorder::errorMessageChanged, this, changed);
    connect(&session_.cameraProvider(), &CameraDeviceProvider::devicesChanged, this, [this] {
        followCameraList();
        emit deviceListsChanged();
        emit this->changed();
    });
    connect(&session_.cameraProvider(), &CameraDeviceProvider::errorMessageChanged, this, changed);
    connect(&session_.micProvider(), &MicrophoneDeviceProvider::devicesChanged, this, [this] {
        followMicrophoneList();
        emit deviceListsChanged();
        emit this->changed();
    });
    connect(&session_.micProvider(), &MicrophoneDeviceProvider::errorMessageChanged, this, changed);
    connect(&session_, &RecordingSession::selectedSourceIDChanged, this, changed);
    connect(&session_, &RecordingSession::includeSystemAudioChanged, this, changed);
    connect(&session_, &RecordingSession::recordingNoticesChanged, this, changed);
    connect(&session_, &RecordingSession::selectedCameraIDChanged, this, [this] {
        camera_.gone = false;
        applyCameraSelection();
        emit this->changed();
    });
    connect(&session_, &RecordingSession::selectedMicIDChanged, this, [this] {
        microphone_.gone = false;
        applyMicrophoneSelection();
        emit this->changed();
    });
    connect(&session_, &RecordingSession::isRecordingChanged, this, [this](bool recording) {
        emit isRecordingChanged(recording);
        relistStale();
        emit this->changed();
    });
    connect(&session_, &RecordingSession::selectedAreaChanged, this, changed);
    connect(&countdown_, &Countdown::changed, this, changed);
    connect(&countdown_, &Countdown::finished, this, &ControlBarModel::toggleNow);
    connect(&session_, &RecordingSession::pausedChanged, this, [this](bool paused) {
        emit pausedChanged(paused);
        emit this->changed();
    });
    connect(&session_.recorder(), &ScreenRecorder::appendedFrameCountChanged, this, &ControlBarModel::countsChanged);
    connect(&session_.cursorTracker(), &CursorTracker::clicksChanged, this, &ControlBarModel::countsChanged);
}

ControlBarModel::~ControlBarModel() = default;

bool ControlBarModel::offersKind(SourceKind kind) const
{
    return kind != SourceKind::application || session_.sourceProvider().backend() != CaptureBackend::portal;
}

namespace {

// "Choose an area…", naming the display where there are several.
std::vector<SourceItem> areaItems(const std::vector<DisplayInfo>& displays)
{
    std::vector<SourceItem> items;
    for (const DisplayInfo& display : displays)
        items.push_back({displayIdentifier(display),
                         displays.size() == 1
                             ? ControlBarModel::tr("Choose an area…").toStdString()
                             : ControlBarModel::tr("Choose an area of %1…")
                                   .arg(QString::fromStdString(display.name))
                                   .toStdString()});
    return items;
}

} // namespace

std::vector<SourceItem> ControlBarModel::sourceItems(SourceKind kind) const
{
    const CaptureSourceProvider& provider = session_.sourceProvider();
    std::vector<SourceItem> items;
    if (kind == SourceKind::area)
        return areaItems(provider.displays());
    if (provider.backend() == CaptureBackend::portal) {
        // One item per kind, which opens the desktop's own picker when recording starts.
        if (kind == SourceKind::display)
            for (const DisplayInfo& display : provider.displays())
                items.push_back({displayIdentifier(display), display.name});
        if (kind == SourceKind::window)
            for (const WindowInfo& window : provider.windows())
                items.push_back({windowIdentifier(window), window.title});
        return items;
    }
    switch (kind) {
    case SourceKind::display:
        // Sizes in points: one point is one X pixel on an unscaled desktop.
        for (const DisplayInfo& display : provider.displays())
            items.push_back({displayIdentifier(display), tr("Entire Display (%1×%2)")
                                                             .arg(display.frame.width())
                                                             .arg(display.frame.height())
                                                             .toStdString()});
        break;
    case SourceKind::window:
        for (const WindowInfo& window : provider.windows()) {
            const std::string owner = window.applicationName.empty() ? tr("Unknown").toStdString() : window.applicationName;
            const std::string title = window.title.empty() ? owner : window.title;
            items.push_back({windowIdentifier(window), title + " — " + owner});
        }
        break;
    case SourceKind::application:
        for (const ApplicationInfo& application : provider.applications())
            items.push_back({applicationIdentifier(application), application.applicationName});
        break;
    case SourceKind::area:
        break;
    }
    return items;
}

std::optional<SourceKind> ControlBarModel::selectedKind() const
{
    const auto& selected = session_.selectedSourceID();
    if (!selected)
        return std::nullopt;
    if (session_.selectedArea() && selected->starts_with("display-"))
        return SourceKind::area;
    for (const SourceKindInfo& info : sourceKinds())
        if (info.kind != SourceKind::area && selected->starts_with(info.prefix))
            return info.kind;
    return std::nullopt;
}

Pill ControlBarModel::cameraPill() const
{
    const auto& selected = session_.selectedCameraID();
    const CameraDevice* device = findCamera(session_, selected);
    return {"video-fill", device ? device->localizedName : tr("No Camera").toStdString(), selected.has_value()};
}

Pill ControlBarModel::microphonePill() const
{
    const auto& selected = session_.selectedMicID();
    const pulse::SourceInfo* device = findMicrophone(session_, selected);
    return {"mic-fill", device ? device->description : tr("No Microphone").toStdString(), selected.has_value()};
}

Pill ControlBarModel::systemAudioPill() const
{
    if (session_.includeSystemAudio())
        return {"speaker-high-fill", tr("System Audio").toStdString(), true};
    return {"speaker-slash-fill", tr("No System Audio").toStdString(), false};
}

std::vector<DeviceItem> ControlBarModel::cameraItems() const
{
    std::vector<DeviceItem> items{{std::nullopt, tr("No Camera").toStdString()}};
    for (const CameraDevice& device : session_.cameraProvider().devices())
        items.push_back({device.uniqueID, device.localizedName});
    return items;
}

std::vector<DeviceItem> ControlBarModel::microphoneItems() const
{
    std::vector<DeviceItem> items{{std::nullopt, tr("No Microphone").toStdString()}};
    for (const pulse::SourceInfo& device : session_.micProvider().devices())
        items.push_back({device.name, device.description});
    return items;
}

bool ControlBarModel::isRecording() const
{
    return session_.isRecording();
}

std::string ControlBarModel::statusText() const
{
    return tr("%1 frames · %2 clicks")
        .arg(session_.recorder().appendedFrameCount())
        .arg(session_.cursorTracker().clicks().size())
        .toStdString();
}

void ControlBarModel::togglePause()
{
    if (busy_ || !session_.isRecording())
        return;
    session_.togglePause();
}

std::optional<std::string> ControlBarModel::currentError() const
{
    for (const auto* message : {&session_.sourceProvider().errorMessage(), &session_.recorder().errorMessage(),
                                &session_.cameraProvider().errorMessage(), &session_.micProvider().errorMessage()})
        if (*message)
            return *message;
    // What went wrong during the recording (sound that went missing...) is said as it happens, and
    // what its stop found once it has stopped.
    std::vector<std::string> notices = notices_;
    for (auto& notice : session_.recordingNotices())
        notices.push_back(std::move(notice));
    if (auto gone = goneDevicesNotice())
        notices.push_back(std::move(*gone));
    if (!notices.empty()) {
        std::string text;
        for (const auto& notice : notices)
            text += (text.empty() ? "" : "\n") + notice;
        return text;
    }
    if (hiddenBarStopHint_ && recordingHidesBar() && !session_.isRecording())
        return hiddenBarStopHint_;
    return std::nullopt;
}

bool ControlBarModel::recordingHidesBar() const
{
    const auto kind = selectedKind();
    return session_.sourceProvider().backend() == CaptureBackend::portal &&
           (kind == SourceKind::display || kind == SourceKind::area);
}

bool ControlBarModel::hidesWhileRecording() const
{
    return recordingHidesBar() && (session_.isRecording() || starting_);
}

void ControlBarModel::addNoticeWhileHidden(std::string notice)
{
    if (std::find(hiddenBarNotices_.begin(), hiddenBarNotices_.end(), notice) == hiddenBarNotices_.end())
        hiddenBarNotices_.push_back(std::move(notice));
}

void ControlBarModel::setHiddenBarStopHint(std::optional<std::string> hint)
{
    hiddenBarStopHint_ = std::move(hint);
    emit changed();
}

void ControlBarModel::takeNotices()
{
    notices_.clear();
    std::vector<std::string> candidates = session_.notices();
    if (hidesWhileRecording())
        candidates.insert(candidates.end(), hiddenBarNotices_.begin(), hiddenBarNotices_.end());
    for (const auto& notice : candidates) {
        if (std::find(shownOnce_.begin(), shownOnce_.end(), notice) != shownOnce_.end())
            continue;
        shownOnce_.push_back(notice);
        notices_.push_back(notice);
    }
}

void ControlBarModel::selectSource(const std::string& identifier)
{
    session_.setSelectedArea(std::nullopt);
    session_.setSelectedSourceID(identifier);
}

void ControlBarModel::chooseArea(const std::string& displayIdentifier)
{
    if (!isRecording() && !busy_)
        emit areaRequested(displayIdentifier);
}

void ControlBarModel::confirmArea(const std::string& displayIdentifier, const QRect& area)
{
    if (isRecording() || busy_)
        return;
    session_.setSelectedSourceID(displayIdentifier);
    session_.setSelectedArea(area);
    beginStart();
}

void ControlBarModel::selectCamera(std::optional<std::string> identifier)
{
    session_.setSelectedCameraID(std::move(identifier));
}

void ControlBarModel::selectMicrophone(std::optional<std::string> identifier)
{
    session_.setSelectedMicID(std::move(identifier));
}

void ControlBarModel::toggleSystemAudio()
{
    session_.setIncludeSystemAudio(!session_.includeSystemAudio());
}

void ControlBarModel::refreshSources()
{
    session_.sourceProvider().refresh();
}

void ControlBarModel::refresh()
{
    refreshSources();
    session_.cameraProvider().refresh();
    session_.micProvider().refresh();
}

void ControlBarModel::toggleRecording()
{
    if (busy_)
        return;
    if (countdown_.isRunning()) {
        cancelCountdown();
        return;
    }
    if (!session_.isRecording() && selectedKind() == SourceKind::area) {
        emit areaRequested(*session_.selectedSourceID());
        return;
    }
    if (session_.isRecording())
        toggleNow();
    else
        beginStart();
}

void ControlBarModel::setCountdownSeconds(int seconds)
{
    if (std::exchange(countdownSeconds_, std::max(0, seconds)) != countdownSeconds_)
        emit changed();
}

void ControlBarModel::setCountdownStep(std::chrono::milliseconds step)
{
    countdown_.setStep(step);
}

std::optional<int> ControlBarModel::countdownRemaining() const
{
    if (!countdown_.isRunning())
        return std::nullopt;
    return countdown_.remaining();
}

void ControlBarModel::cancelCountdown()
{
    countdown_.cancel();
    // Nothing is recorded: a display the desktop shares for the area stops being shared.
    session_.releaseSharedDisplay();
}

void ControlBarModel::beginStart()
{
    if (countdownSeconds_ > 0)
        countdown_.start(countdownSeconds_);
    else
        toggleNow();
}

void ControlBarModel::toggleNow()
{
    if (busy_)
        return;
    busy_ = true;
    const bool starting = !session_.isRecording();
    starting_ = starting;
    emit changed();
    session_.toggleRecording([this, starting] {
        busy_ = false;
        starting_ = false;
        if (starting && session_.isRecording())
            takeNotices();
        relistStale();
        emit changed();
    });
}

void ControlBarModel::watchDevices()
{
    if (watch_)
        return;
    watch_ = std::make_unique<DeviceWatch>();
    connect(watch_.get(), &DeviceWatch::camerasChanged, this, [this] {
        camera_.stale = true;
        relistStale();
    });
    connect(watch_.get(), &DeviceWatch::microphonesChanged, this, [this] {
        microphone_.stale = true;
        relistStale();
    });
}

void ControlBarModel::stopWatchingDevices()
{
    watch_.reset();
}

void ControlBarModel::relistStale()
{
    if (session_.isRecording() || busy_)
        return;
    if (std::exchange(camera_.stale, false))
        session_.cameraProvider().refresh();
    if (std::exchange(microphone_.stale, false))
        session_.micProvider().refresh();
    // A list read during the recording (or a refresh then) is taken up now.
    followCameraList();
    followMicrophoneList();
}

void ControlBarModel::followList(FollowedDevice& followed, bool selected, const std::string* listedName,
                                 const std::function<void()>& release, void (ControlBarModel::*configure)())
{
    // A list read during a recording (the refresh button) is taken up once it is over.
    if (session_.isRecording() || busy_)
        return;
    if (listedName) {
        followed.name = *listedName;
        if (std::exchange(followed.gone, false))
            (this->*configure)(); // back: taken up again
        return;
    }
    if (!selected || followed.gone) {
        followed.gone = followed.gone && selected;
        return;
    }
    followed.gone = true;
    release();
}

void ControlBarModel::followCameraList()
{
    const auto& selected = session_.selectedCameraID();
    const CameraDevice* device = findCamera(session_, selected);
    followList(camera_, selected.has_value(), device ? &device->localizedName : nullptr,
               [this] { session_.cameraRecorder().teardown(); }, &ControlBarModel::applyCameraSelection);
}

void ControlBarModel::followMicrophoneList()
{
    const auto& selected = session_.selectedMicID();
    const pulse::SourceInfo* device = findMicrophone(session_, selected);
    followList(microphone_, selected.has_value(), device ? &device->description : nullptr,
               [this] { session_.micRecorder().teardown(); }, &ControlBarModel::applyMicrophoneSelection);
}

std::optional<std::string> ControlBarModel::goneDevicesNotice() const
{
    QStringList lines;
    if (camera_.gone)
        lines << tr("The camera “%1” is no longer connected: no camera is recorded until it is back.")
                     .arg(QString::fromStdString(camera_.name));
    if (microphone_.gone)
        lines << tr("The microphone “%1” is no longer connected: no microphone is recorded until it is back.")
                     .arg(QString::fromStdString(microphone_.name));
    if (lines.isEmpty())
        return std::nullopt;
    return lines.join(QLatin1Char('\n')).toStdString();
}

void ControlBarModel::applyCameraSelection()
{
    CameraRecorder& recorder = session_.cameraRecorder();
    const CameraDevice* device = findCamera(session_, session_.selectedCameraID());
    if (!device) {
        recorder.teardown();
        return;
    }
    camera_.name = device->localizedName;
    try {
        recorder.configure(*device);
        // The session reads frames on its own thread; starting it only launches that thread.
        recorder.startPreview();
        session_.cameraProvider().setErrorMessage(std::nullopt);
    } catch (const std::exception& error) {
        session_.cameraProvider().setErrorMessage(tr("Couldn't use that camera: %1").arg(QString::fromUtf8(error.what())).toStdString());
    }
}

void ControlBarModel::applyMicrophoneSelection()
{
    MicrophoneRecorder& recorder = session_.micRecorder();
    const pulse::SourceInfo* device = findMicrophone(session_, session_.selectedMicID());
    if (!device) {
        recorder.teardown();
        return;
    }
    microphone_.name = device->description;
    try {
        recorder.configure(device->name);
        session_.micProvider().setErrorMessage(std::nullopt);
    } catch (const std::exception& error) {
        session_.micProvider().setErrorMessage(
            tr("Couldn't use that microphone: %1").arg(QString::fromUtf8(error.what())).toStdString());
    }
}

} // namespace tarnix
