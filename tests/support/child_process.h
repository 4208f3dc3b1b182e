#pragma once
// A built program run as a child process: an environment of the test's making, standard output
// and standard error caught in files, and waits with a limit, so that a child that hangs fails
// its test instead of holding it up.

#include <sys/types.h>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The test's own environment with some variables taken out and some set.
struct Environment {
    std::vector<std::string> unset;
    std::map<std::string, std::string> set;
};

class ChildProcess {
public:
    // Starts `program` with `args`; its output goes to files in `dir`, named after `label`.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const Environment& environment, const std::string& dir, const std::string& label);
    // A child still running is killed and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits until the child has ended, at most `limit`; true if it has.
    bool wait_for_exit(std::chrono::milliseconds limit);
    // Waits until its standard output holds `text`, at most `limit`; false as soon as the child
    // ends without having written it.
    bool wait_for_output(const std::string& text, std::chrono::milliseconds limit);
    void send_signal(int signal);

    // Once ended: the exit status, or nothing if a signal ended it.
    std::optional<int> exit_status() const { return exit_status_; }
    int end_signal() const { return end_signal_; }
    std::string out() const;
    std::string err() const;

private:
    void reap(bool wait);
    pid_t pid_ = -1;
    bool ended_ = false;
    std::optional<int> exit_status_;
    int end_signal_ = 0;
    std::string out_path_, err_path_;
};
