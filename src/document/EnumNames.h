#pragma once

#include <optional>
#include <string_view>
#include <utility>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// Raw string values of the document's enumerations: each equals its case name, except the
// canvas aspects, which are their ratios ("16:9").

namespace tarnix {

template <class E>
struct EnumNames;

#define TARNIX_ENUM_NAMES(Type, ...)                                                        \
    template <>                                                                             \
    struct EnumNames<Type> {                                                                \
        static constexpr std::pair<Type, std::string_view> values[] = {__VA_ARGS__};        \
    };

TARNIX_ENUM_NAMES(ClickKind, {ClickKind::leftDown, "leftDown"}, {ClickKind::leftUp, "leftUp"},
                  {ClickKind::rightDown, "rightDown"}, {ClickKind::rightUp, "rightUp"})
TARNIX_ENUM_NAMES(EasingCurve, {EasingCurve::linear, "linear"}, {EasingCurve::easeIn, "easeIn"},
                  {EasingCurve::easeOut, "easeOut"}, {EasingCurve::easeInOut, "easeInOut"})
TARNIX_ENUM_NAMES(CameraBubbleShape, {CameraBubbleShape::circle, "circle"},
                  {CameraBubbleShape::rounded, "rounded"})
TARNIX_ENUM_NAMES(BackgroundStyle, {BackgroundStyle::none, "none"},
                  {BackgroundStyle::solid, "solid"}, {BackgroundStyle::gradient, "gradient"},
                  {BackgroundStyle::image, "image"})
TARNIX_ENUM_NAMES(CanvasAspect, {CanvasAspect::source, "source"},
                  {CanvasAspect::wide16x9, "16:9"}, {CanvasAspect::tall9x16, "9:16"},
                  {CanvasAspect::square1x1, "1:1"}, {CanvasAspect::classic4x3, "4:3"},
                  {CanvasAspect::portrait4x5, "4:5"})
TARNIX_ENUM_NAMES(CursorStyle, {CursorStyle::system, "system"}, {CursorStyle::dot, "dot"},
                  {CursorStyle::ring, "ring"})
TARNIX_ENUM_NAMES(KeyModifier, {KeyModifier::ctrl, "ctrl"}, {KeyModifier::alt, "alt"},
                  {KeyModifier::shift, "shift"}, {KeyModifier::super, "super"})
TARNIX_ENUM_NAMES(KeystrokePosition, {KeystrokePosition::bottom, "bottom"},
                  {KeystrokePosition::top, "top"})
TARNIX_ENUM_NAMES(KeystrokeStyle, {KeystrokeStyle::dark, "dark"}, {KeystrokeStyle::light, "light"})

#undef TARNIX_ENUM_NAMES

template <class E>
constexpr std::string_view rawValue(E value)
{
    for (const auto& [v, name] : EnumNames<E>::values)
        if (v == value)
            return name;
    return {};
}

template <class E>
constexpr std::optional<E> enumFromRawValue(std::string_view text)
{
    for (const auto& [v, name] : EnumNames<E>::values)
        if (name == text)
            return v;
    return std::nullopt;
}

} // namespace tarnix
