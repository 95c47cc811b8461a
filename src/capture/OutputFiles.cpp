#include "capture/OutputFiles.h"

#include <QStandardPaths>

#include "files/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace tarnix::OutputFiles {

std::string timestampName(const Date& date)
{
    std::string text = date.iso8601();
    std::replace(text.begin(), text.end(), ':', '-');
    return text;
}

std::string fileName(const std::string& prefix, const Date& date, const std::string& extension)
{
    return prefix + timestampName(date) + extension;
}

std::optional<std::filesystem::path> videosDirectory()
{
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (movies.isEmpty())
        return std::nullopt;
    return std::filesystem::path(movies.toStdString());
}

std::filesystem::path defaultDirectory()
{
    const auto videos = videosDirectory();
    if (!videos)
        throw std::runtime_error("there is no videos folder to record into (the home folder is not set)");
    std::error_code error;
    std::filesystem::create_directories(*videos, error);
    if (error || !std::filesystem::is_directory(*videos))
        throw FileError("create the videos folder", *videos, error ? error.value() : ENOTDIR);
    return *videos;
}

std::filesystem::path outputPath(const std::optional<std::filesystem::path>& directory,
                                 const std::string& prefix, const Date& date,
                                 const std::string& extension)
{
    return (directory ? *directory : defaultDirectory()) / fileName(prefix, date, extension);
}

std::filesystem::path reserveOutputPath(const std::optional<std::filesystem::path>& directory,
                                        const std::string& prefix, const Date& date,
                                        const std::string& extension)
{
    return reserveNewFile(outputPath(directory, prefix, date, extension));
}

} // namespace tarnix::OutputFiles
