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
#include <QSettings>
#include <QStandardPaths>
#include <QWindow>

#include <nlohmann/json.hpp>

#include <chrono>
#include <thread>

#include "recorder/AreaOverlay.h"
#include "recorder/BarControls.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecorderWindowFixture.h"
#include "recorder/SourceKindPicker.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "ui/AppAlert.h"
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

// The application's bar as the user meets it, recording into a folder of its own with its
// settings (the last area, the desktop's restore token) in another; alerts are noted, not shown.
struct BarOnDesktop : WindowOverTestSession {
    TemporaryFolder settingsFolder;

    BarOnDesktop()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settingsFolder.path().string()));
        openWindow();
        window->show();
    }
    ~BarOnDesktop()
    {
        closeWindow();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    QAction* chooseArea() const
    {
        return menuAction(window->controlBar()->sourcePicker()->menu(SourceKind::area), QStringLiteral("Choose an area"));
    }
    AreaOverlay* shownOverlay() const
    {
        AreaOverlay* overlay = window->areaOverlay();
        return overlay && overlay->windowHandle() && overlay->windowHandle()->isExposed() && overlay->isActiveWindow()
                   ? overlay
                   : nullptr;
    }
    std::vector<fs::path> movies() const
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            if (entry.path().extension() == ".mp4")
                found.push_back(entry.path());
        return found;
    }
};

// Where `picture` is exactly `colour`; empty when nowhere.
QRect boundsOf(const QImage& picture, QColor colour)
{
    QRect bounds;
    const QImage pixels = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            if (pixels.pixel(x, y) == colour.rgb())
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The colour as the overlay dims it.
QColor dimmed(QColor colour)
{
    const double kept = 1.0 - 140.0 / 255.0;
    return QColor::fromRgbF(colour.redF() * kept, colour.greenF() * kept, colour.blueF() * kept);
}

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
        shown = screen("area-overlay-sway-translucent");
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

// What a test does on a desktop as its user: the pointer, the two keys, the whole screen, and how
// often the desktop has asked what to share (nothing where it cannot be told).
struct DesktopHands {
    std::function<void(const QStringList&)> pointer;
    std::function<void()> escape;
    std::function<void()> enter;
    std::function<QImage(const std::string&)> screen;
    std::function<std::optional<std::ptrdiff_t>()> questions = [] { return std::nullopt; };
    // Makes the desktop's chooser decline (true) or answer again; none where it cannot.
    std::function<void(bool)> declining;
};

// Area on the real bar: the desktop is asked which display to share, the overlay shows the first
// picture of that cast dimmed around the area, and the recording takes the same cast over, so
// the desktop is not asked again. Escape ends the desktop's sharing and records nothing.
void recordAnAreaFromTheBar(BarOnDesktop& bar, const DesktopHands& hands, const std::string& screenshot)
{
    ASSERT_TRUE(processEventsUntil(20, [&] { return bar.window->windowHandle() && bar.window->windowHandle()->isExposed(); }));
    QAction* choose = bar.chooseArea();
    ASSERT_TRUE(choose);
    if (hands.declining) {
        // Declined: no overlay, nothing shared.
        const auto asked = hands.questions();
        hands.declining(true);
        choose->trigger();
        ASSERT_TRUE(processEventsUntil(30, [&] { return hands.questions() > asked && !bar.session->isSharingAhead(); }));
        hands.declining(false);
        EXPECT_FALSE(bar.window->areaOverlay());
        EXPECT_FALSE(bar.session->holdsSharedDisplay());
    }
    const auto askedBefore = hands.questions();

    choose->trigger();
    ASSERT_TRUE(processEventsUntil(30, [&] { return bar.shownOverlay(); }));
    if (askedBefore) {
        EXPECT_EQ(hands.questions(), *askedBefore + 1);
    }
    EXPECT_TRUE(bar.session->holdsSharedDisplay());
    EXPECT_FALSE(bar.shownOverlay()->still().isNull());
    hands.escape();
    ASSERT_TRUE(processEventsUntil(20, [&] { return !bar.window->areaOverlay(); }));
    EXPECT_FALSE(bar.session->holdsSharedDisplay()) << "the desktop stops sharing";
    EXPECT_FALSE(bar.session->isRecording());

    choose->trigger();
    ASSERT_TRUE(processEventsUntil(30, [&] { return bar.shownOverlay(); }));
    AreaOverlay* overlay = bar.shownOverlay();
    // A restore token from the first share may spare the user the second question.
    const auto asked = hands.questions();
    // The still is the shared output at the overlay's size, with the known window's square on it.
    const QImage& still = overlay->still();
    ASSERT_FALSE(still.isNull()) << "the overlay is drawn over the cast's first picture";
    EXPECT_EQ(still.size(), QSize(1280, 720));
    const QRect square = boundsOf(still, QColor(0, 0, 255));
    ASSERT_EQ(square.size(), QSize(200, 200)) << "the known window's square in the still";

    // An area from the middle of the square rightwards: its left half stays dimmed outside.
    const QRect area(square.center().x() + 1, square.top() + 20, 300, 240);
    movePointerTo(area.topLeft(), hands.pointer);
    hands.pointer({"down", "abs", QString::number(area.center().x()), QString::number(area.center().y()), "sleep",
                   "50", "abs", QString::number(area.right() + 1), QString::number(area.bottom() + 1), "sleep", "50",
                   "up"});
    ASSERT_TRUE(processEventsUntil(10, [&] { return overlay->recordButton()->isVisible(); }));
    ASSERT_EQ(overlay->selection().area(), area);
    const QPoint outside(square.left() + 20, square.center().y());
    const QPoint inside(square.right() - 20, square.center().y());
    QImage shown;
    processEventsUntil(10, [&] {
        shown = hands.screen(screenshot);
        return colourNear(shown.pixelColor(outside), dimmed(Qt::blue));
    });
    EXPECT_TRUE(colourNear(shown.pixelColor(outside), dimmed(Qt::blue)))
        << "outside the area, the dimmed desktop: " << shown.pixelColor(outside).name().toStdString();
    EXPECT_TRUE(colourNear(shown.pixelColor(inside), Qt::blue)) << shown.pixelColor(inside).name().toStdString();
    expectOutlineOn(shown, area);

    hands.enter();
    ASSERT_TRUE(processEventsUntil(30, [&] { return bar.session->isRecording() && !bar.window->model().isBusy(); }))
        << bar.window->model().currentError().value_or("");
    EXPECT_EQ(hands.questions(), asked) << "the recording took over the shared display";
    EXPECT_FALSE(bar.session->holdsSharedDisplay());
    ASSERT_TRUE(bar.session->recordingSource());
    EXPECT_EQ(bar.session->recordingSource()->area(), area);
    ASSERT_TRUE(processEventsUntil(20, [&] { return bar.session->recorder().appendedFrameCount() > 5; }));
    bar.window->model().toggleRecording();
    ASSERT_TRUE(processEventsUntil(60, [&] { return bar.session->completedTimeline().has_value(); }));

    const auto movies = bar.movies();
    ASSERT_EQ(movies.size(), 1u) << "the cancelled area recorded nothing";
    QImage last;
    forEachVideoFrame(movies.front(), [&](const QImage& frame, double) { last = frame.copy(); });
    ASSERT_EQ(last.size(), area.size());
    EXPECT_TRUE(colourNear(last.pixelColor(inside - area.topLeft()), Qt::blue))
        << "the square, undimmed: " << last.pixelColor(inside - area.topLeft()).name().toStdString();
    const QPoint besideSquare(square.right() + 20 - area.x(), square.center().y() - area.y());
    EXPECT_TRUE(colourNear(last.pixelColor(besideSquare), QColor(0, 0xc0, 0)))
        << "the known window beside it: " << last.pixelColor(besideSquare).name().toStdString();
}

TEST_F(AreaOverlayOnSway, AreaFromTheBarDrawsOverTheSharedDisplayAndRecordsItsRectangle)
{
    BarOnDesktop bar;
    DesktopHands hands;
    hands.pointer = pointer;
    hands.escape = [] { key("Escape"); };
    hands.enter = [] { key("Return"); };
    hands.screen = screen;
    hands.questions = [] {
        const std::string log = fileText(desktop->base / "chooser.log");
        return std::optional<std::ptrdiff_t>(std::count(log.begin(), log.end(), '\n'));
    };
    hands.declining = [](bool decline) {
        if (decline)
            std::ofstream(desktop->base / "decline");
        else
            fs::remove(desktop->base / "decline");
    };
    recordAnAreaFromTheBar(bar, hands, "area-overlay-sway");
}

// sway scaled to 2: the overlay is 640 × 360 points over the cast's 1280 × 720 pixels, sharp; an
// area drawn in points is recorded from the same place of the cast, in its pixels.
TEST_F(AreaOverlayOnSway, OnAScaledOutputTheAreaDrawnInPointsIsRecordedInTheCastsPixels)
{
    auto devicePixelRatio = [] { return QGuiApplication::primaryScreen()->devicePixelRatio(); };
    runTool("swaymsg", {"output", "HEADLESS-1", "scale", "2"});
    struct BackToScaleOne {
        std::function<qreal()> ratio;
        ~BackToScaleOne()
        {
            runTool("swaymsg", {"output", "HEADLESS-1", "scale", "1"});
            processEventsUntil(10, [&] { return ratio() == 1; });
        }
    } restore{devicePixelRatio};
    ASSERT_TRUE(processEventsUntil(10, [&] { return devicePixelRatio() == 2; }));
    // The virtual pointer's extent is the output's pixels: twice its points.
    auto pointerInPoints = [](const QStringList& commands) {
        QStringList scaled = commands;
        for (qsizetype i = 0; i + 2 < scaled.size(); ++i)
            if (scaled[i] == "abs")
                for (qsizetype at : {i + 1, i + 2})
                    scaled[at] = QString::number(scaled[at].toInt() * 2);
        pointer(scaled);
    };

    BarOnDesktop bar;
    ASSERT_TRUE(processEventsUntil(20, [&] { return bar.window->windowHandle() && bar.window->windowHandle()->isExposed(); }));
    bar.chooseArea()->trigger();
    ASSERT_TRUE(processEventsUntil(30, [&] { return bar.shownOverlay(); }));
    AreaOverlay* overlay = bar.shownOverlay();
    EXPECT_EQ(overlay->size(), QSize(640, 360));
    EXPECT_EQ(overlay->still().size(), QSize(1280, 720)) << "the cast's own pixels, not scaled down";
    EXPECT_EQ(overlay->still().devicePixelRatio(), 2);
    const QRect square = boundsOf(overlay->still(), QColor(0, 0, 255));
    ASSERT_EQ(square.size(), QSize(400, 400)) << "the known window's square, scaled with the output";

    const QRect area(square.center().x() / 2, square.top() / 2 + 10, 150, 100);
    movePointerTo(area.topLeft(), pointerInPoints);
    pointerInPoints({"down", "abs", QString::number(area.center().x()), QString::number(area.center().y()), "sleep",
                     "50", "abs", QString::number(area.right() + 1), QString::number(area.bottom() + 1), "sleep",
                     "50", "up"});
    ASSERT_TRUE(processEventsUntil(10, [&] { return overlay->recordButton()->isVisible(); }));
    ASSERT_EQ(overlay->selection().area(), area);
    key("Return");
    ASSERT_TRUE(processEventsUntil(30, [&] { return bar.session->isRecording() && !bar.window->model().isBusy(); }))
        << bar.window->model().currentError().value_or("");
    const QRect pixels(area.topLeft() * 2, area.size() * 2);
    EXPECT_EQ(bar.session->recordingSource()->area(), pixels);
    ASSERT_TRUE(processEventsUntil(20, [&] { return bar.session->recorder().appendedFrameCount() > 5; }));
    bar.window->model().toggleRecording();
    ASSERT_TRUE(processEventsUntil(60, [&] { return bar.session->completedTimeline().has_value(); }));

    QImage last;
    forEachVideoFrame(bar.movies().at(0), [&](const QImage& frame, double) { last = frame.copy(); });
    ASSERT_EQ(last.size(), pixels.size());
    const int row = 10; // above the bar, which the scale makes tall
    last.save(QString::fromStdString(screenshotPath("area-recorded-sway-scale-2").string()));
    EXPECT_TRUE(colourNear(last.pixelColor(square.right() - 20 - pixels.x(), row), Qt::blue))
        << "the square's right half starts the picture";
    EXPECT_TRUE(colourNear(last.pixelColor(square.right() + 20 - pixels.x(), row), QColor(0, 0xc0, 0)))
        << "the known window beside it";
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
    expectOutlineOn(screen("area-overlay-gnome-translucent"), QRect(300, 200, 400, 250));

    pointer({"key", "28"}); // Enter
    ASSERT_TRUE(open.waitUntilClosed());
    EXPECT_EQ(open.confirmed, QRect(300, 200, 400, 250));
}

TEST_F(AreaOverlayOnGnome, AreaFromTheBarDrawsOverTheSharedDisplayAndRecordsItsRectangle)
{
    // The desktop's restore token, as a user who has answered GNOME's question once has: its
    // dialog must not open here.
    BarOnDesktop bar;
    QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"))
        .setValue(QStringLiteral("ScreenCast/displayRestoreToken"),
                  QString::fromStdString(fileText(desktop->base / "display-token")).trimmed());
    DesktopHands hands;
    hands.pointer = pointer;
    hands.escape = [] { pointer({"key", "1"}); };
    hands.enter = [] { pointer({"key", "28"}); };
    hands.screen = screen;
    recordAnAreaFromTheBar(bar, hands, "area-overlay-gnome");
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
