#include "capture/OutputFiles.h"

#include <QStandardPaths>

#include "document/AtomicFile.h"

#include <algorithm>
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

std::filesystem::path defaultDirectory()
{
    std::error_code error;
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!movies.isEmpty() && std::filesystem::is_directory(movies.toStdString(), error))
        return movies.toStdString();
    return std::filesystem::temp_directory_path(error);
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
