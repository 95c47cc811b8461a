#include "document/FileUrl.h"
#include "document/HexDigits.h"

#include <cctype>
#include <cstring>

namespace tarnix {

static bool keepsLiteral(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return c != 0 && std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr;
}

std::string fileURLString(const std::filesystem::path& path)
{
    std::string absolute = std::filesystem::absolute(path).string();
    std::string url = "file://";
    url.reserve(url.size() + absolute.size());
    for (unsigned char c : absolute) {
        if (keepsLiteral(c)) {
            url.push_back(static_cast<char>(c));
        } else {
            url.push_back('%');
            url.push_back(kUpperHexDigits[c >> 4]);
            url.push_back(kUpperHexDigits[c & 0x0F]);
        }
    }
    return url;
}

std::optional<std::filesystem::path> pathFromFileURL(std::string_view url)
{
    static constexpr std::string_view kScheme = "file://";
    if (url.size() < kScheme.size())
        return std::nullopt;
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i])
            return std::nullopt;
    std::string_view rest = url.substr(kScheme.size());
    if (rest.starts_with("localhost/"))
        rest.remove_prefix(std::strlen("localhost"));
    if (!rest.starts_with('/'))
        return std::nullopt;
    if (auto end = rest.find_first_of("?#"); end != std::string_view::npos)
        rest = rest.substr(0, end);

    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path.push_back(rest[i]);
            continue;
        }
        int high = i + 1 < rest.size() ? hexDigitValue(rest[i + 1]) : -1;
        int low = i + 2 < rest.size() ? hexDigitValue(rest[i + 2]) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        char decoded = static_cast<char>(high * 16 + low);
        if (decoded == '\0')
            return std::nullopt; // a NUL would silently truncate the path
        path.push_back(decoded);
        i += 2;
    }
    return std::filesystem::path(path);
}

} // namespace tarnix
