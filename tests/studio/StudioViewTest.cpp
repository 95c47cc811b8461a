#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <set>

#include "StudioTestSupport.h"
#include "support/FakeNotificationServer.h"
#include "support/MediaProbe.h"
#include "document/DocumentCoding.h"
#include "media/PreviewPlayer.h"
#include "compositing/TextRenderer.h"
#include "studio/PlayerSurface.h"
#include "studio/handles/PreviewHandle.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/RecordingFiles.h"
#include "studio/StudioEditingViews.h"
#include "studio/StudioExporter.h"
#include "studio/StudioSession.h"
#include "studio/IdleSpeedUp.h"
#include "studio/SpeedPicker.h"
#include "studio/StudioToolbar.h"
#include "studio/StudioView.h"
#include "studio/TransportBar.h"
#include "studio/timeline/TimelineClipView.h"
#include "studio/timeline/TrimHandleView.h"
#include "studio/timeline/TimelineView.h"
#include "ui/AppAlert.h"

namespace tarnix {
namespace {

using test::commitEdit;
using test::waitFor;

// The real Studio on a generated recording (screen with system audio, camera, microphone, clicks),
// on the X server, the sound server and the session bus of the test services. Alerts are caught by
// a presenter that answers with `alertAnswer`.
class StudioViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::requireDisplay());
        recording = test::makeRecording(folder.path(), 3.0, 640, 360);
        previousPresenter = AppAlert::setPresenter([this](const AppAlert::Request& request) {
            alerts.push_back(request);
            return alertAnswer;
        });
    }
    void TearDown() override
    {
        view.reset();
        AppAlert::setPresenter(previousPresenter);
    }

    StudioView& open()
    {
        view = std::make_unique<StudioView>(recording.timeline, recording.documentPath);
        view->resize(1180, 800);
        view->show();
        view->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        EXPECT_TRUE(waitFor([&] { return session().playback().isLoaded() && !surface().frame().isNull(); }));
        return *view;
    }

    StudioSession& session() { return view->session(); }
    PlayerSurface& surface() { return *view->playerSurface(); }

    void screenshot(const std::string& name)
    {
        const auto path = test::screenshotFolder() / (name + ".png");
        EXPECT_TRUE(view->grab().save(QString::fromStdString(path.string())));
    }

    bool exportIdle()
    {
        return waitFor([&] { return !session().exporter().isExporting(); }, 120);
    }

    media::test::TempFolder folder;
    test::GeneratedRecording recording;
    std::unique_ptr<StudioView> view;
    std::vector<AppAlert::Request> alerts;
    int alertAnswer = 0;
    AppAlert::Presenter previousPresenter;
};

TEST_F(StudioViewTest, OpensPlaysWithSoundAndPausesOnSpace)
{
    ASSERT_TRUE(test::requireSoundServer());
    open();
    EXPECT_GE(view->width(), 940);
    EXPECT_NEAR(session().playback().duration(), 3.0, 0.1);
    EXPECT_EQ(view->transportBar()->timeText()->text(), "0:00 / 0:03");
    EXPECT_EQ(view->captionLabel()->text(), "2 zooms · 6 clicks detected");
    const QRect picture = surface().geometry();
    EXPECT_NEAR(double(picture.width()) / picture.height(), 640.0 / 360.0, 0.02)
        << "the picture keeps its aspect ratio";

    QTest::mouseClick(view->transportBar()->playButton(), Qt::LeftButton);
    EXPECT_TRUE(session().playback().isPlaying());
    EXPECT_EQ(view->transportBar()->playButton()->accessibleName(), "Pause");
    ASSERT_TRUE(waitFor([&] { return session().playback().currentTime() > 1.0; }));
    screenshot("studio-playing");
    const auto stats = view->player().statistics();
    EXPECT_GT(stats.framesShown, 10);
    EXPECT_GT(stats.audioFramesPlayed, 0) << "the mixed audio reaches the sound server";

    QTest::keyClick(view.get(), Qt::Key_Space);
    EXPECT_FALSE(session().playback().isPlaying());
    const double pausedAt = session().playback().currentTime();
    test::processEvents(0.3);
    EXPECT_NEAR(session().playback().currentTime(), pausedAt, 0.05) << "paused means paused";
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, SeekLandsOnTheTimeAndAnEditKeepsThePlayhead)
{
    open();
    session().playback().seek(1.5);
    ASSERT_TRUE(waitFor([&] { return !view->player().isSeeking(); }));
    EXPECT_NEAR(view->player().currentTime(), 1.5, 1e-6);
    QTest::mouseClick(view->transportBar()->backButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(session().playback().currentTime(), 0.0);
    QTest::mouseClick(view->transportBar()->forwardButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(session().playback().currentTime(), session().playback().duration());

    session().playback().seek(1.5);
    ASSERT_TRUE(waitFor([&] { return !view->player().isSeeking(); }));
    CursorOverlaySettings cursor = session().editState().cursorOverlay;
    cursor.style = CursorStyle::ring;
    commitEdit(session(), [&](StudioEditState& e) { e.cursorOverlay = cursor; });
    ASSERT_TRUE(waitFor([&] { return session().playback().rebuildsApplied() == 1; }));
    test::processEvents(0.2);
    EXPECT_EQ(session().playback().rebuildsApplied(), 1) << "one edit, one rebuild";
    EXPECT_NEAR(view->player().currentTime(), 1.5, 1e-6);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, DeleteKeysRemoveZoomThenBlurButNotWhileTypingInAField)
{
    open();
    // A text field of the editor (the settings panels may grow some: a title, a colour code).
    auto* panel = new QLineEdit("label", view.get());
    panel->setAccessibleName("Test field");
    panel->setGeometry(400, 300, 120, 24);
    panel->show();
    session().selection().setTab(StudioTab::redact);
    session().selection().setRegionID(session().editState().zoomRegions[0].id);
    session().selection().setRedactID(session().editState().redactRegions[0].id);

    panel->setFocus();
    ASSERT_TRUE(waitFor([&] { return panel->hasFocus(); }));
    QTest::keyClick(panel, Qt::Key_Backspace);
    QTest::keyClick(panel, Qt::Key_Delete);
    EXPECT_EQ(session().editState().zoomRegions.size(), 2u) << "keys in a text field edit the text";
    EXPECT_EQ(panel->text(), "labe");

    view->transportBar()->playButton()->setFocus();
    QTest::keyClick(view->transportBar()->playButton(), Qt::Key_Delete);
    EXPECT_EQ(session().editState().zoomRegions.size(), 1u);
    EXPECT_EQ(session().editState().redactRegions.size(), 1u);
    QTest::keyClick(view->transportBar()->playButton(), Qt::Key_Backspace);
    EXPECT_TRUE(session().editState().redactRegions.empty());
    EXPECT_EQ(view->captionLabel()->text(), "1 zoom · 6 clicks detected");
}

// Whether `frame` shows the pill of `box` where the pill of `shorter` (the same box with a shorter
// text) would not be: over the columns between their left edges, just inside the top of the pill,
// the picture is darkened against the picture just above the pill (the test movie's bars are
// upright, so the two rows show the same colours unless a pill lies over one).
bool showsWiderPill(const QImage& frame, const TextRegion& box, const TextRegion& shorter)
{
    const QSizeF size = frame.size();
    const Rect wide = TextRenderer::boxRect(box, size);
    const Rect narrow = TextRenderer::boxRect(shorter, size);
    const int left = int((wide.minX() + 0.1 * (narrow.minX() - wide.minX())) * size.width());
    const int right = int((narrow.minX() - 0.1 * (narrow.minX() - wide.minX())) * size.width());
    const int inside = int((wide.minY() + 0.08 * wide.height) * size.height()) + 1;
    const int above = int(wide.minY() * size.height()) - 3;
    int lit = 0;
    int darkened = 0;
    for (int x = left; x < right; ++x) {
        const int outer = qGray(frame.pixel(x, above));
        if (outer < 40)
            continue; // too dark to tell
        ++lit;
        darkened += qGray(frame.pixel(x, inside)) < 0.7 * outer;
    }
    return lit >= 5 && darkened >= 0.6 * lit;
}

TEST_F(StudioViewTest, TypingATextBoxShowsInThePreviewAndIsOneUndoStep)
{
    open();
    session().playback().seek(1.0);
    session().createTextRegion(0.5, 2.5);
    const TextRegion made = session().editState().textRegions.at(0);
    QLineEdit* field = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (auto* each : view->editingViews().sidebar()->findChildren<QLineEdit*>())
            if (each->accessibleName() == "Text" && each->isVisible())
                field = each;
        return field != nullptr;
    }));

    field->setFocus();
    ASSERT_TRUE(waitFor([&] { return field->hasFocus(); }));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, "Hello, world");
    TextRegion typed = made;
    typed.text = "Hello, world";
    EXPECT_TRUE(waitFor([&] { return showsWiderPill(surface().frame(), typed, made); }))
        << "the preview draws the typed text before the field is left";
    EXPECT_TRUE(field->hasFocus()) << "the preview's rebuilds leave the field being typed in";
    EXPECT_EQ(session().editState().textRegions[0].text, "Hello, world");
    screenshot("studio-typing-text");

    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(session().flushSaves());
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(recording.documentPath)).textRegions[0].text, "Hello, world");
    session().undo();
    EXPECT_EQ(session().editState().textRegions[0].text, "Text") << "the whole typing is one undo step";
    session().undo();
    EXPECT_TRUE(session().editState().textRegions.empty());
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, RemoveAllKeepsBlurAndUndoRedoWalkBackAndForth)
{
    open();
    QPushButton* removeAll = view->removeAllButton();
    QToolButton* undo = view->toolbar()->undoButton();
    QToolButton* redo = view->toolbar()->redoButton();
    EXPECT_FALSE(undo->isEnabled());

    QTest::mouseClick(removeAll, Qt::LeftButton);
    EXPECT_TRUE(session().editState().zoomRegions.empty());
    EXPECT_EQ(session().editState().redactRegions.size(), 1u);
    EXPECT_FALSE(removeAll->isEnabled());
    EXPECT_EQ(view->captionLabel()->text(), "0 zooms · 6 clicks detected");
    BackgroundSettings solid;
    solid.style = BackgroundStyle::solid;
    commitEdit(session(), [&](StudioEditState& e) { e.background = solid; });
    session().createRedactRegion(0.5, 1.0);

    auto saved = [&] {
        EXPECT_TRUE(session().flushSaves());
        return decodeRecordingTimeline(test::readFile(recording.documentPath));
    };
    EXPECT_EQ(saved().redactRegions.size(), 2u) << "an edit is in the file after its commit";

    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(saved().redactRegions.size(), 1u);
    QTest::mouseClick(undo, Qt::LeftButton);
    EXPECT_EQ(saved().background.style, BackgroundStyle::gradient);
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(saved().zoomRegions.size(), 2u) << "undo makes a mistaken Remove all recoverable";
    EXPECT_TRUE(removeAll->isEnabled());
    EXPECT_FALSE(undo->isEnabled());

    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::mouseClick(redo, Qt::LeftButton);
    QTest::keyClick(view.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(redo->isEnabled());
    const RecordingTimeline file = saved();
    EXPECT_TRUE(file.zoomRegions.empty());
    EXPECT_EQ(file.background.style, BackgroundStyle::solid);
    EXPECT_EQ(file.redactRegions.size(), 2u);

    // The saved file reopens with the same regions and settings.
    const StudioEditState edited = session().editState();
    view.reset();
    auto reopened = RecordingFiles::openDocument(recording.documentPath);
    ASSERT_TRUE(std::holds_alternative<RecordingTimeline>(reopened));
    view = std::make_unique<StudioView>(std::get<RecordingTimeline>(reopened), recording.documentPath);
    EXPECT_EQ(session().editState(), edited);
}

// A file manager on the session bus that notes what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

TEST_F(StudioViewTest, ExportsAt720pShowsProgressAndTheResultRow)
{
    open();
    QToolButton* menuButton = view->toolbar()->resolutionButton();
    EXPECT_EQ(menuButton->text(), "Source");
    for (QAction* action : menuButton->menu()->actions())
        if (action->text() == "720p")
            action->trigger();
    EXPECT_EQ(menuButton->text(), "720p");

    QPushButton* exportButton = view->toolbar()->exportButton();
    EXPECT_FALSE(view->resultRow()->isVisible());
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return exportButton->text().startsWith("Exporting… ") &&
                                     session().exporter().progress() > 0.2; }, 60));
    EXPECT_EQ(exportButton->accessibleName(), exportButton->text());
    screenshot("studio-exporting");
    ASSERT_TRUE(exportIdle());

    const auto expected = folder / "screen-edited-720p.mp4";
    EXPECT_EQ(media::test::probe(expected).width, 1280);
    EXPECT_TRUE(view->resultRow()->isVisible());
    EXPECT_EQ(view->resultText()->text().toStdString(), "Exported to " + expected.string());
    EXPECT_EQ(exportButton->text(), "Export");
    screenshot("studio-exported");
    EXPECT_TRUE(alerts.empty());

    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "the test services start a session bus";
    FakeFileManager manager;
    ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));
    QTest::mouseClick(view->showInFilesButton(), Qt::LeftButton);
    bus.unregisterService("org.freedesktop.FileManager1");
    bus.unregisterObject("/org/freedesktop/FileManager1");
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(QString::fromStdString(expected.string())).toString()});
}

// An export that ends while the user is in another window is announced on the desktop, and the
// notification's "Show in Files" reveals the file; one that ends in front of the user is not.
TEST_F(StudioViewTest, AnExportFinishedBehindAnotherWindowIsNotifiedWithShowInFiles)
{
    test::FakeNotificationServer notifications;
    ASSERT_TRUE(notifications.isRegistered()) << "the test services start a session bus";
    open();
    ASSERT_TRUE(waitFor([&] { return view->isActiveWindow(); }));
    QPushButton* exportButton = view->toolbar()->exportButton();
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(exportIdle());

    QWidget elsewhere;
    elsewhere.setWindowTitle("Another application");
    elsewhere.resize(300, 200);
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(waitFor([&] { return !view->isActiveWindow(); }));
    // A quick first export leaves the second click inside the double-click guard.
    ASSERT_TRUE(waitFor([&] { return session().exporter().acceptsPress(); }));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(exportIdle());
    ASSERT_TRUE(waitFor([&] { return !notifications.notifications().empty(); }));
    const auto second = folder.path() / "screen-edited-2.mp4";
    ASSERT_EQ(notifications.notifications().size(), 1u) << "only the export behind another window";
    const auto shown = notifications.notifications()[0];
    EXPECT_EQ(shown.summary, "Export finished");
    EXPECT_EQ(shown.body.toStdString(), "screen-edited-2.mp4 is in " + folder.path().string());
    ASSERT_EQ(shown.actions, (QStringList{"0", "Show in Files"}));

    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeFileManager manager;
    ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &manager,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.FileManager1"));
    notifications.invokeAction(shown.id, "0");
    const bool revealed = waitFor([&] { return !manager.shown.isEmpty(); });
    bus.unregisterService("org.freedesktop.FileManager1");
    bus.unregisterObject("/org/freedesktop/FileManager1");
    ASSERT_TRUE(revealed);
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(QString::fromStdString(second.string())).toString()});
    EXPECT_TRUE(alerts.empty());
}

QAction* menuEntry(QToolButton* button, const QString& text)
{
    for (QAction* action : button->menu()->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// "Frame rate: 60" is offered for a recording made at more than 30 frames a second; the choice
// plays the preview at 60, shows on the menu button and is remembered for the next Studio.
TEST_F(StudioViewTest, TheFrameRateChoiceIsOfferedPlayedAndRemembered)
{
    open();
    QToolButton* menuButton = view->toolbar()->resolutionButton();
    emit menuButton->menu()->aboutToShow();
    QAction* sixty = menuEntry(menuButton, "Frame rate: 60");
    ASSERT_TRUE(sixty && menuEntry(menuButton, "Frame rate: 30"));
    EXPECT_FALSE(sixty->isEnabled()) << "a 30 fps recording has nothing to show at 60";
    EXPECT_FALSE(sixty->toolTip().isEmpty());
    EXPECT_TRUE(menuEntry(menuButton, "Frame rate: 30")->isChecked());
    view.reset();

    std::filesystem::create_directories(folder.path() / "fast");
    recording = test::makeRecording(folder.path() / "fast", 2.0, 640, 360, 60);
    open();
    menuButton = view->toolbar()->resolutionButton();
    emit menuButton->menu()->aboutToShow();
    sixty = menuEntry(menuButton, "Frame rate: 60");
    ASSERT_TRUE(sixty->isEnabled());
    sixty->trigger();
    EXPECT_EQ(menuButton->text(), "Source · 60 fps");
    ASSERT_TRUE(waitFor([&] { return std::abs(view->player().frameDuration() - 1.0 / 60) < 1e-9; }));
    emit menuButton->menu()->aboutToShow();
    EXPECT_TRUE(sixty->isChecked());
    EXPECT_TRUE(menuButton->menu()->grab().save(
        QString::fromStdString((test::screenshotFolder() / "studio-frame-rate-menu.png").string())));
    screenshot("studio-sixty-fps");
    view.reset();

    open();
    EXPECT_EQ(view->toolbar()->resolutionButton()->text(), "Source · 60 fps") << "remembered";
    EXPECT_DOUBLE_EQ(view->player().frameDuration(), 1.0 / 60);
    menuEntry(view->toolbar()->resolutionButton(), "Frame rate: 30")->trigger();
    EXPECT_EQ(view->toolbar()->resolutionButton()->text(), "Source");
}

// The largest difference between neighbouring pixels of a row, over the three channels.
int roughness(const QImage& frame, int y)
{
    int most = 0;
    for (int x = 1; x < frame.width(); ++x) {
        const QRgb a = frame.pixel(x - 1, y), b = frame.pixel(x, y);
        most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    }
    return most;
}

TEST_F(StudioViewTest, TheExportMenuSwitchesEvenLoudnessAndRemembersIt)
{
    open();
    QAction* even = view->toolbar()->evenLoudnessAction();
    ASSERT_NE(even, nullptr);
    EXPECT_EQ(even->text(), "Even out loudness");
    const bool before = session().exporter().evensOutLoudness();
    emit view->toolbar()->resolutionButton()->menu()->aboutToShow();
    EXPECT_EQ(even->isChecked(), before);

    even->trigger();
    EXPECT_EQ(session().exporter().evensOutLoudness(), !before);
    // The next Studio starts with the choice; then the setting is put back as it was.
    session().exporter().setEvensOutLoudness(before);
    { StudioToolbar another(session(), session().exporter()); }
    EXPECT_EQ(session().exporter().evensOutLoudness(), !before);
    even->trigger();
    EXPECT_EQ(session().exporter().evensOutLoudness(), before);

    // A GIF has no sound to even out.
    session().exporter().setFileType(media::ExportFileType::gif);
    emit view->toolbar()->resolutionButton()->menu()->aboutToShow();
    EXPECT_FALSE(even->isEnabled());
}

TEST_F(StudioViewTest, ExportsAGifAndATallMovieChosenInTheStudio)
{
    open();
    QToolButton* menuButton = view->toolbar()->resolutionButton();
    auto choose = [&](const QString& item) {
        for (QAction* action : menuButton->menu()->actions())
            if (action->text() == item)
                action->trigger();
    };
    choose("GIF");
    EXPECT_EQ(menuButton->text(), "GIF");
    emit menuButton->menu()->aboutToShow(); // ticks the chosen entry as when it opens
    EXPECT_TRUE(menuButton->menu()->grab().save(
        QString::fromStdString((test::screenshotFolder() / "studio-export-menu.png").string())));
    QPushButton* exportButton = view->toolbar()->exportButton();
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return exportButton->text().startsWith("Exporting… "); }));
    ASSERT_TRUE(exportIdle());
    const auto gif = folder / "screen-edited.gif";
    ASSERT_TRUE(std::filesystem::exists(gif)) << "named like the movies, ending in .gif";
    EXPECT_EQ(view->resultText()->text().toStdString(), "Exported to " + gif.string());
    EXPECT_TRUE(alerts.empty());
    int mostColours = 0;
    QSize size;
    const int frames = test::forEachVideoFrame(gif, [&](const QImage& frame, double) {
        size = frame.size();
        std::set<QRgb> colours;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                colours.insert(frame.pixel(x, y));
        mostColours = std::max(mostColours, int(colours.size()));
    });
    EXPECT_EQ(size, QSize(640, 360));
    EXPECT_NEAR(frames, 3.0 * 15, 1) << "15 frames a second";
    EXPECT_LE(mostColours, 256);
    EXPECT_GT(mostColours, 16) << "the palette is the movie's, not a handful of colours";

    // A tall canvas from the background panel, a 720p movie from the menu.
    session().selection().setTab(StudioTab::background);
    QAbstractButton* tall = nullptr;
    ASSERT_TRUE(waitFor([&] {
        for (auto* button : view->findChildren<QAbstractButton*>())
            if (button->accessibleName() == "9:16" && button->isVisible())
                tall = button;
        return tall != nullptr;
    }));
    QTest::mouseClick(tall, Qt::LeftButton);
    EXPECT_EQ(session().editState().background.aspect, CanvasAspect::tall9x16);
    ASSERT_TRUE(waitFor([&] {
        const QImage frame = surface().frame();
        return !frame.isNull() && frame.height() > frame.width();
    })) << "the preview turns tall";
    ASSERT_TRUE(waitFor([&] { return surface().height() > surface().width(); }))
        << "and its area with it, without black bars at the sides";
    screenshot("studio-tall-canvas");
    // The camera's handle sits on the bubble, which keeps its place by the content.
    session().selection().setTab(StudioTab::camera);
    PreviewHandle* handle = view->editingViews().cameraHandle();
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(waitFor([&] { return handle->isVisible(); }));
    const double handleY = handle->geometry().center().y() / double(view->previewOverlay()->height());
    EXPECT_GT(handleY, 0.5);
    EXPECT_LT(handleY, 0.7) << "inside the band of the recording, not at 82% of the tall canvas";
    screenshot("studio-tall-canvas-camera");
    choose("720p");
    EXPECT_EQ(menuButton->text(), "720p");
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return session().exporter().isExporting(); }));
    ASSERT_TRUE(exportIdle());
    const auto movie = folder / "screen-edited-720p.mp4";
    const media::test::ProbedMovie probed = media::test::probe(movie);
    EXPECT_EQ(probed.width, 720);
    EXPECT_EQ(probed.height, 1280);
    QImage middle;
    test::forEachVideoFrame(movie, [&](const QImage& frame, double time) {
        if (middle.isNull() && time >= 1.5)
            middle = frame;
    });
    ASSERT_FALSE(middle.isNull());
    // The recording fills the width in the middle; smooth background above and below it.
    EXPECT_LT(roughness(middle, 40), 16);
    EXPECT_LT(roughness(middle, 1240), 16);
    EXPECT_GT(roughness(middle, 640), 60);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, AFailingExportShowsItsTextInTheAlert)
{
    open();
    std::filesystem::resize_file(*recording.timeline.videoURL, 300);
    QTest::mouseClick(view->toolbar()->exportButton(), Qt::LeftButton);
    ASSERT_TRUE(exportIdle());
    ASSERT_TRUE(waitFor([&] { return !alerts.empty(); }));
    EXPECT_EQ(alerts.back().title, "Something went wrong");
    EXPECT_TRUE(alerts.back().message.startsWith("Export failed: ")) << alerts.back().message.toStdString();
    EXPECT_FALSE(view->resultRow()->isVisible());
}

TEST_F(StudioViewTest, CancellingOrClosingDuringExportLeavesNoPartialFile)
{
    open();
    // At 4K the export outlasts the half second in which a second press is taken for a double
    // click, even on a fast idle machine.
    session().exporter().setResolution(ExportResolution::uhd4K);
    const auto target = folder / "screen-edited.mp4";
    QPushButton* exportButton = view->toolbar()->exportButton();
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        return session().exporter().progress() > 0.05 && session().exporter().acceptsPress();
    }, 60));
    QTest::mouseClick(exportButton, Qt::LeftButton); // the second press cancels
    ASSERT_TRUE(exportIdle());
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(alerts.empty()) << "a cancel is not a failure";

    QSignalSpy closed(view.get(), &StudioView::closeRequested);
    ASSERT_TRUE(waitFor([&] { return session().exporter().acceptsPress(); }));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return session().exporter().progress() > 0.05; }, 60));
    alertAnswer = 1; // "Keep Exporting"
    QTest::mouseClick(view->toolbar()->closeButton(), Qt::LeftButton);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(session().exporter().isExporting());
    alertAnswer = 0; // "Stop Export and Close"
    QTest::mouseClick(view->toolbar()->closeButton(), Qt::LeftButton);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(session().exporter().isExporting());
    EXPECT_FALSE(std::filesystem::exists(target));
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].title, "Stop the export?");
}

TEST_F(StudioViewTest, ADoubleClickOnExportStartsOneExportAndDoesNotCancelIt)
{
    open();
    QPushButton* exportButton = view->toolbar()->exportButton();
    QTest::mouseDClick(exportButton, Qt::LeftButton);
    QTest::mouseClick(exportButton, Qt::LeftButton); // a third quick press, as a shaky hand does
    EXPECT_TRUE(session().exporter().isExporting()) << "the quick presses after the first are ignored";
    ASSERT_TRUE(exportIdle());
    ASSERT_TRUE(session().exporter().exportedURL()) << "the export ran to its end";
    EXPECT_EQ(*session().exporter().exportedURL(), folder / "screen-edited.mp4");
    EXPECT_FALSE(std::filesystem::exists(folder / "screen-edited-2.mp4")) << "and only one ran";
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, ShowInFilesOpensTheFolderOrSaysWhereTheFileIs)
{
    open();
    session().exporter().start();
    ASSERT_TRUE(exportIdle());
    ASSERT_TRUE(view->resultRow()->isVisible());
    const auto exported = *session().exporter().exportedURL();

    // No file manager on the bus: the folder opens instead, and that needs no words.
    QStringList opened;
    view->setFolderOpener([&](const QUrl& url) {
        opened << url.toLocalFile();
        return true;
    });
    QTest::mouseClick(view->showInFilesButton(), Qt::LeftButton);
    EXPECT_EQ(opened, QStringList{QString::fromStdString(exported.parent_path().string())});
    EXPECT_FALSE(view->revealNotice()->isVisible());

    // Nothing can open it: the row says where the file is.
    view->setFolderOpener([](const QUrl&) { return false; });
    QTest::mouseClick(view->showInFilesButton(), Qt::LeftButton);
    EXPECT_TRUE(view->revealNotice()->isVisible());
    EXPECT_EQ(view->revealNotice()->text().toStdString(),
              "No file manager could be opened. The file is in " +
                  exported.parent_path().string() + ".");
    EXPECT_EQ(view->revealNotice()->accessibleName(), view->revealNotice()->text());
    screenshot("studio-reveal-failed");
}

TEST_F(StudioViewTest, AnOutsideChangeShowsABarWhoseButtonsAnswerIt)
{
    open();
    EXPECT_FALSE(view->outsideChangeBar()->isVisible());
    RecordingTimeline other = decodeRecordingTimeline(test::readFile(recording.documentPath));
    other.zoomRegions.clear();
    std::ofstream(recording.documentPath, std::ios::trunc) << encodeRecordingTimeline(other);
    ASSERT_TRUE(waitFor([&] { return view->outsideChangeBar()->isVisible(); }));
    EXPECT_TRUE(view->outsideChangeText()->text().startsWith(
        "This recording's file was changed by another program."));
    screenshot("studio-outside-change");

    QTest::mouseClick(view->reloadButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !view->outsideChangeBar()->isVisible(); }));
    EXPECT_TRUE(session().editState().zoomRegions.empty());

    // Changed again, then closed without choosing: the Studio asks what to keep.
    commitEdit(session(), [&](StudioEditState& e) { e.redactRegions = {}; });
    ASSERT_TRUE(session().flushSaves());
    other.redactRegions.clear();
    other.zoomRegions = recording.timeline.zoomRegions;
    std::ofstream(recording.documentPath, std::ios::trunc) << encodeRecordingTimeline(other);
    ASSERT_TRUE(waitFor([&] { return session().hasOutsideChange(); }));
    commitEdit(session(), [&](StudioEditState& e) { e.cutRegions = {{Uuid::random(), 0, 0.5}}; });
    alertAnswer = 0; // "Keep Mine and Close"
    EXPECT_TRUE(view->confirmClose());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].title, "Save your edits?");
    const RecordingTimeline saved = decodeRecordingTimeline(test::readFile(recording.documentPath));
    EXPECT_EQ(saved.cutRegions.size(), 1u) << "the Studio's edits were kept";
    EXPECT_TRUE(saved.zoomRegions.empty());
}

TEST_F(StudioViewTest, EveryControlHasAnAccessibleName)
{
    open();
    session().createRegion(0.2, 0.8); // something to undo
    for (QWidget* widget : view->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->metaObject()->className();
        }
    }
}

TEST_F(StudioViewTest, ACutIsSkippedWhilePlayingAndRestoredFromTheCaptionLine)
{
    ASSERT_TRUE(test::requireSoundServer());
    CutRegion cut{Uuid::random(), 1.0, 2.0};
    recording.timeline.cutRegions = {cut};
    open();
    EXPECT_EQ(view->transportBar()->timeText()->text(), "0:00 / 0:02") << "the movie's length";
    TimelineView* timeline = view->editingViews().timeline();
    ASSERT_NE(timeline->clip(cut.id), nullptr);

    std::vector<double> playheads;
    QObject::connect(&session().playback(), &StudioPlayback::playbackChanged, view.get(),
            [&] { playheads.push_back(session().playback().currentTime()); });
    QTest::mouseClick(view->transportBar()->playButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return session().playback().currentTime() > 2.3 || !session().playback().isPlaying(); }));
    screenshot("studio-cut-playing");
    QTest::keyClick(view.get(), Qt::Key_Space);
    for (double t : playheads)
        EXPECT_FALSE(t > cut.start + 0.02 && t < cut.end - 0.02) << "the playhead showed " << t;
    EXPECT_GT(session().playback().currentTime(), cut.end) << "playing went on after the cut";

    // Picked on the timeline, the cut can be put back with the caption line's button.
    EXPECT_FALSE(view->restoreCutButton()->isVisible());
    QTest::mouseClick(timeline->clip(cut.id), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return view->restoreCutButton()->isVisible(); }));
    EXPECT_EQ(view->restoreCutButton()->accessibleName(), "Restore cut");
    QTest::mouseClick(view->restoreCutButton(), Qt::LeftButton);
    EXPECT_TRUE(session().editState().cutRegions.empty());
    EXPECT_EQ(view->transportBar()->timeText()->text().right(4), "0:03");

    // Trimming everything away is refused beside the caption, not in an alert.
    TrimHandleView* grip = timeline->trimHandle(TimelineRules::ClipEdge::leading);
    QPoint from = grip->rect().center();
    QTest::mousePress(grip, Qt::LeftButton, {}, from);
    for (int x = 0; x <= timeline->width(); x += 60)
        QTest::mouseMove(grip, from + QPoint(x, 0));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, from + QPoint(timeline->width(), 0));
    ASSERT_TRUE(waitFor([&] { return view->editNoticeLabel()->isVisible(); }));
    EXPECT_EQ(view->editNoticeLabel()->text(), QString::fromUtf8(kEverythingCutMessage.data()));
    EXPECT_FALSE(KeptTime(session().editState().cutRegions, session().playback().duration()).isEmpty());
    screenshot("studio-cut-refused");
    EXPECT_TRUE(alerts.empty());
}

TEST_F(StudioViewTest, TheTimelineKeysMoveThePlayheadPlayAndWalkTheClips)
{
    open();
    auto* timeline = view->findChild<TimelineView*>();
    ASSERT_NE(timeline, nullptr);
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(view.get(), k, modifiers);
    };
    const double frame = session().playback().frameDuration();
    key(Qt::Key_Right);
    EXPECT_NEAR(session().playback().currentTime(), frame, 1e-6);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(session().playback().currentTime(), frame + 1, 1e-6);
    key(Qt::Key_Left);
    EXPECT_NEAR(session().playback().currentTime(), 1, 1e-6);
    key(Qt::Key_End);
    EXPECT_DOUBLE_EQ(session().playback().currentTime(), session().playback().duration());
    key(Qt::Key_Home);
    EXPECT_DOUBLE_EQ(session().playback().currentTime(), 0);
    key(Qt::Key_BracketRight);
    EXPECT_NEAR(session().playback().currentTime(), 0.3, 1e-6) << "the first zoom region's start";
    key(Qt::Key_BracketRight);
    EXPECT_NEAR(session().playback().currentTime(), 1.1, 1e-6);
    key(Qt::Key_BracketLeft);
    EXPECT_NEAR(session().playback().currentTime(), 0.3, 1e-6);

    key(Qt::Key_L);
    EXPECT_TRUE(session().playback().isPlaying());
    key(Qt::Key_K);
    EXPECT_FALSE(session().playback().isPlaying());

    // Tab walks the clips while the timeline has the focus.
    timeline->setFocus();
    key(Qt::Key_Tab);
    const auto first = session().selection().regionID();
    ASSERT_TRUE(first);
    key(Qt::Key_Tab);
    EXPECT_NE(session().selection().regionID(), first);

    // "+" zooms the timeline about the playhead; Shift+Z shows the whole recording again.
    key(Qt::Key_Plus);
    EXPECT_FALSE(timeline->model().viewport.isFit());
    key(Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_TRUE(timeline->model().viewport.isFit());

    // The sheet from the toolbar's menu lists them.
    QMenu* menu = view->toolbar()->moreButton()->menu();
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions())
        if (action->text() == "Keyboard shortcuts")
            action->trigger();
    auto* sheet = view->findChild<QDialog*>();
    ASSERT_TRUE(sheet && waitFor([&] { return sheet->isVisible(); }));
    EXPECT_EQ(sheet->windowTitle(), "Keyboard shortcuts");
    EXPECT_TRUE(sheet->grab().save(QString::fromStdString((test::screenshotFolder() / "keyboard-shortcuts.png").string())));
    sheet->reject();
}

} // namespace
} // namespace tarnix

#include "StudioViewTest.moc"

namespace tarnix {
namespace {

TEST_F(StudioViewTest, TheKeysPanelStylesThePillShownInThePreview)
{
    recording.timeline.keyEvents = {{Uuid::random(), 1.0, "S", {KeyModifier::ctrl, KeyModifier::shift}}};
    open();
    session().selection().setTab(StudioTab::keys);
    session().playback().seek(1.3);
    ASSERT_TRUE(waitFor([&] { return !view->player().isSeeking(); }));
    test::processEvents(0.3);
    // The pill is drawn over the bottom of the picture: dark, then light.
    const QImage dark = surface().frame();
    screenshot("studio-keys-dark");
    StudioSidebarView* sidebar = view->editingViews().sidebar();
    QAbstractButton* light = nullptr;
    for (auto* button : sidebar->findChildren<QAbstractButton*>())
        if (button->isVisible() && (button->text() == "Light" || button->accessibleName() == "Light"))
            light = button;
    ASSERT_NE(light, nullptr);
    ASSERT_TRUE(light->isEnabled());
    QTest::mouseClick(light, Qt::LeftButton);
    ASSERT_EQ(session().editState().keystrokeOverlay.style, KeystrokeStyle::light);
    ASSERT_TRUE(waitFor([&] { return session().playback().rebuildsApplied() == 1 && surface().frame() != dark; }));
    test::processEvents(0.3);
    screenshot("studio-keys-light");
    EXPECT_TRUE(alerts.empty());
}

// A drag across the speed track makes a 2× segment; 4× picked in the caption line shortens the
// movie the transport counts; each change is one undo step, saved, and there when reopened.
TEST_F(StudioViewTest, ASpeedSegmentIsDrawnPickedInTheCaptionLineUndoneSavedAndReopened)
{
    open();
    TimelineView* timeline = view->editingViews().timeline();
    EXPECT_EQ(view->transportBar()->timeText()->text(), "0:00 / 0:03");
    const TimelineViewport& viewport = timeline->model().viewport;
    const int y = int(timeline->trackRect(TimelineModel::Track::speed).center().y());
    const QPoint from(int(viewport.viewX(0.2)), y), to(int(viewport.viewX(2.8)), y);
    QTest::mousePress(timeline, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(timeline, from + (to - from) * i / 8);
    QTest::mouseRelease(timeline, Qt::LeftButton, {}, to);
    ASSERT_EQ(session().editState().speedRegions.size(), 1u);
    const SpeedRegion made = session().editState().speedRegions[0];
    EXPECT_NEAR(made.start, 0.2, 0.01);
    EXPECT_NEAR(made.end, 2.8, 0.01);
    EXPECT_EQ(made.speed, 2);
    EXPECT_EQ(session().selection().speedID(), made.id);
    ASSERT_NE(timeline->clip(made.id), nullptr);

    // The caption line offers the speeds, 2× checked; 4× makes the movie 0.2 + 0.65 + 0.2 s long.
    SpeedPicker* picker = view->speedPicker();
    ASSERT_TRUE(waitFor([&] { return picker->isVisible(); }));
    EXPECT_TRUE(picker->button(2)->isChecked());
    EXPECT_EQ(picker->button(4)->accessibleName(), "Speed 4×");
    QTest::mouseClick(picker->button(4), Qt::LeftButton);
    EXPECT_EQ(session().editState().speedRegions[0].speed, 4);
    EXPECT_TRUE(picker->button(4)->isChecked());
    ASSERT_TRUE(waitFor([&] { return view->transportBar()->timeText()->text() == "0:00 / 0:01"; }))
        << view->transportBar()->timeText()->text().toStdString();
    test::processEvents(0.3);
    screenshot("studio-speed-track");

    session().undo();
    EXPECT_EQ(session().editState().speedRegions[0].speed, 2) << "the pick is one step";
    session().undo();
    EXPECT_TRUE(session().editState().speedRegions.empty()) << "the drag is one step";
    EXPECT_FALSE(picker->isVisible());
    session().redo();
    session().redo();
    ASSERT_TRUE(session().flushSaves());
    const RecordingTimeline saved = decodeRecordingTimeline(test::readFile(recording.documentPath));
    ASSERT_EQ(saved.speedRegions.size(), 1u);
    EXPECT_EQ(saved.speedRegions[0].speed, 4);

    view.reset();
    recording.timeline = saved;
    open();
    ASSERT_EQ(session().editState().speedRegions.size(), 1u);
    EXPECT_NE(view->editingViews().timeline()->clip(saved.speedRegions[0].id), nullptr);
    EXPECT_EQ(view->transportBar()->timeText()->text(), "0:00 / 0:01");
    EXPECT_TRUE(alerts.empty());
}

// "Speed Up Idle Time" in the More menu: on a recording whose screen changes all the time it says
// so and changes nothing; on one with still stretches it makes them 8× in one undo step.
TEST_F(StudioViewTest, SpeedUpIdleTimeLooksOffTheGuiThreadAndAddsItsSegmentsInOneStep)
{
    open();
    QAction* idle = view->toolbar()->speedUpIdleAction();
    ASSERT_NE(idle, nullptr);
    ASSERT_TRUE(idle->isEnabled());
    idle->trigger();
    ASSERT_TRUE(waitFor([&] { return !session().idleSpeedUp().isRunning(); }));
    ASSERT_TRUE(session().messages().editNotice());
    EXPECT_TRUE(session().messages().editNotice()->startsWith("No idle time found"));
    EXPECT_TRUE(session().editState().speedRegions.empty());
    EXPECT_FALSE(session().canUndo());

    // 14 s: a box moves during 0-2 s and 8-9 s, the screen is still otherwise.
    view.reset();
    RecordingTimeline still;
    still.videoURL = folder.path() / "still.mp4";
    ASSERT_TRUE(media::test::runFfmpeg(
        "-f lavfi -i \"color=navy:s=320x180:r=30:d=14[bg];color=yellow:s=40x40:r=30:d=14[box];"
        "[bg][box]overlay=x='if(lt(t,2),t*40,if(between(t,8,9),200-(t-8)*60,80))':y=60\" "
        "-c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" + still.videoURL->string() + "\""));
    still.captureFrame = {0, 0, 320, 180};
    recording.timeline = still;
    recording.documentPath = folder.path() / "still.tarnix.json";
    open();
    idle = view->toolbar()->speedUpIdleAction();
    idle->trigger();
    EXPECT_TRUE(session().idleSpeedUp().isRunning());
    EXPECT_FALSE(idle->isEnabled()) << "one search at a time";
    EXPECT_EQ(idle->text(), "Looking for Idle Time…");
    ASSERT_TRUE(waitFor([&] { return !session().idleSpeedUp().isRunning(); }, 60));
    const auto& speeds = session().editState().speedRegions;
    ASSERT_EQ(speeds.size(), 2u);
    EXPECT_NEAR(speeds[0].start, 2, 0.3);
    EXPECT_NEAR(speeds[0].end, 8, 0.3);
    EXPECT_NEAR(speeds[1].start, 9, 0.3);
    for (const SpeedRegion& r : speeds)
        EXPECT_EQ(r.speed, 8);
    EXPECT_EQ(view->editingViews().timeline()->clip(speeds[0].id) != nullptr, true);
    session().undo();
    EXPECT_TRUE(session().editState().speedRegions.empty()) << "one undo step";
    EXPECT_FALSE(session().canUndo());

    // Closing while it looks stops it and waits for the worker.
    session().redo();
    idle->trigger();
    ASSERT_TRUE(session().idleSpeedUp().isRunning());
    view.reset();
    EXPECT_TRUE(alerts.empty());
}

} // namespace
} // namespace tarnix
