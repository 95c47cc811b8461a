#pragma once

// Runs the built tarnix-cli the way a user would and collects what it prints.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace tarnix::test {

struct CliRun {
    int exitCode = -1;
    std::string out; // standard output, and standard error too when asked for
};

inline CliRun runCli(const std::string& arguments, bool withStderr = false)
{
    std::string command =
        std::string(TARNIX_CLI) + " " + arguments + (withStderr ? " 2>&1" : " 2>/dev/null");
    CliRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// A fresh folder for one test's files, removed with the object.
struct ScratchFolder {
    ScratchFolder()
        : path(std::filesystem::temp_directory_path() /
               ("tarnix-cli-test-" + std::to_string(std::random_device{}())))
    {
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path;
};

} // namespace tarnix::test
