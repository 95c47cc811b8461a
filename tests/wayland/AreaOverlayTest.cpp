// The area overlay as a client of a real Wayland desktop (sway, then GNOME's mutter): a window the
// desktop shows full screen over what it has, dimmed outside the area with the area's size shown,
// driven by the desktop's own pointer and keyboard. Enter or "Record" confirms, Escape cancels.
// Each desktop's whole screen is saved under build/screenshots for a person to look at.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QWindow>

#include <nlohmann/json.hpp>

#include <chrono>
#include <thread>

#include "recorder/AreaOverlay.h"
#include "recorder/BarControls.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "ui/StudioTheme.h"
#include "wayland/WaylandDesktop.h"

namespace fs = std::filesystem;
using namespace tarnix;
using namespace tarnix::test;

namespace {

// The application of a fixture's tests, made once its desktop runs (Qt connects to the desktop
// when it is made) and gone before the desktop stops (Qt ends a program whose desktop went away).
//
// Not under AddressSanitizer: Qt's Wayland client leaves libwayland-client objects behind when
// the application ends, which the leak checker reports from inside system libraries it cannot
// see into. The overlay's own code runs under the sanitizers in the X11 tests.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderLeakChecker = true;
#else
inline constexpr bool kUnderLeakChecker = false;
#endif

template <class Fixture>
class WithWaylandApplication : public OnWaylandDesktop<Fixture> {
public:
    static void SetUpTestSuite()
    {
        if (kUnderLeakChecker)
            return;
        OnWaylandDesktop<Fixture>::SetUpTestSuite();
        if (OnWaylandDesktop<Fixture>::desktop->skipReason)
            return;
        Fixture::prepareDesktop();
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        static int argc = 1;
        static char name[] = "tarnix-area-overlay-tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        StudioTheme::applyTo(*app);
    }

    static void TearDownTestSuite()
    {
        if (kUnderLeakChecker)
            return;
        delete app;
        app = nullptr;
        Fixture::clearDesktop();
        OnWaylandDesktop<Fixture>::TearDownTestSuite();
    }

    void SetUp() override
    {
        if (kUnderLeakChecker)
            GTEST_SKIP() << "Qt's Wayland client leaks at its end under the leak checker";
        OnWaylandDesktop<Fixture>::SetUp();
    }

private:
    static inline QApplication* app = nullptr;
};

// Runs a tool to its end while this program goes on answering the desktop; its output on failure.
void runTool(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty())
        tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    ASSERT_TRUE(processEventsUntil(60, [&] { return tool.state() == QProcess::NotRunning; }))
        << program.toStdString() << " did not end";
    EXPECT_TRUE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0)
        << program.toStdString() << ": " << tool.readAll().toStdString();
}

// A virtual input device of the desktop that lives while its tests run (a client learns of a
// device only when one appears: one that appears with its first event comes too late for it),
// fed commands a line at a time; it says "ready" first, then answers each line with "done".
class InputDevice {
public:
    InputDevice(const QString& program, const QStringList& arguments)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, arguments);
    }
    ~InputDevice()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    // Whether it runs and has said "ready" (its device exists); waits without an event loop,
    // since devices are made before the application.
    bool ready()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!answers_.contains("ready\n") && process_.state() != QProcess::NotRunning &&
               std::chrono::steady_clock::now() < deadline) {
            process_.waitForReadyRead(100);
            answers_ += process_.readAllStandardOutput();
        }
        return answers_.contains("ready\n");
    }

    void send(const QStringList& commands)
    {
        process_.write((commands.join(' ') + '\n').toUtf8());
        ++sent_;
        // Made before the application, the process has no place in its event loop: its answers
        // are read by waiting on them, a moment at a time, while the overlay goes on working.
        ASSERT_TRUE(processEventsUntil(30, [&] {
            process_.waitForReadyRead(10);
            answers_ += process_.readAllStandardOutput();
            return answers_.count("done\n") >= sent_ || process_.state() == QProcess::NotRunning;
        }));
        ASSERT_EQ(answers_.count("done\n"), sent_) << "the input device ended";
    }

private:
    QProcess process_;
    QByteArray answers_;
    qsizetype sent_ = 0;
};

bool colourNear(QColor got, QColor expected, int tolerance = 24)
{
    return std::abs(got.red() - expected.red()) < tolerance && std::abs(got.green() - expected.green()) < tolerance &&
           std::abs(got.blue() - expected.blue()) < tolerance;
}

// The area's outline in the overlay's accent colour, on the screen the user sees.
void expectOutlineOn(const QImage& screen, const QRect& area)
{
    ASSERT_EQ(screen.size(), QSize(1280, 720));
    for (QPoint edge : {QPoint(area.left() - 1, area.center().y()), QPoint(area.center().x(), area.top() - 1)})
        EXPECT_TRUE(colourNear(screen.pixelColor(edge), StudioTheme::accent(), 40))
            << "the outline at " << edge.x() << "," << edge.y() << ": " << screen.pixelColor(edge).name().toStdString();
}

// Moves the pointer to `point` until the application has seen it there: a desktop may still be
// placing a window it has just made full screen when the first motion comes.
void movePointerTo(QPoint point, const std::function<void(const QStringList&)>& pointer)
{
    // A move to where the pointer already is comes to nobody: each try comes from a pixel away.
    const QStringList to{"abs", QString::number(point.x() + 1), QString::number(point.y()),
                         "abs", QString::number(point.x()), QString::number(point.y())};
    for (int attempt = 0; attempt < 20; ++attempt) {
        pointer(to);
        if (processEventsUntil(1, [&] { return QCursor::pos() == point; }))
            return;
    }
    ADD_FAILURE() << "the pointer never came to " << point.x() << "," << point.y();
}

// The outcome of one overlay, opened over the whole screen.
struct OpenOverlay {
    QPointer<AreaOverlay> overlay;
    std::optional<QRect> confirmed;
    bool cancelled = false;

    explicit OpenOverlay(std::optional<QRect> initial = std::nullopt)
    {
        overlay = new AreaOverlay(QGuiApplication::primaryScreen()->geometry(), QImage(), initial);
        QObject::connect(overlay, &AreaOverlay::confirmed, [this](const QRect& area) { confirmed = area; });
        QObject::connect(overlay, &AreaOverlay::cancelled, [this] { cancelled = true; });
        overlay->open();
    }
    ~OpenOverlay() { delete overlay.data(); }

    // Shown over the whole output and given the keyboard.
    bool waitUntilShown()
    {
        return processEventsUntil(20, [&] {
            return overlay && overlay->windowHandle() && overlay->windowHandle()->isExposed() &&
                   overlay->size() == QSize(1280, 720) && overlay->isActiveWindow();
        });
    }

    bool waitUntilClosed()
    {
        return processEventsUntil(20, [&] { return !overlay || !overlay->isVisible(); });
    }
};

fs::path screenshotPath(const std::string& name)
{
    const fs::path folder = fs::path(TARNIX_BINARY_DIR) / "screenshots";
    fs::create_directories(folder);
    return folder / (name + ".png");
}

// ---- sway ----

class AreaOverlayOnSway : public WithWaylandApplication<AreaOverlayOnSway> {
public:
    static void startDesktop(WaylandDesktop& desktop)
    {
        desktop.start(TARNIX_WAYLAND_SESSION, "tarnix-area-sway", {TARNIX_XDPW_SHIM});
    }

    // The headless seat has no input devices: a pointer and a keyboard of its own, before the
    // application connects. Keys come from a second keyboard, which the first keeps the
    // application's keyboard alive for.
    static void prepareDesktop()
    {
        devices = new InputDevice(TARNIX_VIRTUAL_POINTER, {});
        keyboard = new QProcess;
        keyboard->start("wtype", {"-s", "3600000"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool ready = devices->ready() && keyboard->waitForStarted(10000);
        while (ready && !hasKeyboard()) {
            ready = std::chrono::steady_clock::now() < deadline;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!ready)
            desktop->skipReason = "no virtual pointer or keyboard on sway (tarnix_virtual_pointer, wtype)";
    }
    static void clearDesktop()
    {
        if (keyboard) {
            keyboard->kill();
            keyboard->waitForFinished(5000);
        }
        delete keyboard;
        keyboard = nullptr;
        delete devices;
        devices = nullptr;
    }

protected:
    static inline InputDevice* devices = nullptr;
    static inline QProcess* keyboard = nullptr;

    static bool hasKeyboard()
    {
        QProcess inputs;
        inputs.start("swaymsg", {"-r", "-t", "get_inputs"});
        inputs.waitForFinished(10000);
        return inputs.readAllStandardOutput().contains("\"keyboard\"");
    }

    static void pointer(const QStringList& commands) { devices->send(commands); }
    static void key(const QString& name) { runTool("wtype", {"-k", name}); }

    // The whole output, read back from sway (what the user sees).
    static QImage screen(const std::string& name)
    {
        const fs::path path = screenshotPath(name);
        runTool("grim", {QString::fromStdString(path.string())});
        return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
    }

    // The overlay's node in sway's tree.
    static std::optional<nlohmann::json> overlayNode()
    {
        QProcess tree;
        tree.start("swaymsg", {"-r", "-t", "get_tree"});
        tree.waitForFinished(10000);
        std::function<std::optional<nlohmann::json>(const nlohmann::json&)> find =
            [&](const nlohmann::json& node) -> std::optional<nlohmann::json> {
            if (node.value("name", nlohmann::json()).is_string() && node["name"] == "Choose the area to record")
                return node;
            for (const char* children : {"nodes", "floating_nodes"})
                for (const auto& child : node.value(children, nlohmann::json::array()))
                    if (auto found = find(child))
                        return found;
            return std::nullopt;
        };
        return find(nlohmann::json::parse(tree.readAllStandardOutput().toStdString(), nullptr, false));
    }
};

TEST_F(AreaOverlayOnSway, ADragDrawsTheAreaOverTheDesktopAndEnterRecordsIt)
{
    OpenOverlay open;
    ASSERT_TRUE(open.waitUntilShown());
    const auto node = overlayNode();
    ASSERT_TRUE(node) << "sway manages the overlay as a window of its own";
    EXPECT_EQ((*node)["rect"].dump(), R"({"height":720,"width":1280,"x":0,"y":0})") << node->dump();
    EXPECT_EQ((*node)["fullscreen_mode"], 1) << node->dump();

    // A drag from (300, 200) to (701, 451): 401 × 251 drawn, 400 × 250 recorded.
    movePointerTo({300, 200}, pointer);
    pointer({"down", "abs", "500", "330", "sleep", "50", "abs", "701", "451", "sleep", "50", "up"});
    ASSERT_TRUE(processEventsUntil(10, [&] { return open.overlay->recordButton()->isVisible(); }));
    EXPECT_EQ(open.overlay->selection().area(), QRect(300, 200, 400, 250));
    // sway shows nothing under a full-screen window: the overlay is the dimmed screen with the
    // area outlined and its size above it.
    QImage shown;
    processEventsUntil(10, [&] {
        shown = screen("area-overlay-sway");
        return colourNear(shown.pixelColor(299, 325), StudioTheme::accent(), 40);
    });
    expectOutlineOn(shown, QRect(300, 200, 400, 250));

    key("Return");
    ASSERT_TRUE(open.waitUntilClosed());
    EXPECT_EQ(open.confirmed, QRect(300, 200, 400, 250));
    EXPECT_FALSE(open.cancelled);
    EXPECT_FALSE(overlayNode()) << "the overlay's window is gone";
}

TEST_F(AreaOverlayOnSway, EscapeCancelsAndAClickOnRecordConfirmsTheLastArea)
{
    const QRect last(100, 100, 300, 200);
    {
        OpenOverlay open(last);
        ASSERT_TRUE(open.waitUntilShown());
        key("Escape");
        ASSERT_TRUE(open.waitUntilClosed());
        EXPECT_TRUE(open.cancelled);
        EXPECT_FALSE(open.confirmed);
    }
    OpenOverlay open(last);
    ASSERT_TRUE(open.waitUntilShown());
    ASSERT_TRUE(open.overlay->recordButton()->isVisible()) << "the remembered area can be recorded at once";
    const QPoint record = open.overlay->recordButton()->mapTo(open.overlay, open.overlay->recordButton()->rect().center());
    movePointerTo(record, pointer);
    pointer({"down", "sleep", "50", "up"});
    ASSERT_TRUE(open.waitUntilClosed());
    EXPECT_EQ(open.confirmed, last);
}

// ---- GNOME ----

class AreaOverlayOnGnome : public WithWaylandApplication<AreaOverlayOnGnome> {
public:
    static void startDesktop(WaylandDesktop& desktop)
    {
        desktop.start(TARNIX_GNOME_SESSION, "tarnix-area-gnome", {TARNIX_MUTTER_SHIM});
    }
    // mutter's remote-desktop session, started before the application connects, is its pointer
    // and keyboard.
    static void prepareDesktop()
    {
        devices = new InputDevice("/usr/bin/python3", {TARNIX_GNOME_DESKTOP, "pointer"});
        if (!devices->ready())
            desktop->skipReason = "no remote-desktop session on mutter";
    }
    static void clearDesktop()
    {
        delete devices;
        devices = nullptr;
    }

protected:
    static inline InputDevice* devices = nullptr;

    static void pointer(const QStringList& commands) { devices->send(commands); }

    // mutter without GNOME Shell has no screenshot service: the whole monitor comes from a second
    // of tarnix-cli's own recording through the portal.
    static QImage screen(const std::string& name)
    {
        const fs::path settings = desktop->base / "settings-screen";
        fs::create_directories(settings / "Tarnix");
        std::ofstream(settings / "Tarnix/Tarnix.conf")
            << "[ScreenCast]\ndisplayRestoreToken=" << fileText(desktop->base / "display-token");
        const fs::path out = desktop->base / ("screen-" + name);
        fs::remove_all(out);
        fs::create_directories(out);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(settings.string()));
        environment.insert("QT_QPA_PLATFORM", "offscreen"); // a client of the desktop takes no focus
        runTool(TARNIX_CLI, {"record", "--source", "display-0", "--duration", "1", "--out",
                             QString::fromStdString(out.string())},
                environment);
        QImage last;
        for (const auto& entry : fs::directory_iterator(out))
            if (entry.path().extension() == ".mp4")
                forEachVideoFrame(entry.path(), [&](const QImage& frame, double) { last = frame.copy(); });
        last.save(QString::fromStdString(screenshotPath(name).string()));
        return last;
    }
};

TEST_F(AreaOverlayOnGnome, ADragDrawsTheAreaOverTheDesktopAndEnterRecordsIt)
{
    OpenOverlay open;
    ASSERT_TRUE(open.waitUntilShown());
    EXPECT_TRUE(open.overlay->windowHandle()->windowStates() & Qt::WindowFullScreen);

    movePointerTo({300, 200}, pointer);
    pointer({"down", "abs", "500", "330", "sleep", "50", "abs", "701", "451", "sleep", "50", "up"});
    ASSERT_TRUE(processEventsUntil(10, [&] { return open.overlay->recordButton()->isVisible(); }));
    EXPECT_EQ(open.overlay->selection().area(), QRect(300, 200, 400, 250));
    expectOutlineOn(screen("area-overlay-gnome"), QRect(300, 200, 400, 250));

    pointer({"key", "28"}); // Enter
    ASSERT_TRUE(open.waitUntilClosed());
    EXPECT_EQ(open.confirmed, QRect(300, 200, 400, 250));
}

TEST_F(AreaOverlayOnGnome, EscapeCancels)
{
    OpenOverlay open(QRect(100, 100, 300, 200));
    ASSERT_TRUE(open.waitUntilShown());
    pointer({"key", "1"}); // Escape
    ASSERT_TRUE(open.waitUntilClosed());
    EXPECT_TRUE(open.cancelled);
    EXPECT_FALSE(open.confirmed);
}

} // namespace
