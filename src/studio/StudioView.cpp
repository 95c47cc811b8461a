#include "studio/StudioView.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSettings>
#include <QShortcut>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "media/PreviewPlayer.h"
#include "studio/ExportNotifier.h"
#include "studio/FileReveal.h"
#include "studio/FrameRateSetting.h"
#include "studio/PlayerSurface.h"
#include "studio/StudioEditingViews.h"
#include "studio/PreviewPlayerBridge.h"
#include "studio/StudioControls.h"
#include "studio/StudioExporter.h"
#include "studio/StudioFormatting.h"
#include "studio/SpeedPicker.h"
#include "studio/StudioSession.h"
#include "studio/StudioToolbar.h"
#include "studio/TransportBar.h"
#include "studio/timeline/TimelineRules.h"
#include "ui/AppAlert.h"
#include "ui/FramePlacement.h"

namespace tarnix {

namespace {

constexpr int kPreviewMargin = 16;
constexpr int kRailInset = 12;
constexpr int kMinimumPreviewHeight = 200;
constexpr QSize kLeastSize{940, 640};
// Room the window keeps around the picture before it is laid out: toolbar, transport, caption
// and timeline.
constexpr int kChromeHeight = 392;

// Whether keys typed now edit text: the focused widget is a text field (or a spin box's).
bool textFieldHasFocus()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(focus))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<QTextEdit*>(focus))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    return qobject_cast<QAbstractSpinBox*>(focus) != nullptr;
}

} // namespace

// The preview: the picture fitted into the area, the handle layer over exactly that picture, the
// rail over the leading edge and the panel beside it.
class StudioView::PreviewArea : public QWidget {
public:
    PreviewArea(StudioSession& session, QWidget* parent)
        : QWidget(parent)
        , session_(session)
        , surface_(new PlayerSurface(this))
        , overlay_(new QWidget(this))
    {
        overlay_->setAccessibleName(StudioView::tr("Preview handles"));
        setMinimumHeight(kMinimumPreviewHeight);
        connect(&session_.playback(), &StudioPlayback::naturalSizeChanged, this, [this] { relayout(); });
        connect(&session_.selection(), &StudioSelection::changed, this, [this] { relayout(); });
    }

    PlayerSurface* surface() const { return surface_; }
    QWidget* overlay() const { return overlay_; }
    std::function<void()> onPictureMoved;

    void setRail(QWidget* view)
    {
        delete rail_;
        rail_ = view;
        rail_->setParent(this);
        rail_->show();
        // The rail stands in the preview's height: never clip its tabs.
        setMinimumHeight(std::max(kMinimumPreviewHeight, rail_->sizeHint().height() + 2 * kRailInset));
        relayout();
    }
    void setPanel(QWidget* view)
    {
        delete panel_;
        panel_ = view;
        panel_->setParent(this);
        relayout();
    }

    void relayout()
    {
        const QRect area = rect().adjusted(kPreviewMargin, kPreviewMargin, -kPreviewMargin,
                                           -kPreviewMargin);
        const QRect picture = fittedRect(session_.playback().naturalSize(), area).toAlignedRect();
        surface_->setGeometry(picture);
        const bool moved = overlay_->geometry() != picture;
        overlay_->setGeometry(picture);
        overlay_->raise();
        int left = kRailInset;
        if (rail_) {
            const QSize hint = rail_->sizeHint();
            rail_->setGeometry(left, (height() - hint.height()) / 2, hint.width(), hint.height());
            rail_->raise();
            left += hint.width() + 8;
        }
        if (panel_) {
            panel_->setVisible(session_.selection().tab().has_value());
            const QSize hint = panel_->sizeHint();
            panel_->setGeometry(left, kRailInset, hint.width(),
                                std::min(hint.height(), height() - 2 * kRailInset));
            panel_->raise();
        }
        if (moved && onPictureMoved)
            onPictureMoved();
    }

protected:
    void resizeEvent(QResizeEvent*) override { relayout(); }

private:
    StudioSession& session_;
    PlayerSurface* surface_;
    QWidget* overlay_;
    QPointer<QWidget> rail_;
    QPointer<QWidget> panel_;
};

StudioView::StudioView(RecordingTimeline timeline, std::optional<std::filesystem::path> documentPath,
                       QWidget* parent)
    : QWidget(parent)
    , player_(std::make_unique<media::PreviewPlayer>())
    , bridge_(std::make_unique<PreviewPlayerBridge>(*player_))
{
    StudioSession::Options options;
    options.documentPath = std::move(documentPath);
    options.exportFrameRate = FrameRateSetting::load(QSettings());
    session_ = std::make_unique<StudioSession>(std::move(timeline), *bridge_, options);

    setObjectName("studioView");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(StudioControls::styleSheet());
    setAccessibleName(tr("Studio"));

    toolbar_ = new StudioToolbar(*session_, session_->exporter(), this);
    preview_ = new PreviewArea(*session_, this);
    surface_ = preview_->surface();
    overlay_ = preview_->overlay();
    surface_->setPlayer(player_.get());
    // The first build of a long recording takes a moment; a failed one says why elsewhere.
    surface_->setWaitingText(tr("Preparing the preview…"));
    connect(&session_->playback(), &StudioPlayback::failed, surface_, [this] { surface_->setWaitingText({}); });
    preview_->onPictureMoved = [this] { emit previewGeometryChanged(); };
    transport_ = new TransportBar(*session_, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(toolbar_);
    column->addWidget(makeOutsideChangeBar());
    column->addWidget(preview_, 1);
    column->addWidget(transport_);
    column->addWidget(makeTimelineSection());
    column->addWidget(makeResultRow());

    connect(toolbar_, &StudioToolbar::closeClicked, this, [this] {
        if (confirmClose())
            emit closeRequested();
    });
    connect(session_.get(), &StudioSession::editStateChanged, this, &StudioView::refreshCaption);
    connect(&session_->exporter(), &StudioExporter::changed, this, &StudioView::refreshResult);
    connect(&session_->playback(), &StudioPlayback::naturalSizeChanged, this, [this] {
        if (!fitted_) {
            fitted_ = true;
            fitWindowToVideo();
        }
    });
    connect(&session_->messages(), &StudioMessages::errorMessageChanged, this, &StudioView::showFailure);
    new ExportNotifier(session_->exporter(), [this] { return window()->isActiveWindow(); }, this);
    installShortcuts();
    editing_ = new StudioEditingViews(*this);
    refreshCaption();
    refreshResult();
    session_->open();
}

StudioView::~StudioView()
{
    if (keyFilterInstalled_)
        qApp->removeEventFilter(this);
    // The session stops observing the player before the player goes.
    session_.reset();
}

QWidget* StudioView::makeTimelineSection()
{
    auto* section = new QWidget(this);
    section->setObjectName("timelineSection");
    section->setAttribute(Qt::WA_StyledBackground);
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(16, 8, 16, 12);
    column->setSpacing(6);

    auto* header = new QHBoxLayout;
    caption_ = StudioControls::caption(QString(), section);
    removeAll_ = StudioControls::captionButton(tr("Remove all"), section);
    notice_ = StudioControls::caption(QString(), section);
    notice_->setObjectName("editNotice");
    // A long notice takes more lines, never more width than the window has.
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("color: #F0A83C;"));
    notice_->hide();
    restoreCut_ = StudioControls::captionButton(tr("Restore cut"), section);
    restoreCut_->setToolTip(tr("Put the selected cut back into the movie (Delete)"));
    restoreCut_->hide();
    speedPicker_ = new SpeedPicker(section);
    speedPicker_->onPicked = [this](double speed) { session_->setSelectedSpeed(speed); };
    header->addWidget(caption_);
    header->addSpacing(12);
    // The notice takes the free room of the line when it shows, the spacer when it doesn't.
    header->addWidget(notice_, 1);
    header->addStretch();
    header->addWidget(speedPicker_);
    header->addWidget(restoreCut_);
    header->addWidget(removeAll_);
    header_ = header;
    column->addLayout(header);

    timelineHost_ = new QWidget(section);
    timelineHost_->setMinimumHeight(int(TimelineRules::kTotalHeight));
    timelineHost_->setAccessibleName(tr("Timeline"));
    auto* hostLayout = new QVBoxLayout(timelineHost_);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(timelineHost_);

    connect(removeAll_, &QPushButton::clicked, session_.get(), &StudioSession::removeAllZoomRegions);
    connect(restoreCut_, &QPushButton::clicked, session_.get(), &StudioSession::restoreSelectedCut);
    connect(&session_->selection(), &StudioSelection::changed, this, &StudioView::refreshCaption);
    connect(&session_->messages(), &StudioMessages::editNoticeChanged, this, &StudioView::refreshCaption);
    return section;
}

QWidget* StudioView::makeResultRow()
{
    resultRow_ = new QWidget(this);
    resultRow_->setObjectName("timelineSection");
    resultRow_->setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(resultRow_);
    row->setContentsMargins(16, 0, 16, 10);
    resultText_ = new QLabel(resultRow_);
    resultText_->setObjectName("resultText");
    resultText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path is cut at the window's edge (whole in its tooltip) rather than widening it.
    resultText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    showInFiles_ = StudioControls::captionButton(tr("Show in Files"), resultRow_);
    revealNotice_ = StudioControls::caption(QString(), resultRow_);
    revealNotice_->setObjectName("revealNotice");
    revealNotice_->setWordWrap(true);
    revealNotice_->setStyleSheet(QStringLiteral("color: #F0A83C;"));
    revealNotice_->hide();
    row->addWidget(resultText_, 1);
    row->addWidget(revealNotice_);
    row->addWidget(showInFiles_);
    connect(showInFiles_, &QPushButton::clicked, this, [this] {
        if (!session_->exporter().exportedURL())
            return;
        const std::filesystem::path file = *session_->exporter().exportedURL();
        const QString text =
            FileReveal::message(FileReveal::showInFiles(file, folderOpener_), file);
        revealNotice_->setText(text);
        revealNotice_->setAccessibleName(text);
        revealNotice_->setVisible(!text.isEmpty());
    });
    return resultRow_;
}

QWidget* StudioView::makeOutsideChangeBar()
{
    outsideBar_ = new QWidget(this);
    outsideBar_->setObjectName("outsideChangeBar");
    outsideBar_->setAttribute(Qt::WA_StyledBackground);
    outsideBar_->setStyleSheet(QStringLiteral(
        "#outsideChangeBar { background: #4A3A1C; } #outsideChangeBar QPushButton { color: #FFFFFF; }"));
    auto* row = new QHBoxLayout(outsideBar_);
    row->setContentsMargins(16, 6, 16, 6);
    row->setSpacing(8);
    outsideText_ = new QLabel(outsideBar_);
    outsideText_->setObjectName("outsideChangeText");
    outsideText_->setWordWrap(true);
    reload_ = StudioControls::captionButton(tr("Reload"), outsideBar_);
    reload_->setToolTip(tr("Show the changes saved elsewhere (your edits stay one undo away)"));
    keepMine_ = StudioControls::captionButton(tr("Keep mine"), outsideBar_);
    keepMine_->setToolTip(tr("Save your edits over the changes made elsewhere"));
    row->addWidget(outsideText_, 1);
    row->addWidget(reload_);
    row->addWidget(keepMine_);
    connect(reload_, &QPushButton::clicked, session_.get(), &StudioSession::reloadDocument);
    connect(keepMine_, &QPushButton::clicked, session_.get(), &StudioSession::keepMine);
    connect(session_.get(), &StudioSession::outsideChangeChanged, this,
            &StudioView::refreshOutsideChange);
    refreshOutsideChange();
    return outsideBar_;
}

void StudioView::refreshOutsideChange()
{
    const bool changed = session_->hasOutsideChange();
    outsideBar_->setVisible(changed);
    if (!changed)
        return;
    outsideText_->setText(session_->outsideChangeMessage() + QLatin1Char(' ') +
                          tr("Your edits are not saved until you choose."));
    outsideText_->setAccessibleName(outsideText_->text());
}

void StudioView::installShortcuts()
{
    auto add = [this](const QKeySequence& keys, auto* receiver, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, receiver, slot);
    };
    StudioSession* session = session_.get();
    add(QKeySequence(Qt::Key_Space), &session->playback(), &StudioPlayback::togglePlayback);
    add(QKeySequence::Undo, session, &StudioSession::undo);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), session, &StudioSession::redo);
    if (QKeySequence(QKeySequence::Redo) != QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z))
        add(QKeySequence::Redo, session, &StudioSession::redo);
}

void StudioView::setTimelineView(QWidget* view)
{
    QLayout* layout = timelineHost_->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    layout->addWidget(view);
}

void StudioView::setTimelineControls(QWidget* controls)
{
    header_->addSpacing(12);
    header_->addWidget(controls);
}

void StudioView::setRailView(QWidget* view)
{
    preview_->setRail(view);
}

void StudioView::setPanelView(QWidget* view)
{
    preview_->setPanel(view);
}

void StudioView::refreshCaption()
{
    caption_->setText(QString::fromStdString(timelineCaption(
        session_->editState().zoomRegions.size(), session_->timeline().clickEvents.size())));
    caption_->setAccessibleName(caption_->text());
    removeAll_->setEnabled(session_->canRemoveAllZoomRegions());
    const auto& cut = session_->selection().cutID();
    restoreCut_->setVisible(cut && session_->editState().hasCutRegion(*cut));
    speedPicker_->setSpeed(session_->selectedSpeed());
    const auto& notice = session_->messages().editNotice();
    notice_->setText(notice.value_or(QString()));
    notice_->setAccessibleName(notice_->text());
    notice_->setVisible(notice.has_value());
}

void StudioView::refreshResult()
{
    const auto& url = session_->exporter().exportedURL();
    resultRow_->setVisible(url.has_value());
    revealNotice_->hide();
    if (url) {
        resultText_->setText(tr("Exported to %1").arg(QString::fromStdString(url->string())));
        resultText_->setAccessibleName(resultText_->text());
        resultText_->setToolTip(resultText_->text());
    }
}

QSize StudioView::minimumSizeHint() const
{
    QSize least = QWidget::minimumSizeHint().expandedTo(kLeastSize);
    if (layout()->hasHeightForWidth())
        least.setHeight(std::max(least.height(), leastHeightAt(std::max(width(), least.width()))));
    return least;
}

int StudioView::leastHeightAt(int width) const
{
    return layout()->hasHeightForWidth() ? layout()->totalMinimumHeightForWidth(width) : 0;
}

void StudioView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A wrapped notice takes more lines as the window narrows: the least height follows the width.
    if (leastHeightAt(event->size().width()) != leastHeightAt(event->oldSize().width()))
        updateGeometry();
}

void StudioView::fitWindowToVideo()
{
    QWidget* window = this->window();
    const QSize natural = session_->playback().naturalSize();
    if (!window || natural.width() <= 0 || natural.height() <= 0)
        return;
    const int width = window->width();
    // Once laid out, everything but the preview's picture is what the window keeps around it.
    const bool laidOut = preview_->height() > 2 * kPreviewMargin && preview_->width() > 2 * kPreviewMargin;
    const int pictureWidth = laidOut ? preview_->width() - 2 * kPreviewMargin : width;
    const int chrome = laidOut ? window->height() - preview_->height() + 2 * kPreviewMargin : kChromeHeight;
    const int height = int(pictureWidth / (double(natural.width()) / natural.height())) + chrome;
    // Around the window's centre; a screen too low for the content gets a window taller than
    // itself, and the window manager's frame stays on the screen.
    QRect client(0, 0, width, height);
    client.moveCenter(window->geometry().center());
    FramePlacement::place(*window, client, {0, minimumSizeHint().height()});
}

bool StudioView::confirmClose()
{
    if (session_->exporter().isExporting()) {
        const int choice = AppAlert::ask(
            tr("Stop the export?"),
            tr("An export is still running. Closing the Studio stops it, and nothing of the "
               "unfinished file is kept."),
            {tr("Stop Export and Close"), tr("Keep Exporting")});
        if (choice != 0)
            return false;
        session_->exporter().cancelAndWait();
    }
    if (session_->hasOutsideChange() && !session_->flushSaves(0)) {
        const int choice = AppAlert::ask(
            tr("Save your edits?"),
            session_->outsideChangeMessage() + QLatin1Char(' ') +
                tr("Your latest edits are not in the file."),
            {tr("Keep Mine and Close"), tr("Close without Saving"), tr("Cancel")});
        if (choice == 2 || choice < 0)
            return false;
        if (choice == 0)
            session_->keepMine();
    }
    session_->flushSaves();
    return true;
}

void StudioView::showFailure(const QString& message)
{
    // Shown from the event loop, never inside the model's own update.
    QTimer::singleShot(0, this, [message] { AppAlert::show(tr("Something went wrong"), message); });
}

bool StudioView::handleDeleteKey(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete && event->key() != Qt::Key_Backspace)
        return false;
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (!isVisible() || !window()->isActiveWindow() || textFieldHasFocus())
        return false;
    return session_->deleteSelection();
}

bool StudioView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window())
        return handleDeleteKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void StudioView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!keyFilterInstalled_) {
        qApp->installEventFilter(this);
        keyFilterInstalled_ = true;
    }
}

void StudioView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (keyFilterInstalled_) {
        qApp->removeEventFilter(this);
        keyFilterInstalled_ = false;
    }
}

void StudioView::closeEvent(QCloseEvent* event)
{
    if (confirmClose())
        event->accept();
    else
        event->ignore();
}

} // namespace tarnix
