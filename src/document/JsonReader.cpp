#include "document/JsonReader.h"

#include <cmath>

namespace tarnix {

DecodingError::DecodingError(std::string path, std::string reason)
    : std::runtime_error((path.empty() ? std::string("(document)") : path) + ": " + reason)
    , path_(std::move(path))
    , reason_(std::move(reason))
{
}

nlohmann::json parseJson(std::string_view text, const nlohmann::json::parser_callback_t& callback)
{
    try {
        return nlohmann::json::parse(text.begin(), text.end(), callback);
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError({}, std::string("malformed JSON: ") + error.what());
    }
}

static const char* typeName(const nlohmann::json& v)
{
    return v.type_name();
}

JsonReader::JsonReader(const nlohmann::json& value, std::string path)
    : value_(value)
    , path_(std::move(path))
{
}

std::string JsonReader::childPath(std::string_view key) const
{
    return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
}

void JsonReader::fail(const std::string& reason) const
{
    throw DecodingError(path_, reason);
}

void JsonReader::expectObject() const
{
    if (!value_.is_object())
        fail(std::string("expected an object, found ") + typeName(value_));
}

void JsonReader::expectArray(std::size_t requiredSize) const
{
    if (!value_.is_array())
        fail(std::string("expected an array, found ") + typeName(value_));
    if (requiredSize > 0 && value_.size() != requiredSize)
        fail("expected an array of " + std::to_string(requiredSize) + " elements, found " +
             std::to_string(value_.size()));
}

JsonReader JsonReader::element(std::size_t index) const
{
    return JsonReader(value_[index], path_ + "[" + std::to_string(index) + "]");
}

JsonReader JsonReader::operator[](std::string_view key) const
{
    expectObject();
    auto it = value_.find(key);
    if (it == value_.end())
        throw DecodingError(childPath(key), "missing key");
    return JsonReader(*it, childPath(key));
}

std::optional<JsonReader> JsonReader::optional(std::string_view key) const
{
    expectObject();
    auto it = value_.find(key);
    if (it == value_.end() || it->is_null())
        return std::nullopt;
    return JsonReader(*it, childPath(key));
}

double JsonReader::number() const
{
    if (!value_.is_number())
        fail(std::string("expected a number, found ") + typeName(value_));
    double v = value_.get<double>();
    if (!std::isfinite(v))
        fail("number is not finite");
    return v;
}

bool JsonReader::boolean() const
{
    if (!value_.is_boolean())
        fail(std::string("expected a boolean, found ") + typeName(value_));
    return value_.get<bool>();
}

std::string JsonReader::string() const
{
    if (!value_.is_string())
        fail(std::string("expected a string, found ") + typeName(value_));
    return value_.get<std::string>();
}

Point JsonReader::point() const
{
    expectArray(2);
    return {element(0).number(), element(1).number()};
}

Size JsonReader::size() const
{
    expectArray(2);
    return {element(0).number(), element(1).number()};
}

Rect JsonReader::rect() const
{
    expectArray(2);
    Point origin = element(0).point();
    Size size = element(1).size();
    return {origin.x, origin.y, size.width, size.height};
}

Uuid JsonReader::uuid() const
{
    std::string text = string();
    auto id = Uuid::fromString(text);
    if (!id)
        fail("not a UUID: \"" + text + "\"");
    return *id;
}

} // namespace tarnix
