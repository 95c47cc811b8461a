#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

// The desktop's org.freedesktop.portal.ScreenCast over the session bus: CreateSession,
// SelectSources, Start (where the desktop may ask the user what to share), OpenPipeWireRemote.
// Each request answers with a Response signal on its own request object, which is subscribed to
// before the call so that no answer is missed.
//
// Threads: GUI thread (the answers arrive through its event loop).

namespace tarnix::portal {

// Bit masks of the portal's AvailableSourceTypes and AvailableCursorModes.
enum SourceType : std::uint32_t { monitorSource = 1, windowSource = 2 };
enum CursorMode : std::uint32_t { hiddenCursor = 1, embeddedCursor = 2, metadataCursor = 4 };

// Why a cast failed when the user said no to the desktop's question.
inline constexpr const char* kSharingDeclined = "the screen-sharing request was cancelled";

struct Capabilities {
    std::uint32_t version = 0;
    std::uint32_t sourceTypes = 0;
    std::uint32_t cursorModes = 0;
};

// Reads the portal's properties (a blocking call of a few milliseconds); nothing when the session
// bus has no ScreenCast portal.
std::optional<Capabilities> queryCapabilities();

// The cursor mode to ask for: the position as metadata where offered (the picture then has no
// cursor), else the cursor drawn into the picture.
std::uint32_t preferredCursorMode(std::uint32_t availableModes);

// A started screen cast.
struct StartedCast {
    int pipeWireFd = -1; // the caller owns it
    std::uint32_t node = 0;
    QPoint position;     // in the desktop's logical space (0,0 when not given)
    QSize size;
    std::uint32_t cursorMode = 0;
    QString sessionHandle;
    std::optional<QString> restoreToken; // for the next request, when the desktop gave one
};

// The streams of Start's results, as the portal marshals them: a(ua{sv}).
struct CastStream {
    std::uint32_t node = 0;
    QPoint position;
    QSize size;
};
std::vector<CastStream> parseStreams(const QVariant& streams);

class ScreenCastRequest : public QObject {
    Q_OBJECT

public:
    struct Options {
        SourceType type = monitorSource;
        std::uint32_t cursorMode = embeddedCursor;
        std::optional<QString> restoreToken;
    };
    using Result = std::variant<StartedCast, std::string>; // the cast, or why there is none
    using Done = std::function<void(Result)>;

    // Runs the whole handshake; `done` runs once on this thread. Deleting the request before
    // then drops the answer (and closes the session if one was made).
    ScreenCastRequest(Options options, Done done, QObject* parent = nullptr);
    ~ScreenCastRequest() override;

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    enum class Step { createSession, selectSources, start };
    void call(Step step, const QString& method, const QVariantList& leading);
    void selectSources();
    void startCast();
    void openRemote(StartedCast cast);
    void finish(Result result);
    void unsubscribe();

    Options options_;
    Done done_;
    Step step_ = Step::createSession;
    QString requestPath_;
    QString sessionHandle_;
};

} // namespace tarnix::portal
