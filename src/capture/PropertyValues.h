#pragma once

#include <QString>

#include <optional>
#include <string>
#include <utility>

// What the capture objects' Qt properties share: a setter stores a value and signals only a
// change, and an optional message reads as a QString (empty without one).

namespace tarnix {

// Stores `value` in `field`; true when it differed, so that the caller emits its change signal.
template <class T, class U>
bool assignIfChanged(T& field, U&& value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

inline QString optionalText(const std::optional<std::string>& text)
{
    return text ? QString::fromStdString(*text) : QString();
}

} // namespace tarnix
