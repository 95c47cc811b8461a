#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "document/DocumentCoding.h"

// The message a document's decoding fails with; a test failure when it decodes.
inline std::string decodeFailure(const std::string& text)
{
    try {
        tarnix::decodeRecordingTimeline(text);
    } catch (const tarnix::DecodingError& error) {
        return error.what();
    }
    ADD_FAILURE() << "decoding succeeded: " << text;
    return {};
}

inline std::string decodeFailure(const char* text)
{
    return decodeFailure(std::string(text));
}

inline std::string decodeFailure(const nlohmann::json& json)
{
    return decodeFailure(json.dump());
}
