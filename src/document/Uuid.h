#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

// A random (version 4) UUID, written in its canonical upper-case 36-character form.
class Uuid {
public:
    Uuid() = default; // the nil UUID
    static Uuid random();
    static std::optional<Uuid> fromString(std::string_view text); // either letter case

    std::string toString() const;
    bool isNil() const;
    bool operator==(const Uuid&) const = default;
    auto operator<=>(const Uuid&) const = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace tarnix
