#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

// The application's own vector icons (the Phosphor set), drawn as templates: only their shape is
// used, filled with the colour of the text around them, so one icon serves every state and theme.
// The build copies the icons named in resources/icons/phosphor-icons.txt into the resources at
// ":/tarnix/Icons/NAME.svg". A name without an SVG there falls back to the desktop's icon theme.
//
// Threads: GUI thread only. Loaded images are cached for the whole run under NAME@SIZE, the size
// in points written with a fractional part ("refresh@12.0").

namespace tarnix {

class PhosphorIcon : public QWidget {
    Q_OBJECT

public:
    // A size × size view of the icon, drawn in the widget's foreground colour.
    PhosphorIcon(const QString& name, qreal size, QWidget* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    qreal iconSize() const { return size_; }
    QSize sizeHint() const override;

    // The icon's shape as an alpha mask pointSize points square (rendered for the sharpest screen,
    // at least twice its size), or none when there is no such resource or it does not load.
    static std::optional<QImage> image(const QString& name, qreal pointSize);
    // The icon in `color`: the template filled; the desktop's theme icon when there is none.
    static QPixmap pixmap(const QString& name, qreal pointSize, const QColor& color);
    // For buttons and menus: `color` when enabled, a dimmer version of it when disabled.
    static QIcon icon(const QString& name, qreal pointSize, const QColor& color);

    static QString cacheKey(const QString& name, qreal pointSize);
    static QString resourcePath(const QString& name);
    // How many icon files have been read so far: a cached icon is not read again.
    static int fileLoadCount();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    qreal size_;
};

} // namespace tarnix
