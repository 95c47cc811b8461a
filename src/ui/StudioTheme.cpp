#include "ui/StudioTheme.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

namespace tarnix::StudioTheme {

namespace {

QColor rgb(qreal r, qreal g, qreal b)
{
    return QColor::fromRgbF(float(r), float(g), float(b));
}

QColor white(qreal opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}

} // namespace

QColor background() { return rgb(0.071, 0.071, 0.078); }
QColor panel() { return rgb(0.106, 0.104, 0.114); }
QColor panelElevated() { return rgb(0.153, 0.149, 0.163); }
QColor stroke() { return white(0.08); }
QColor textPrimary() { return white(0.92); }
QColor textSecondary() { return white(0.55); }
QColor textTertiary() { return white(0.35); }
QColor accent() { return rgb(0.502, 0.502, 0.988); }
QColor accentDim() { return withOpacity(accent(), 0.22); }
QColor recording() { return rgb(0.992, 0.278, 0.357); }
QColor trackBackground() { return white(0.05); }

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

QPalette palette()
{
    // Palette roles want opaque colours where the style fills with them; the translucent text
    // colours are flattened onto the window colour so that every style draws them the same.
    auto over = [](QColor top, QColor bottom) {
        const qreal a = top.alphaF();
        return rgb(top.redF() * a + bottom.redF() * (1 - a), top.greenF() * a + bottom.greenF() * (1 - a),
                   top.blueF() * a + bottom.blueF() * (1 - a));
    };
    const QColor text = over(textPrimary(), background());
    const QColor tertiary = over(textTertiary(), background());

    QPalette p;
    p.setColor(QPalette::Window, background());
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, panel());
    p.setColor(QPalette::AlternateBase, panelElevated());
    p.setColor(QPalette::ToolTipBase, panelElevated());
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, tertiary);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, panelElevated());
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, recording());
    p.setColor(QPalette::Light, over(white(0.16), panelElevated()));
    p.setColor(QPalette::Midlight, over(white(0.10), panelElevated()));
    p.setColor(QPalette::Mid, over(stroke(), panel()));
    p.setColor(QPalette::Dark, background().darker(140));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    p.setColor(QPalette::Highlight, accent());
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::Link, accent());
    p.setColor(QPalette::LinkVisited, accent().darker(120));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, tertiary);
    p.setColor(QPalette::Disabled, QPalette::Highlight, over(accentDim(), background()));
    p.setColor(QPalette::Inactive, QPalette::PlaceholderText, tertiary);
    return p;
}

void applyTo(QApplication& app)
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setPalette(palette());
    QFont font = app.font();
    if (QFontDatabase::families().contains(QStringLiteral("Inter")))
        font.setFamily(QStringLiteral("Inter"));
    font.setPixelSize(13);
    app.setFont(font);
}

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont f = QApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    return f;
}

QString menuStyleSheet()
{
    auto css = [](const QColor& c) { return c.name(QColor::HexArgb); };
    return QStringLiteral(
               "QMenu { background: %1; border: 1px solid %2; border-radius: 8px; padding: 5px; color: %3; }"
               "QMenu::item { padding: 6px 22px 6px 24px; border-radius: 5px; }"
               "QMenu::item:selected { background: %4; color: white; }"
               "QMenu::item:disabled { color: %5; }"
               "QMenu::indicator { width: 14px; height: 14px; left: 6px; }"
               "QMenu::separator { height: 1px; background: %2; margin: 4px 6px; }")
        .arg(css(panelElevated()), css(QColor(255, 255, 255, 30)), css(textPrimary()), css(accent()),
             css(textTertiary()));
}

} // namespace tarnix::StudioTheme
