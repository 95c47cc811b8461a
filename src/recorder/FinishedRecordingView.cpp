#include "recorder/FinishedRecordingView.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

QLabel* label(const QString& text, int pixelSize, QFont::Weight weight, const QColor& color, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(StudioTheme::font(pixelSize, weight));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, color);
    l->setPalette(p);
    return l;
}

QString sizeText(const std::filesystem::path& path)
{
    const QFileInfo info(QString::fromStdString(path.string()));
    return info.exists() ? QLocale().formattedDataSize(info.size()) : QStringLiteral("missing");
}

} // namespace

FinishedRecordingView::FinishedRecordingView(const StudioMode::Recording& recording, std::function<void()> onClose,
                                             QWidget* parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(48, 48, 48, 40);
    outer->addStretch(1);

    auto* card = new QWidget(this);
    card->setMaximumWidth(640);
    auto* column = new QVBoxLayout(card);
    column->setSpacing(8);
    column->addWidget(label(QStringLiteral("Recording saved"), 26, QFont::DemiBold, StudioTheme::textPrimary(), card));
    column->addWidget(label(QStringLiteral("Everything was written next to the screen movie."), 14, QFont::Normal,
                            StudioTheme::textSecondary(), card));
    column->addSpacing(18);

    struct Entry {
        QString kind;
        QString icon;
        std::optional<std::filesystem::path> path;
    };
    const RecordingTimeline& timeline = recording.timeline;
    const std::vector<Entry> entries = {
        {QStringLiteral("Screen"), QStringLiteral("display"), timeline.videoURL},
        {QStringLiteral("Camera"), QStringLiteral("video-fill"), timeline.cameraURL},
        {QStringLiteral("Microphone"), QStringLiteral("mic-fill"), timeline.microphoneURL},
        {QStringLiteral("Document"), QStringLiteral("film"), recording.documentPath},
    };
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(12);
    int row = 0;
    for (const Entry& entry : entries) {
        if (!entry.path)
            continue;
        const QString name = QString::fromStdString(entry.path->filename().string());
        fileNames_ << name;
        auto* icon = new QLabel(card);
        icon->setPixmap(PhosphorIcon::pixmap(entry.icon, 18, StudioTheme::accent().lighter(120)));
        grid->addWidget(icon, row, 0);
        grid->addWidget(label(entry.kind, 13, QFont::Medium, StudioTheme::textSecondary(), card), row, 1);
        auto* file = label(name, 13, QFont::Medium, StudioTheme::textPrimary(), card);
        file->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(file, row, 2);
        grid->addWidget(label(sizeText(*entry.path), 12, QFont::Normal, StudioTheme::textTertiary(), card), row, 3,
                        Qt::AlignRight);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    column->addLayout(grid);
    if (recording.documentError)
        column->addWidget(label(QStringLiteral("The document could not be saved: ") +
                                    QString::fromStdString(*recording.documentError),
                                12, QFont::Normal, StudioTheme::recording(), card));
    column->addSpacing(22);

    auto* buttons = new QHBoxLayout();
    const QString folder =
        QString::fromStdString(timeline.videoURL ? timeline.videoURL->parent_path().string() : std::string());
    auto* reveal = new QPushButton(QStringLiteral("Show in Files"), card);
    reveal->setIcon(PhosphorIcon::icon(QStringLiteral("folder-open"), 16, StudioTheme::textPrimary()));
    connect(reveal, &QPushButton::clicked, this, [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); });
    close_ = new QPushButton(QStringLiteral("Close"), card);
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, [onClose = std::move(onClose)] {
        if (onClose)
            onClose();
    });
    for (QPushButton* b : {reveal, close_}) {
        b->setMinimumHeight(34);
        b->setCursor(Qt::PointingHandCursor);
    }
    reveal->setVisible(!folder.isEmpty());
    buttons->addWidget(reveal);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    column->addLayout(buttons);

    auto* centre = new QHBoxLayout();
    centre->addStretch(1);
    centre->addWidget(card, 4);
    centre->addStretch(1);
    outer->addLayout(centre);
    outer->addStretch(2);
}

} // namespace tarnix
