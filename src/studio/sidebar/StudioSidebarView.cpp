#include "studio/sidebar/StudioSidebarView.h"

#include <QApplication>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "compositing/ImageThumbnailLoader.h"
#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarStyle.h"

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
    rebuildNow();
}

StudioSidebarView::~StudioSidebarView() = default;

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
    switch (tab_) {
    case StudioTab::zoom: buildZoomPanel(column); break;
    case StudioTab::camera: buildCameraPanel(column); break;
    case StudioTab::background: buildBackgroundPanel(column); break;
    case StudioTab::audio: buildAudioPanel(column); break;
    case StudioTab::cursor: buildCursorPanel(column); break;
    case StudioTab::redact: buildPrivacyPanel(column); break;
    }
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

void StudioSidebarView::commitAndRebuild()
{
    commit();
    refresh();
}

void StudioSidebarView::loadWallpapers()
{
    if (wallpapers_ || wallpapersLoading_ || !wallpaperSource)
        return;
    wallpapersLoading_ = true;
    auto* watcher = new QFutureWatcher<std::vector<SystemWallpaper>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        wallpapers_ = watcher->result();
        wallpapersLoading_ = false;
        watcher->deleteLater();
        if (tab_ == StudioTab::background)
            refresh();
    });
    watcher->setFuture(QtConcurrent::run(wallpaperSource));
}

void StudioSidebarView::loadCustomThumbnail(const QString& path)
{
    if (customThumbnailPath_ == path)
        return;
    customThumbnailPath_ = path;
    customImageThumbnail_ = QImage();
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        if (customThumbnailPath_ != path)
            return; // another image was chosen meanwhile
        customImageThumbnail_ = watcher->result();
        refresh();
    });
    watcher->setFuture(QtConcurrent::run([path] {
        return ImageThumbnailLoader::thumbnail(path.toStdString(), 300).value_or(QImage());
    }));
}

} // namespace tarnix
