#include <gtest/gtest.h>

#include "document/JsonReader.h"
#include "update/UpdateChecker.h"

using namespace tarnix;
using UpdateChecker::isNewer;

TEST(VersionComparison, ComparesNumericPiecesPositionByPosition)
{
    EXPECT_TRUE(isNewer("1.0.1", "1.0"));
    EXPECT_FALSE(isNewer("1.0", "1.0.0"));
    EXPECT_FALSE(isNewer("1.0.0", "1.0"));
    EXPECT_TRUE(isNewer("1.10", "1.9"));
    EXPECT_FALSE(isNewer("2", "10"));
    EXPECT_TRUE(isNewer("10", "2"));
    EXPECT_FALSE(isNewer("1.2", "1.2"));
}

TEST(VersionComparison, UnparseablePiecesCountAsZero)
{
    EXPECT_FALSE(isNewer("1.2a", "1.1"));
    EXPECT_FALSE(isNewer("2.0-beta", "2.0"));
    EXPECT_FALSE(isNewer("2.0", "2.0-beta"));
    EXPECT_FALSE(isNewer("abc", "0"));
    EXPECT_FALSE(isNewer("", "0.0"));
    EXPECT_TRUE(isNewer("0.1", "abc"));
    EXPECT_FALSE(isNewer("1. 2", "1.0")); // " 2" is not a number
    EXPECT_FALSE(isNewer("1.99999999999999999999", "1.0")); // too large to parse
}

TEST(VersionComparison, EmptyPiecesAndSignsFollowDecimalParsing)
{
    EXPECT_FALSE(isNewer("1..2", "1.2"));
    EXPECT_FALSE(isNewer(".1.2.", "1.2"));
    EXPECT_TRUE(isNewer("1.+3", "1.2"));
    EXPECT_TRUE(isNewer("1.0", "1.-1"));
    EXPECT_FALSE(isNewer("1.+-3", "1.0")); // two signs do not parse
    EXPECT_FALSE(isNewer("1.+", "1.0"));
}

TEST(UpdateManifest, DecodesRequiredAndOptionalKeys)
{
    auto m = UpdateChecker::decodeManifest(
        R"({"version": "1.4.2", "url": "https://example.org/dl", "notes": "Faster.", "x": 1})");
    EXPECT_EQ(m, (UpdateChecker::Manifest{"1.4.2", "https://example.org/dl", "Faster."}));
    EXPECT_FALSE(UpdateChecker::decodeManifest(R"({"version":"1","url":"u"})").notes);
    EXPECT_FALSE(UpdateChecker::decodeManifest(R"({"version":"1","url":"u","notes":null})").notes);
}

TEST(UpdateManifest, RejectsMissingKeysWrongTypesAndNonJson)
{
    for (const char* body : {R"({"url": "u"})", R"({"version": "1"})",
                             R"({"version": 1.2, "url": "u"})",
                             R"({"version": "1", "url": "u", "notes": 3})",
                             "<html><body>404 Not Found</body></html>", "[]"}) {
        EXPECT_THROW(UpdateChecker::decodeManifest(body), DecodingError) << body;
    }
}
