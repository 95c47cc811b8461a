#include "studio/sidebar/StudioSidebarView.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "studio/EditingTheme.h"
#include "studio/sidebar/AudioPanel.h"
#include "studio/sidebar/BackgroundPanel.h"
#include "studio/sidebar/CameraPanel.h"
#include "studio/sidebar/CursorPanel.h"
#include "studio/sidebar/KeysPanel.h"
#include "studio/sidebar/PrivacyPanel.h"
#include "studio/sidebar/TextPanel.h"
#include "studio/sidebar/SidebarStyle.h"
#include "studio/sidebar/ZoomPanel.h"

namespace tarnix {

StudioSidebarView::StudioSidebarView(QWidget* parent) : QFrame(parent)
{
    setObjectName("studioSidebar");
    setFixedSize(280, 440);
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(sidebarStyleSheet());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setFrameShape(QFrame::NoFrame);
    layout->addWidget(scroll_);

    chooseImageFile = [this]() -> std::optional<QString> {
        QString path = QFileDialog::getOpenFileName(
            this, tr("Choose Image"), QString(),
            tr("Images (*.png *.jpg *.jpeg *.webp *.bmp *.gif *.tif *.tiff *.svg *.heic *.avif)"));
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
    wallpaperSource = [] { return SystemWallpaperCatalog::all(); };
    backgroundPanel_ = new BackgroundPanel(*this);
    panels_ = {{StudioTab::zoom, new ZoomPanel(*this)},
               {StudioTab::camera, new CameraPanel(*this)},
               {StudioTab::background, backgroundPanel_},
               {StudioTab::audio, new AudioPanel(*this)},
               {StudioTab::cursor, new CursorPanel(*this)},
               {StudioTab::redact, new PrivacyPanel(*this)},
               {StudioTab::text, new TextPanel(*this)},
               {StudioTab::keys, new KeysPanel(*this)}};
    rebuildNow();
}

StudioSidebarView::~StudioSidebarView() = default;

bool StudioSidebarView::wallpapersLoaded() const
{
    return backgroundPanel_->wallpapersLoaded();
}

void StudioSidebarView::setTab(StudioTab tab)
{
    if (tab_ == tab && content_) {
        refresh();
        return;
    }
    tab_ = tab;
    scroll_->verticalScrollBar()->setValue(0);
    rebuildNow();
}

void StudioSidebarView::setRecordingFacts(bool hasCamera, bool hasSystemAudio, bool hasMicrophone)
{
    hasCamera_ = hasCamera;
    hasSystemAudio_ = hasSystemAudio;
    hasMicrophone_ = hasMicrophone;
    refresh();
}

void StudioSidebarView::setHasKeyEvents(bool hasKeyEvents)
{
    hasKeyEvents_ = hasKeyEvents;
    refresh();
}

void StudioSidebarView::setDuration(double seconds)
{
    if (duration_ == seconds)
        return;
    duration_ = seconds;
    refresh();
}

void StudioSidebarView::revealControl(QWidget* control)
{
    scroll_->ensureWidgetVisible(control, 8, 8);
}

bool StudioSidebarView::isSliderHeld() const
{
    if (!content_)
        return false;
    for (auto* slider : content_->findChildren<QSlider*>())
        if (slider->isSliderDown())
            return true;
    return false;
}

void StudioSidebarView::refresh()
{
    if (rebuildPending_)
        return;
    rebuildPending_ = true;
    // Deferred: the control that caused the change may still be on the stack, and a held slider
    // keeps its widget until it is released.
    QTimer::singleShot(0, this, [this] {
        if (isSliderHeld()) {
            rebuildPending_ = false;
            QTimer::singleShot(50, this, [this] { refresh(); });
            return;
        }
        rebuildNow();
    });
}

void StudioSidebarView::rebuildNow()
{
    rebuildPending_ = false;
    int scrollPosition = scroll_->verticalScrollBar()->value();
    QString focusName;
    if (QWidget* focus = QApplication::focusWidget(); focus && content_ && content_->isAncestorOf(focus))
        focusName = focus->accessibleName();

    auto* content = new QWidget;
    content->setObjectName("sidebarContent");
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(14, 10, 14, 14);
    column->setSpacing(12);
    content_ = content; // the builders look things up through it
    column->addWidget(buildHeader());
    panels_.at(tab_)->build(column);
    column->addStretch();

    QWidget* old = scroll_->takeWidget();
    scroll_->setWidget(content);
    if (old)
        old->deleteLater();
    scroll_->verticalScrollBar()->setValue(scrollPosition);
    if (!focusName.isEmpty())
        for (auto* widget : content->findChildren<QWidget*>())
            if (widget->accessibleName() == focusName && widget->focusPolicy() != Qt::NoFocus) {
                widget->setFocus();
                break;
            }
}

QWidget* StudioSidebarView::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 2);
    auto* heading = new QLabel(title(tab_), header);
    heading->setObjectName("title");
    row->addWidget(heading);
    row->addStretch();
    auto* close = new QPushButton(header);
    close->setObjectName("close");
    close->setFixedSize(18, 18);
    close->setToolTip(tr("Close"));
    close->setAccessibleName(tr("Close"));
    close->setCursor(Qt::PointingHandCursor);
    QPixmap glyph = EditingTheme::icon("xmark", 9, StudioTheme::textSecondary());
    if (glyph.isNull())
        close->setText(QString(QChar(0x2715)));
    else {
        close->setIcon(glyph);
        close->setIconSize(QSize(9, 9));
    }
    connect(close, &QPushButton::clicked, this, [this] {
        if (onClose)
            onClose();
    });
    row->addWidget(close);
    return header;
}

void StudioSidebarView::commit()
{
    if (onChanged)
        onChanged();
}

void StudioSidebarView::showLive()
{
    if (onLiveChanged)
        onLiveChanged();
}

void StudioSidebarView::commitAndRebuild()
{
    commit();
    refresh();
}

} // namespace tarnix
