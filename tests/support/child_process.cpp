#include "child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "veld-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

std::vector<std::string> environment_of(const Environment& e) {
    std::vector<std::string> entries;
    for (char** p = environ; *p; ++p) {
        const std::string entry = *p;
        const std::string name = entry.substr(0, entry.find('='));
        bool keep = e.set.count(name) == 0;
        for (const std::string& u : e.unset)
            keep = keep && u != name;
        if (keep)
            entries.push_back(entry);
    }
    for (const auto& [name, value] : e.set)
        entries.push_back(name + "=" + value);
    return entries;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const Environment& environment, const std::string& dir,
                           const std::string& label)
    : out_path_(dir + "/" + label + ".out"), err_path_(dir + "/" + label + ".err") {
    std::vector<std::string> argv_strings{program};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argv_strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_strings = environment_of(environment);
    std::vector<char*> envp;
    for (std::string& s : env_strings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    const int out = ::open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || err < 0)
        throw std::runtime_error("cannot create the output files in " + dir);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        const int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, STDIN_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        reap(true);
    }
}

void ChildProcess::reap(bool wait) {
    if (ended_ || pid_ <= 0)
        return;
    int status = 0;
    if (::waitpid(pid_, &status, wait ? 0 : WNOHANG) != pid_)
        return;
    ended_ = true;
    if (WIFEXITED(status))
        exit_status_ = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        end_signal_ = WTERMSIG(status);
}

bool ChildProcess::running() {
    reap(false);
    return !ended_;
}

bool ChildProcess::wait_for_exit(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !running();
}

bool ChildProcess::wait_for_output(const std::string& text, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        // Looked at before the child's state, so that what it wrote just before it ended counts.
        const bool was_running = running();
        if (out().find(text) != std::string::npos)
            return true;
        if (!was_running || std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::send_signal(int signal) {
    if (running())
        ::kill(pid_, signal);
}

std::string ChildProcess::out() const { return slurp(out_path_); }
std::string ChildProcess::err() const { return slurp(err_path_); }
