#pragma once

#include <chrono>
#include <string>

namespace tarnix {

// A wall-clock instant, stored as seconds since 2001-01-01 00:00:00 UTC (the reference date of
// the document's serialised form).
struct Date {
    double timeIntervalSinceReferenceDate = 0;

    // Seconds between 1970-01-01 and 2001-01-01.
    static constexpr double kReferenceDateUnixSeconds = 978307200.0;

    static Date now();
    static Date fromUnixSeconds(double seconds) { return {seconds - kReferenceDateUnixSeconds}; }
    double unixSeconds() const { return timeIntervalSinceReferenceDate + kReferenceDateUnixSeconds; }

    // ISO 8601 in UTC to the second, for example "2026-12-05T14:03:07Z".
    std::string iso8601() const;

    bool operator==(const Date&) const = default;
    auto operator<=>(const Date&) const = default;
};

} // namespace tarnix
