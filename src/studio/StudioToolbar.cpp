#include "studio/StudioToolbar.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QToolButton>

#include "studio/StudioControls.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioSession.h"
#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"
#include "ui/TactileButtonStyle.h"

namespace tarnix {

namespace {

constexpr int kGifChoice = -1; // the menu entry's data; the movie entries carry their resolution
// Remembered between runs; on unless the user switched it off.
constexpr const char* kEvenLoudnessKey = "export/evenLoudness";

QSettings userSettings() { return QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix")); }

} // namespace

StudioToolbar::StudioToolbar(StudioSession& session, QWidget* parent)
    : QWidget(parent)
    , session_(session)
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
    connect(moreMenu->addAction(tr("Keyboard shortcuts")), &QAction::triggered, this,
            &StudioToolbar::keyboardShortcutsRequested);
    more_->setMenu(moreMenu);
    more_->setPopupMode(QToolButton::InstantPopup);
    more_->setObjectName("moreMenu");
    more_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));

    connect(close_, &QToolButton::clicked, this, &StudioToolbar::closeClicked);
    connect(undo_, &QToolButton::clicked, &session_, &StudioSession::undo);
    connect(redo_, &QToolButton::clicked, &session_, &StudioSession::redo);
    connect(export_, &QPushButton::clicked, &session_, &StudioSession::pressExport);
    connect(&session_, &StudioSession::historyChanged, this, &StudioToolbar::refresh);
    connect(&session_, &StudioSession::exportChanged, this, &StudioToolbar::refresh);
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
        addChoice(QString::fromUtf8(menuItemText(resolution).data(), int(menuItemText(resolution).size())),
                  int(resolution), [this, resolution] { session_.setExportResolution(resolution); });
    menu->addSeparator();
    addChoice(tr("GIF"), kGifChoice, [this] { session_.setExportFileType(media::ExportFileType::gif); });

    // The movie's sound brought to one loudness; a GIF has none.
    menu->addSeparator();
    session_.setEvensOutLoudness(userSettings().value(kEvenLoudnessKey, true).toBool());
    evenLoudness_ = menu->addAction(tr("Even out loudness"));
    evenLoudness_->setCheckable(true);
    connect(evenLoudness_, &QAction::triggered, this, [this](bool on) {
        userSettings().setValue(kEvenLoudnessKey, on);
        session_.setEvensOutLoudness(on);
    });

    auto markChecked = [](QAction* action, bool checked) {
        action->setChecked(checked);
        action->setIcon(checked ? PhosphorIcon::icon("checkmark", 12, StudioTheme::textPrimary())
                                : QIcon());
    };
    connect(menu, &QMenu::aboutToShow, this, [this, menu, markChecked] {
        const bool gif = session_.exportFileType() == media::ExportFileType::gif;
        const int chosen = gif ? kGifChoice : int(session_.exportResolution());
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action != evenLoudness_)
                markChecked(action, action->data().toInt() == chosen);
        markChecked(evenLoudness_, session_.evensOutLoudness());
        evenLoudness_->setEnabled(!gif);
    });
    resolution_->setMenu(menu);
}

void StudioToolbar::refresh()
{
    undo_->setEnabled(session_.canUndo());
    redo_->setEnabled(session_.canRedo());

    if (session_.exportFileType() == media::ExportFileType::gif) {
        resolution_->setText(tr("GIF"));
    } else {
        const std::string_view label = menuButtonText(session_.exportResolution());
        resolution_->setText(QString::fromUtf8(label.data(), int(label.size())));
    }

    const bool exporting = session_.isExporting();
    if (exporting) {
        export_->setText(QString::fromStdString(exportingText(session_.exportProgress())));
        export_->setIcon(PhosphorIcon::icon("xmark", 12, StudioTheme::textPrimary()));
        export_->setToolTip(tr("Cancel export"));
    } else {
        export_->setText(tr("Export"));
        export_->setIcon(PhosphorIcon::icon("export", 12, Qt::white));
        export_->setToolTip(tr("Export"));
    }
    export_->setAccessibleName(export_->text());
    export_->setEnabled(exporting || session_.canExport());
    if (export_->property("exporting").toBool() != exporting) {
        export_->setProperty("exporting", exporting);
        export_->style()->unpolish(export_);
        export_->style()->polish(export_);
    }
}

} // namespace tarnix
