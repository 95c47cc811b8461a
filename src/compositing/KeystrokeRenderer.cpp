#include "compositing/KeystrokeRenderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace tarnix::KeystrokeRenderer {

namespace {

constexpr double kPillHeight = 1.9;        // × the text height
constexpr double kSidePadding = 0.85;      // × the text height, on each side of the text
constexpr double kEdgeMargin = 0.07;       // × the canvas height, between the pill and its edge
constexpr double kMaxWidthFraction = 0.92; // of the canvas width; longer text is elided

struct KeyName {
    std::string_view keysym;
    std::string_view shown;
};

// Keys that print nothing carry their keysym's name; these read better.
constexpr std::array<KeyName, 22> kKeyNames{{
    {"Return", "Enter"},     {"KP_Enter", "Enter"},      {"space", "Space"},
    {"BackSpace", "Backspace"}, {"Escape", "Esc"},       {"Prior", "Page Up"},
    {"Next", "Page Down"},   {"Left", "←"},              {"Right", "→"},
    {"Up", "↑"},             {"Down", "↓"},              {"ISO_Left_Tab", "Tab"},
    {"Delete", "Delete"},    {"Insert", "Insert"},       {"Print", "Print Screen"},
    {"Caps_Lock", "Caps Lock"}, {"Num_Lock", "Num Lock"}, {"Scroll_Lock", "Scroll Lock"},
    {"Menu", "Menu"},        {"minus", "-"},             {"plus", "+"},
    {"equal", "="},
}};

std::string shownKey(const std::string& key)
{
    for (const auto& name : kKeyNames)
        if (name.keysym == key)
            return std::string(name.shown);
    return key;
}

std::string_view modifierName(KeyModifier modifier)
{
    switch (modifier) {
    case KeyModifier::ctrl: return "Ctrl";
    case KeyModifier::alt: return "Alt";
    case KeyModifier::shift: return "Shift";
    case KeyModifier::super: return "Super";
    }
    return {};
}

struct PillColors {
    QColor fill;
    QColor edge;
    QColor text;
};

PillColors colors(KeystrokeStyle style)
{
    if (style == KeystrokeStyle::light)
        return {QColor(250, 250, 252, 235), QColor(0, 0, 0, 40), QColor(28, 28, 32)};
    return {QColor(22, 22, 26, 215), QColor(255, 255, 255, 46), QColor(255, 255, 255)};
}

// The press shown at `time`: the last one at or before it, if its pill is still up.
const Keystroke* shownAt(double time, const std::vector<Keystroke>& keystrokes)
{
    auto after = std::upper_bound(keystrokes.begin(), keystrokes.end(), time,
                                  [](double t, const Keystroke& k) { return t < k.time; });
    if (after == keystrokes.begin())
        return nullptr;
    const Keystroke& last = *std::prev(after);
    return time - last.time < kShownSeconds ? &last : nullptr;
}

} // namespace

std::string label(const KeyEvent& event)
{
    std::string out;
    for (KeyModifier modifier : {KeyModifier::ctrl, KeyModifier::alt, KeyModifier::shift,
                                 KeyModifier::super})
        if (std::find(event.modifiers.begin(), event.modifiers.end(), modifier) !=
            event.modifiers.end()) {
            out += modifierName(modifier);
            out += " + ";
        }
    return out + shownKey(event.key);
}

std::vector<Keystroke> prepare(const std::vector<KeyEvent>& events)
{
    std::vector<const KeyEvent*> sorted;
    for (const auto& event : events)
        if (std::isfinite(event.timestamp))
            sorted.push_back(&event);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const KeyEvent* a, const KeyEvent* b) { return a->timestamp < b->timestamp; });
    std::vector<Keystroke> out;
    out.reserve(sorted.size());
    for (const KeyEvent* event : sorted) {
        Keystroke k{event->timestamp, label(*event)};
        if (!out.empty() && k.time - out.back().time < kShownSeconds) {
            k.replacesShown = true;
            if (out.back().label == k.label)
                k.count = out.back().count + 1;
        }
        out.push_back(std::move(k));
    }
    return out;
}

std::string text(const Keystroke& keystroke)
{
    if (keystroke.count < 2)
        return keystroke.label;
    return keystroke.label + " ×" + std::to_string(keystroke.count);
}

double opacity(const Keystroke& keystroke, double age)
{
    if (!(age >= 0 && age < kShownSeconds))
        return 0;
    double fadeOut = std::min(1.0, (kShownSeconds - age) / kFadeSeconds);
    double fadeIn = keystroke.replacesShown ? 1.0 : std::min(1.0, age / kFadeSeconds);
    return std::clamp(std::min(fadeIn, fadeOut), 0.0, 1.0);
}

namespace {
// Top-left image coordinates: the painter draws in rows.
double pillTop(double canvasHeight, double pillHeight, const KeystrokeOverlaySettings& settings)
{
    const double margin = canvasHeight * kEdgeMargin;
    return settings.position == KeystrokePosition::top ? margin
                                                       : canvasHeight - margin - pillHeight;
}
} // namespace

std::optional<QRectF> band(QSizeF canvasSize, double time, double overlayWidth,
                           const std::vector<Keystroke>& keystrokes,
                           const KeystrokeOverlaySettings& settings)
{
    if (!settings.isEnabled || keystrokes.empty())
        return std::nullopt;
    const Keystroke* shown = shownAt(time, keystrokes);
    const double textHeight = overlayWidth * settings.sizeFraction;
    if (!shown || !(opacity(*shown, time - shown->time) > 0) || !(textHeight >= 1) ||
        !std::isfinite(textHeight))
        return std::nullopt;
    const double height = textHeight * kPillHeight;
    // The outline's pen reaches half its width beyond the pill.
    const double pen = std::max(1.0, textHeight / 24) + 2;
    return QRectF(0, pillTop(canvasSize.height(), height, settings) - pen, canvasSize.width(),
                  height + 2 * pen);
}

void draw(graphics::Canvas& canvas, double time, double overlayWidth,
          const std::vector<Keystroke>& keystrokes, const KeystrokeOverlaySettings& settings)
{
    if (!settings.isEnabled || keystrokes.empty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    const Keystroke* shown = shownAt(time, keystrokes);
    if (!shown)
        return;
    const double alpha = opacity(*shown, time - shown->time);
    const double textHeight = overlayWidth * settings.sizeFraction;
    if (!(alpha > 0) || !(textHeight >= 1) || !std::isfinite(textHeight))
        return;

    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(std::lround(textHeight))));
    font.setWeight(QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const double W = canvas.width(), H = canvas.height();
    const double pad = textHeight * kSidePadding;
    const double height = textHeight * kPillHeight;
    QString content = QString::fromStdString(text(*shown));
    content = metrics.elidedText(content, Qt::ElideMiddle, W * kMaxWidthFraction - 2 * pad);
    const double width = metrics.horizontalAdvance(content) + 2 * pad;
    const double top = pillTop(H, height, settings);
    const QRectF pill((W - width) / 2, top, width, height);

    const PillColors palette = colors(settings.style);
    QPainter& painter = canvas.painter();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setOpacity(alpha);
    painter.setPen(QPen(palette.edge, std::max(1.0, textHeight / 24)));
    painter.setBrush(palette.fill);
    painter.drawRoundedRect(pill, height / 2, height / 2);
    painter.setFont(font);
    painter.setPen(palette.text);
    painter.drawText(pill, Qt::AlignCenter, content);
    painter.restore();
}

} // namespace tarnix::KeystrokeRenderer
