// The window's display: one that cannot be opened, one that refuses the first connection, one
// that goes away while the window is open. The built veld runs as a child process with an
// environment of the test's making, against display numbers nobody uses and real Xvfb servers.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "child_process.h"

namespace {

using namespace std::chrono_literals;

// Only a hang comes near this: a start under the sanitizers on a busy machine takes seconds.
constexpr std::chrono::milliseconds limit = 60s;

const std::string trace_lines = "extended int\na\nb\n";

std::string lock_path(int n) { return "/tmp/.X" + std::to_string(n) + "-lock"; }
std::string socket_path(int n) { return "/tmp/.X11-unix/X" + std::to_string(n); }

// A listening socket at display n's abstract address, where libxcb looks before the socket
// file; -1 if something listens there already.
int listen_abstract(int n) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = socket_path(n);
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool looks_unused(int n) {
    if (::access(lock_path(n).c_str(), F_OK) == 0 || ::access(socket_path(n).c_str(), F_OK) == 0)
        return false;
    const int fd = listen_abstract(n);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// Display numbers from 400 to 799, well above those of desktops and of `xvfb-run -a`, beginning
// at a different one in each test process.
int candidate(int i) { return 400 + (static_cast<int>(::getpid()) + i) % 400; }

// A display number that no X server has, held for the test by a lock file of ours as an X server
// holds its own, so that none starts there meanwhile.
class UnusedDisplay {
public:
    UnusedDisplay() {
        for (int i = 0; i < 400 && number_ < 0; ++i) {
            const int n = candidate(i);
            if (!looks_unused(n))
                continue;
            const int fd = ::open(lock_path(n).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0444);
            if (fd < 0)
                continue;
            ::dprintf(fd, "%10d\n", static_cast<int>(::getpid()));
            ::close(fd);
            number_ = n;
        }
        if (number_ < 0)
            throw std::runtime_error("no unused display number");
    }
    ~UnusedDisplay() { ::unlink(lock_path(number_).c_str()); }
    std::string name() const { return ":" + std::to_string(number_); }

private:
    int number_ = -1;
};

// A real X server on a display number of its own, ready once it has written that number.
class XServer {
public:
    XServer(const TempDir& dir, const std::vector<std::string>& options = {}) {
        for (int i = 0; i < 400 && !server_; ++i) {
            const int n = candidate(i);
            if (!looks_unused(n))
                continue;
            std::vector<std::string> args{":" + std::to_string(n),
                                          "-screen",
                                          "0",
                                          "1280x1024x24",
                                          "-nolisten",
                                          "tcp",
                                          "-displayfd",
                                          "1"};
            args.insert(args.end(), options.begin(), options.end());
            auto server = std::make_unique<ChildProcess>(XVFB, args, Environment{}, dir.path(),
                                                         "xvfb-" + std::to_string(n));
            // Another server may have taken the number first: then the next one.
            if (server->wait_for_output("\n", limit)) {
                server_ = std::move(server);
                number_ = n;
            }
        }
        if (!server_)
            throw std::runtime_error("Xvfb did not start");
    }
    ~XServer() { stop(); }
    int number() const { return number_; }
    std::string name() const { return ":" + std::to_string(number_); }
    void stop() {
        server_->send_signal(SIGTERM);
        server_->wait_for_exit(limit);
    }

private:
    std::unique_ptr<ChildProcess> server_;
    int number_ = -1;
};

// veld's environment: the test's own without anything that chooses a display or a platform,
// with a runtime directory of its own so that the engine has nothing to say about it.
Environment veld_environment(const TempDir& dir, std::map<std::string, std::string> set) {
    const std::string runtime = dir / "runtime";
    ::mkdir(runtime.c_str(), 0700);
    set.emplace("XDG_RUNTIME_DIR", runtime);
    return {{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE", "XAUTHORITY"},
            std::move(set)};
}

std::string refusal(const std::string& what) {
    return "veld: " + what + "; to run it without one, use Xvfb: xvfb-run -a " VELD "\n";
}

std::string lost_line(const std::string& display) {
    return "veld: lost the display " + display + " (its X server ended or closed the connection)\n";
}

TEST(Display, OneThatCannotBeOpenedIsRefusedInOneLine) {
    TempDir dir;
    UnusedDisplay unused;
    const std::string n = unused.name();
    const std::string nobody =
        "cannot open the display " + n + " (no X server accepts connections there)";
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::map<std::string, std::string> environment;
        std::string line;
    } cases[] = {
        {"DISPLAY", {}, {{"DISPLAY", n}}, refusal(nobody)},
        {"-display before DISPLAY", {"-display", n}, {{"DISPLAY", "nonsense"}}, refusal(nobody)},
        {"--display", {"--display", n}, {}, refusal(nobody)},
        {"X11 chosen by name", {}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", n}}, refusal(nobody)},
        {"-platform before QT_QPA_PLATFORM",
         {"-platform", "xcb"},
         {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", n}},
         refusal(nobody)},
        {"not a display name",
         {},
         {{"DISPLAY", "nonsense"}},
         refusal("cannot open the display nonsense (not a display name)")},
        {"nothing set", {}, {}, refusal("no display found (DISPLAY is not set)")},
        {"X11 chosen, DISPLAY not set",
         {},
         {{"QT_QPA_PLATFORM", "xcb"}},
         refusal("no display found (DISPLAY is not set)")},
        // Wayland first is not checked beforehand; when X11, tried next, fails as well, the
        // engine's failure still becomes our line.
        {"Wayland first, then X11",
         {},
         {{"WAYLAND_DISPLAY", "veld-test-no-compositor"}, {"DISPLAY", n}},
         refusal("cannot open the display " + n +
                 " (the windowing engine could not connect to it)")},
    };
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (const Case& c : cases)
        runs.push_back(
            std::make_unique<ChildProcess>(VELD, c.args, veld_environment(dir, c.environment),
                                           dir.path(), "run" + std::to_string(runs.size())));
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        ChildProcess& run = *runs[i];
        ASSERT_TRUE(run.wait_for_exit(limit)) << "still running";
        EXPECT_EQ(run.end_signal(), 0) << "ended by a signal";
        EXPECT_EQ(run.exit_status(), std::optional<int>(1));
        EXPECT_EQ(run.err(), cases[i].line);
        EXPECT_EQ(run.out(), "") << "nothing was started";
    }
}

TEST(Display, OneThatRefusesForGoodIsRefusedWithTheServersReason) {
    TempDir dir;
    // Any cookie in its file makes the server refuse clients that have none.
    ChildProcess xauth(XAUTH, {"-q", "-f", dir / "cookie", "add", ":0", ".", std::string(32, '7')},
                       Environment{}, dir.path(), "xauth");
    ASSERT_TRUE(xauth.wait_for_exit(limit));
    XServer server(dir, {"-auth", dir / "cookie"});
    ChildProcess veld(VELD, {},
                      veld_environment(dir, {{"DISPLAY", server.name()}, {"HOME", dir.path()}}),
                      dir.path(), "veld");
    ASSERT_TRUE(veld.wait_for_exit(limit)) << "still running";
    EXPECT_EQ(veld.exit_status(), std::optional<int>(1));
    // libxcb writes the server's reason straight to standard error; it is part of our line.
    EXPECT_EQ(veld.err(), refusal("cannot open the display " + server.name() +
                                  " (Authorization required, but no authorization protocol "
                                  "specified)"));
    EXPECT_EQ(veld.out(), "");
}

TEST(Display, OffscreenAndFallbacksAreLeftToTheEngine) {
    TempDir dir;
    UnusedDisplay unused;
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::map<std::string, std::string> environment;
    } cases[] = {
        {"QT_QPA_PLATFORM=offscreen",
         {},
         {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", unused.name()}}},
        {"-platform offscreen", {"-platform", "offscreen"}, {{"DISPLAY", unused.name()}}},
        {"-platform offscreen, nothing set", {"-platform", "offscreen"}, {}},
        {"X11, else offscreen",
         {},
         {{"QT_QPA_PLATFORM", "xcb;offscreen"}, {"DISPLAY", unused.name()}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChildProcess run(VELD, c.args, veld_environment(dir, c.environment), dir.path(), "run");
        ASSERT_TRUE(run.wait_for_output(trace_lines, limit)) << run.err();
        EXPECT_EQ(run.err().find("veld:"), std::string::npos) << run.err();
        run.send_signal(SIGTERM);
        EXPECT_TRUE(run.wait_for_exit(limit));
    }
}

TEST(Display, OneLostWhileTheWindowIsOpenEndsTheProgramInOneLine) {
    TempDir dir;
    XServer server(dir);
    ChildProcess veld(VELD, {}, veld_environment(dir, {{"DISPLAY", server.name()}}), dir.path(),
                      "veld");
    ASSERT_TRUE(veld.wait_for_output(trace_lines, limit))
        << veld.err() << "signal " << veld.end_signal();
    server.stop();
    ASSERT_TRUE(veld.wait_for_exit(limit)) << "still running after its display went away";
    EXPECT_EQ(veld.end_signal(), 0) << "ended by a signal";
    EXPECT_EQ(veld.exit_status(), std::optional<int>(1));
    EXPECT_EQ(veld.err(), lost_line(server.name()));
    EXPECT_EQ(veld.out(), trace_lines);
}

TEST(Display, OneThatRefusesTheFirstConnectionIsTriedAgain) {
    TempDir dir;
    // The server listens on its socket file only; the abstract address, which libxcb tries first,
    // is the test's.
    XServer server(dir, {"-nolisten", "local"});
    const int listener = listen_abstract(server.number());
    ASSERT_GE(listener, 0);
    ChildProcess veld(VELD, {}, veld_environment(dir, {{"DISPLAY", server.name()}}), dir.path(),
                      "veld");
    // The first connection is taken here and closed unanswered. The listener goes first: veld's
    // next attempt cannot begin before this one has failed, so it finds the server.
    pollfd waiting{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, static_cast<int>(limit.count())), 1) << "never tried";
    const int first = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    ASSERT_GE(first, 0);
    ::close(first);

    ASSERT_TRUE(veld.wait_for_output(trace_lines, limit))
        << veld.err() << "signal " << veld.end_signal();
    // The window is up on the server; ending the server ends it, which also shows where it was.
    server.stop();
    ASSERT_TRUE(veld.wait_for_exit(limit)) << "still running after its display went away";
    EXPECT_EQ(veld.end_signal(), 0) << "ended by a signal";
    EXPECT_EQ(veld.exit_status(), std::optional<int>(1));
    EXPECT_EQ(veld.err(), lost_line(server.name())) << "no refusal, only the loss at the end";
}

}  // namespace
