#pragma once

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

// What the ffmpeg tool's own meter (EBU R128) says of a file's sound, independent of the code
// under test.

namespace tarnix::media::test {

struct ToolLoudness {
    double integrated = -999; // LUFS; -999 when the tool said nothing
    double truePeak = 999;    // dBTP; -999 for digital silence
};

inline ToolLoudness measureLoudnessWithTool(const std::filesystem::path& file)
{
    std::string command = "ffmpeg -nostdin -hide_banner -i \"" + file.string() +
                          "\" -map 0:a -af ebur128=peak=true -f null - 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        pclose(pipe);
    }
    // The summary comes last, after a line per tenth of a second.
    auto last = [&output](const char* pattern) {
        std::string found;
        std::regex expression(pattern);
        for (std::sregex_iterator i(output.begin(), output.end(), expression), end; i != end; ++i)
            found = (*i)[1];
        return found;
    };
    ToolLoudness measure;
    if (std::string i = last(R"(I:\s+(-?[0-9.]+) LUFS)"); !i.empty())
        measure.integrated = std::stod(i);
    if (std::string peak = last(R"(Peak:\s+(-?[0-9.]+|-inf) dBFS)"); !peak.empty())
        measure.truePeak = peak == "-inf" ? -999 : std::stod(peak);
    return measure;
}

} // namespace tarnix::media::test
