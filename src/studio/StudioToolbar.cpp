#include "studio/StudioToolbar.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QToolButton>

#include "studio/StudioControls.h"
#include "studio/FrameRateSetting.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioExporter.h"
#include "studio/IdleSpeedUp.h"
#include "studio/StudioSession.h"
#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"
#include "ui/TactileButtonStyle.h"

namespace tarnix {

namespace {

constexpr int kGifChoice = -1; // the menu entry's data; the movie entries carry their resolution
// Frame-rate entries carry their rate under this property instead.
constexpr const char* kFrameRateProperty = "frameRate";
// Remembered between runs; on unless the user switched it off.
constexpr const char* kEvenLoudnessKey = "export/evenLoudness";

QSettings userSettings() { return QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix")); }

} // namespace

StudioToolbar::StudioToolbar(StudioSession& session, StudioExporter& exporter, QWidget* parent)
    : QWidget(parent)
    , session_(session)
    , exporter_(exporter)
    , close_(StudioControls::iconButton("xmark", tr("Close"), this, 14))
    , title_(new QLabel(tr("Studio"), this))
    , undo_(StudioControls::iconButton("undo", tr("Undo"), this))
    , redo_(StudioControls::iconButton("redo", tr("Redo"), this))
    , resolution_(new QToolButton(this))
    , export_(new QPushButton(this))
    , more_(StudioControls::iconButton("ellipsis", tr("More"), this))
{
    setObjectName("studioToolbar");
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(52);
    title_->setObjectName("studioTitle");

    resolution_->setObjectName("resolutionMenu");
    resolution_->setToolTip(tr("Export format and resolution"));
    resolution_->setAccessibleName(tr("Export format and resolution"));
    resolution_->setPopupMode(QToolButton::InstantPopup);
    resolution_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    resolution_->setLayoutDirection(Qt::RightToLeft); // the chevron after the text
    resolution_->setIcon(PhosphorIcon::icon("chevron-down", 8, StudioTheme::textSecondary()));
    resolution_->setIconSize(QSize(8, 8));
    resolution_->setFixedHeight(26);
    resolution_->setCursor(Qt::PointingHandCursor);
    buildResolutionMenu();

    export_->setObjectName("exportButton");
    export_->setCursor(Qt::PointingHandCursor);
    export_->setIconSize(QSize(12, 12));
    export_->setMinimumWidth(96);
    TactileButtonStyle::apply(export_);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 14, 0);
    row->setSpacing(6);
    row->addWidget(close_);
    row->addSpacing(4);
    row->addWidget(title_);
    row->addStretch(1);
    row->addWidget(undo_);
    row->addWidget(redo_);
    row->addSpacing(10);
    row->addWidget(resolution_);
    row->addSpacing(4);
    row->addWidget(export_);
    row->addSpacing(4);
    row->addWidget(more_);

    auto* moreMenu = new QMenu(more_);
    // Idle time is looked for on the thread pool; meanwhile the item says so and waits.
    IdleSpeedUp& idle = session_.idleSpeedUp();
    speedUpIdle_ = moreMenu->addAction(tr("Speed Up Idle Time"));
    speedUpIdle_->setToolTip(tr("Play the stretches where nothing happens 8 times as fast"));
    connect(speedUpIdle_, &QAction::triggered, &idle, &IdleSpeedUp::start);
    connect(&idle, &IdleSpeedUp::runningChanged, this, &StudioToolbar::refresh);
    connect(moreMenu, &QMenu::aboutToShow, this, &StudioToolbar::refresh);
    moreMenu->addSeparator();
    connect(moreMenu->addAction(tr("Keyboard shortcuts")), &QAction::triggered, this,
            &StudioToolbar::keyboardShortcutsRequested);
    more_->setMenu(moreMenu);
    more_->setPopupMode(QToolButton::InstantPopup);
    more_->setObjectName("moreMenu");
    more_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));

    connect(close_, &QToolButton::clicked, this, &StudioToolbar::closeClicked);
    connect(undo_, &QToolButton::clicked, &session_, &StudioSession::undo);
    connect(redo_, &QToolButton::clicked, &session_, &StudioSession::redo);
    connect(export_, &QPushButton::clicked, &exporter_, &StudioExporter::press);
    connect(&session_, &StudioSession::historyChanged, this, &StudioToolbar::refresh);
    connect(&exporter_, &StudioExporter::changed, this, &StudioToolbar::refresh);
    connect(&session_.playback(), &StudioPlayback::frameRateChanged, this, &StudioToolbar::refresh);
    // Whether 60 applies is known once a build of the recording has landed.
    connect(&session_.playback(), &StudioPlayback::loaded, this, &StudioToolbar::refresh);
    connect(&session_.playback(), &StudioPlayback::itemReplaced, this, &StudioToolbar::refresh);
    refresh();
}

void StudioToolbar::buildResolutionMenu()
{
    auto* menu = new QMenu(resolution_);
    auto* group = new QActionGroup(menu);
    auto addChoice = [&](const QString& text, int data, auto choose) {
        QAction* action = menu->addAction(text);
        action->setCheckable(true);
        action->setActionGroup(group);
        action->setData(data);
        connect(action, &QAction::triggered, this, choose);
    };
    for (ExportResolution resolution : kAllExportResolutions)
        addChoice(QCoreApplication::translate("tarnix::ExportResolution", menuItemText(resolution).data()),
                  int(resolution), [this, resolution] { exporter_.setResolution(resolution); });
    menu->addSeparator();
    addChoice(tr("GIF"), kGifChoice, [this] { exporter_.setFileType(media::ExportFileType::gif); });
    menu->addSeparator();
    auto* rates = new QActionGroup(menu);
    for (int rate : {media::kStandardFrameRate, media::kSmoothFrameRate}) {
        QAction* action = menu->addAction(tr("Frame rate: %1").arg(rate));
        action->setCheckable(true);
        action->setActionGroup(rates);
        action->setProperty(kFrameRateProperty, rate);
        connect(action, &QAction::triggered, this, [this, rate] {
            session_.playback().setFrameRate(rate);
            QSettings settings;
            FrameRateSetting::save(settings, rate);
        });
    }
    menu->setToolTipsVisible(true);

    // The movie's sound brought to one loudness; a GIF has none.
    menu->addSeparator();
    exporter_.setEvensOutLoudness(userSettings().value(kEvenLoudnessKey, true).toBool());
    evenLoudness_ = menu->addAction(tr("Even out loudness"));
    evenLoudness_->setCheckable(true);
    connect(evenLoudness_, &QAction::triggered, this, [this](bool on) {
        userSettings().setValue(kEvenLoudnessKey, on);
        exporter_.setEvensOutLoudness(on);
    });

    auto markChecked = [](QAction* action, bool checked) {
        action->setChecked(checked);
        action->setIcon(checked ? PhosphorIcon::icon("checkmark", 12, StudioTheme::textPrimary())
                                : QIcon());
    };
    connect(menu, &QMenu::aboutToShow, this, [this, menu, markChecked] {
        const bool gif = exporter_.fileType() == media::ExportFileType::gif;
        const int chosen = gif ? kGifChoice : int(exporter_.resolution());
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || action == evenLoudness_)
                continue;
            const QVariant rate = action->property(kFrameRateProperty);
            if (rate.isValid())
                updateFrameRateChoice(action, rate.toInt());
            markChecked(action, rate.isValid() ? rate.toInt() == session_.playback().effectiveFrameRate()
                                               : action->data().toInt() == chosen);
        }
        markChecked(evenLoudness_, exporter_.evensOutLoudness());
        evenLoudness_->setEnabled(!gif);
    });
    resolution_->setMenu(menu);
}

void StudioToolbar::updateFrameRateChoice(QAction* action, int rate) const
{
    const bool offered = rate == media::kStandardFrameRate || session_.playback().offersSmoothFrameRate();
    action->setEnabled(offered);
    action->setToolTip(offered ? QString()
                               : tr("The recording has 30 frames a second or fewer"));
}

void StudioToolbar::refresh()
{
    undo_->setEnabled(session_.canUndo());
    redo_->setEnabled(session_.canRedo());
    const IdleSpeedUp& idle = session_.idleSpeedUp();
    speedUpIdle_->setText(idle.isRunning() ? tr("Looking for Idle Time…") : tr("Speed Up Idle Time"));
    speedUpIdle_->setEnabled(idle.canStart());

    if (exporter_.fileType() == media::ExportFileType::gif) {
        resolution_->setText(tr("GIF"));
    } else {
        // The table's texts are whole literals, so data() ends where the text does.
        QString text =
            QCoreApplication::translate("tarnix::ExportResolution", menuButtonText(exporter_.resolution()).data());
        if (session_.playback().effectiveFrameRate() != media::kStandardFrameRate)
            text += tr(" · %1 fps").arg(session_.playback().effectiveFrameRate());
        resolution_->setText(text);
    }

    const bool exporting = exporter_.isExporting();
    if (exporting) {
        export_->setText(QString::fromStdString(exportingText(exporter_.progress())));
        export_->setIcon(PhosphorIcon::icon("xmark", 12, StudioTheme::textPrimary()));
        export_->setToolTip(tr("Cancel export"));
    } else {
        export_->setText(tr("Export"));
        export_->setIcon(PhosphorIcon::icon("export", 12, Qt::white));
        export_->setToolTip(tr("Export"));
    }
    export_->setAccessibleName(export_->text());
    export_->setEnabled(exporting || exporter_.canExport());
    if (export_->property("exporting").toBool() != exporting) {
        export_->setProperty("exporting", exporting);
        export_->style()->unpolish(export_);
        export_->style()->polish(export_);
    }
}

} // namespace tarnix
