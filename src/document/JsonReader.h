#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "document/EnumNames.h"
#include "document/Geometry.h"
#include "document/Uuid.h"

namespace tarnix {

// The one error of strict JSON decoding. what() is "<path>: <reason>", for example
// `zoomRegions[2].easing: unknown value "bounce"`.
class DecodingError : public std::runtime_error {
public:
    DecodingError(std::string path, std::string reason);
    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

// Parses JSON text; malformed text raises DecodingError at the root path. A callback sees the
// parser's events as nlohmann::json::parse describes (it may leave values out of the tree); what
// it throws is thrown on.
nlohmann::json parseJson(std::string_view text,
                         const nlohmann::json::parser_callback_t& callback = nullptr);

// A cursor over a parsed JSON value that remembers its path, so every failure names where it
// happened. Readers are cheap views: the value must outlive them.
class JsonReader {
public:
    explicit JsonReader(const nlohmann::json& value, std::string path = {});

    // A required key of an object.
    JsonReader operator[](std::string_view key) const;
    // An optional key: nothing when it is missing or null.
    std::optional<JsonReader> optional(std::string_view key) const;

    double number() const; // finite numbers only
    bool boolean() const;
    std::string string() const;
    Point point() const;   // [x, y]
    Size size() const;     // [width, height]
    Rect rect() const;     // [[x, y], [width, height]]
    Uuid uuid() const;     // canonical 36-character form

    template <class E>
    E enumeration() const
    {
        std::string text = string();
        if (auto value = enumFromRawValue<E>(text))
            return *value;
        fail("unknown value \"" + text + "\"");
    }

    // Decodes every element of an array with read(JsonReader) -> T.
    template <class T, class Read>
    std::vector<T> list(Read read) const
    {
        expectArray(0);
        std::vector<T> out;
        out.reserve(value_.size());
        for (std::size_t i = 0; i < value_.size(); ++i)
            out.push_back(read(element(i)));
        return out;
    }

    const nlohmann::json& value() const { return value_; }
    const std::string& path() const { return path_; }
    [[noreturn]] void fail(const std::string& reason) const;

private:
    void expectObject() const;
    void expectArray(std::size_t requiredSize) const;
    JsonReader element(std::size_t index) const;
    std::string childPath(std::string_view key) const;

    const nlohmann::json& value_;
    std::string path_;
};

} // namespace tarnix
