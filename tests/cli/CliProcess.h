#pragma once

// tarnix-cli started as a separate process that runs alongside the test (and alongside other
// copies of itself), with its output in files, for races and signals.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tarnix::test {

inline std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliProcess {
public:
    // Starts tarnix-cli with `arguments`; its standard output and error go to `logStem`.out/.err.
    CliProcess(const std::vector<std::string>& arguments, const std::filesystem::path& logStem)
        : out_(logStem.string() + ".out")
        , err_(logStem.string() + ".err")
    {
        std::vector<std::string> all{TARNIX_CLI};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess()
    {
        if (pid_ > 0 && exitCode_ == kRunning) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void signal(int number) const { kill(pid_, number); }

    // Waits until standard error holds `text` or the process ended; false after `seconds`.
    bool waitForError(const std::string& text, double seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            if (err().find(text) != std::string::npos)
                return true;
            if (exitCode_ != kRunning || waitpid(pid_, &status_, WNOHANG) == pid_) {
                record();
                return err().find(text) != std::string::npos;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // polling, not a fixed wait
        }
        return false;
    }

    // The exit code once the process ended (-1 when a signal killed it).
    int wait()
    {
        if (exitCode_ == kRunning && waitpid(pid_, &status_, 0) == pid_)
            record();
        return exitCode_;
    }

    std::string out() const { return fileText(out_); }
    std::string err() const { return fileText(err_); }

private:
    static constexpr int kRunning = -1000;
    void record() { exitCode_ = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }

    std::filesystem::path out_, err_;
    pid_t pid_ = -1;
    int status_ = 0;
    int exitCode_ = kRunning;
};

} // namespace tarnix::test
