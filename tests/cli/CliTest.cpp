// Runs the real tarnix-cli binary the way a user would and checks its output and exit codes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

namespace {

using tarnix::test::runCli;

const std::string kSample = std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json";

std::filesystem::path writeFile(const tarnix::test::ScratchFolder& folder, const std::string& name,
                                const std::string& text)
{
    std::ofstream(folder.path / name) << text;
    return folder.path / name;
}

} // namespace

TEST(CliValidate, AcceptsTheSampleAndRejectsBrokenDocuments)
{
    auto ok = runCli("validate " + kSample);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, "ok\n");

    tarnix::test::ScratchFolder folder;
    auto bad = writeFile(folder, "bad.json", R"({"hasSystemAudio": "yes"})");
    auto failed = runCli("validate " + bad.string(), true);
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_NE(failed.out.find("hasSystemAudio: expected a boolean, found string"),
              std::string::npos)
        << failed.out;

    // Regions that end before they start, or at a time no recording reaches, are named.
    nlohmann::json doc = nlohmann::json::parse(std::ifstream(kSample));
    doc["zoomRegions"] = nlohmann::json::parse(R"([{"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
        "start": 5, "end": 3, "rect": [[0.2, 0.2], [0.5, 0.5]], "easing": "easeInOut"}])");
    auto backwards = runCli("validate " + writeFile(folder, "backwards.json", doc.dump()).string(), true);
    EXPECT_EQ(backwards.exitCode, 2);
    EXPECT_NE(backwards.out.find("zoomRegions[0].end: the region ends"), std::string::npos)
        << backwards.out;
    doc = nlohmann::json::parse(std::ifstream(kSample));
    doc["redactRegions"] = nlohmann::json::parse(R"([{"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
        "start": 2, "end": 1e300, "rect": [[0.2, 0.2], [0.1, 0.1]]}])");
    auto endless = runCli("validate " + writeFile(folder, "endless.json", doc.dump()).string(), true);
    EXPECT_EQ(endless.exitCode, 2);
    EXPECT_NE(endless.out.find("redactRegions[0].end: out of range: 1e+300"), std::string::npos)
        << endless.out;

    auto missing = runCli("validate /nonexistent/doc.json", true);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.out.find("No such file"), std::string::npos) << missing.out;
}

TEST(CliAutozoom, PrintsElementRegionsOfTheSample)
{
    auto result = runCli("autozoom " + kSample);
    ASSERT_EQ(result.exitCode, 0);
    auto regions = nlohmann::json::parse(result.out);
    ASSERT_TRUE(regions.is_array());
    ASSERT_FALSE(regions.empty());
    for (const auto& region : regions) {
        EXPECT_EQ(region["easing"], "easeInOut");
        EXPECT_EQ(region["id"].get<std::string>().size(), 36u);
        EXPECT_LE(region["start"].get<double>(), region["end"].get<double>());
        // Frame-shaped, between 1.2x and 4x.
        double width = region["rect"][1][0], height = region["rect"][1][1];
        EXPECT_EQ(width, height);
        EXPECT_GE(width, 0.25 - 1e-12);
        EXPECT_LE(width, 1 / 1.2 + 1e-12);
    }
    // The sample's search field is focused at 1.7 s: its region starts 0.35 s earlier.
    EXPECT_NEAR(regions[0]["start"].get<double>(), 1.35, 1e-9);
}

TEST(CliZoomAt, PrintsTheRectangleAtATime)
{
    nlohmann::json doc = nlohmann::json::parse(std::ifstream(kSample));
    doc["zoomRegions"] = nlohmann::json::parse(R"([{"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8",
        "start": 2, "end": 5, "rect": [[0.2, 0.2], [0.5, 0.5]], "easing": "easeInOut"}])");
    tarnix::test::ScratchFolder folder;
    auto path = writeFile(folder, "zoom.json", doc.dump());
    auto ramp = nlohmann::json::parse(runCli("zoom-at " + path.string() + " 1.7").out);
    EXPECT_NEAR(ramp[0][0].get<double>(), 0.1, 1e-9);
    EXPECT_NEAR(ramp[0][1].get<double>(), 0.1, 1e-9);
    EXPECT_NEAR(ramp[1][0].get<double>(), 0.75, 1e-9);
    EXPECT_NEAR(ramp[1][1].get<double>(), 0.75, 1e-9);
    EXPECT_EQ(runCli("zoom-at " + path.string() + " 3").out, "[[0.2, 0.2], [0.5, 0.5]]\n");
    EXPECT_EQ(runCli("zoom-at " + path.string() + " 0").out, "[[0.0, 0.0], [1.0, 1.0]]\n");

    // A region stored with unequal sides prints the part actually shown.
    doc["zoomRegions"][0]["rect"] = nlohmann::json::parse("[[0.1, 0.4], [0.8, 0.05]]");
    path = writeFile(folder, "strip.json", doc.dump());
    auto held = nlohmann::json::parse(runCli("zoom-at " + path.string() + " 3").out);
    EXPECT_NEAR(held[0][0].get<double>(), 0.1, 1e-9);
    EXPECT_NEAR(held[0][1].get<double>(), 0.025, 1e-9);
    EXPECT_NEAR(held[1][0].get<double>(), 0.8, 1e-9);
    EXPECT_NEAR(held[1][1].get<double>(), 0.8, 1e-9);
}

TEST(CliUsage, MisuseExitsWithUsage)
{
    EXPECT_EQ(runCli("").exitCode, 2);
    EXPECT_EQ(runCli("frobnicate").exitCode, 2);
    EXPECT_EQ(runCli("validate").exitCode, 2);
    EXPECT_EQ(runCli("zoom-at " + kSample).exitCode, 2);
    auto notNumber = runCli("zoom-at " + kSample + " soon", true);
    EXPECT_EQ(notNumber.exitCode, 2);
    EXPECT_NE(notNumber.out.find("usage:"), std::string::npos);
    EXPECT_EQ(runCli("zoom-at " + kSample + " nan").exitCode, 2);
    EXPECT_EQ(runCli("--help").exitCode, 0);
}
