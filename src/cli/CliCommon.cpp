#include "cli/CliCommon.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "document/DocumentCoding.h"

namespace tarnix::cli {

std::string readFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw InputError(path.string() + ": is a folder, not a document");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(path.string() + ": " + std::strerror(errno));
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw InputError(path.string() + ": read failed");
    return text.str();
}

RecordingTimeline loadDocument(const std::filesystem::path& path)
{
    std::string text = readFile(path);
    try {
        return decodeRecordingTimeline(text);
    } catch (const DecodingError& error) {
        throw InputError(path.string() + ": " + error.what());
    }
}

double parseNumber(const std::string& text, const std::string& what)
{
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || !std::isfinite(value))
        throw UsageError(what + " must be a number, not \"" + text + "\"");
    return value;
}

std::string formatNumber(double value)
{
    return nlohmann::json(value).dump();
}

} // namespace tarnix::cli
