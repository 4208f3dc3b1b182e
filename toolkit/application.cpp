#include "application.h"

#include <fcntl.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QStyleFactory>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "messages.h"

std::string title_from_executable(const std::string& path) {
    std::string name = path;
    const auto slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    const auto dot = name.find('.');
    if (dot != std::string::npos)
        name = name.substr(0, dot);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        name[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
    }
    return name;
}

// ---------------------------------------------------------------------------------------------
// The display

namespace {

// Whether argument `arg` is the engine's option `name`, written with one dash or two.
bool is_option(const char* arg, const char* name) {
    if (!arg || arg[0] != '-')
        return false;
    const char* rest = arg[1] == '-' ? arg + 2 : arg + 1;
    return std::strcmp(rest, name) == 0;
}

// The value of the last `-name value` on the command line, as Qt reads it; empty if none.
std::string option_value(int argc, char** argv, const char* name) {
    std::string value;
    for (int i = 1; i + 1 < argc; ++i)
        if (is_option(argv[i], name))
            value = argv[++i];
    return value;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The platform plugins Qt will try, in its order: -platform, else QT_QPA_PLATFORM, else Wayland
// before X11 where the session is a Wayland one, else X11. Each is a name, options after ':'.
std::vector<std::string> platform_candidates(int argc, char** argv) {
    std::string chosen = option_value(argc, argv, "platform");
    if (chosen.empty())
        chosen = environment("QT_QPA_PLATFORM");
    if (chosen.empty())
        chosen =
            environment("XDG_SESSION_TYPE") == "wayland" || !environment("WAYLAND_DISPLAY").empty()
                ? "wayland;xcb"
                : "xcb";
    std::vector<std::string> names;
    std::size_t from = 0;
    while (from <= chosen.size()) {
        const std::size_t end = std::min(chosen.find(';', from), chosen.size());
        const std::string entry = chosen.substr(from, end - from);
        names.push_back(entry.substr(0, entry.find(':')));
        from = end + 1;
    }
    return names;
}

bool involves_x11(const std::vector<std::string>& candidates) {
    return std::find(candidates.begin(), candidates.end(), "xcb") != candidates.end();
}

// The X11 display Qt's xcb plugin opens: -display, else DISPLAY.
std::string x11_display_name(int argc, char** argv) {
    const std::string option = option_value(argc, argv, "display");
    return option.empty() ? environment("DISPLAY") : option;
}

struct Attempt {
    int error = 0;     // xcb_connection_has_error: 0 when the display was opened
    std::string said;  // what the server gave as its reason for refusing, if anything
    xcb_connection_t* opened = nullptr;  // the connection, when the display was opened
};

// One connection to the display, kept when it opens. libxcb writes a server's refusal (such as
// "Authorization required ...") straight to file descriptor 2; it is caught here and becomes
// part of our own line. The pipe does not block, so a long refusal is cut rather than waited on.
Attempt try_display(const std::string& name) {
    int pipe_fds[2];
    const bool catching = ::pipe2(pipe_fds, O_NONBLOCK | O_CLOEXEC) == 0;
    int saved_stderr = -1;
    if (catching) {
        std::fflush(stderr);
        saved_stderr = ::dup(STDERR_FILENO);
        ::dup2(pipe_fds[1], STDERR_FILENO);
    }
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    Attempt attempt{xcb_connection_has_error(connection), {}, nullptr};
    if (attempt.error == 0)
        attempt.opened = connection;
    else
        xcb_disconnect(connection);
    if (catching) {
        ::dup2(saved_stderr, STDERR_FILENO);
        ::close(saved_stderr);
        ::close(pipe_fds[1]);
        char buffer[512];
        ssize_t n;
        while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0)
            attempt.said.append(buffer, static_cast<std::size_t>(n));
        ::close(pipe_fds[0]);
        // One line of ours: the server's words joined, without their line ends.
        for (char& c : attempt.said)
            if (c == '\n' || c == '\r')
                c = ' ';
        while (!attempt.said.empty() && attempt.said.back() == ' ')
            attempt.said.pop_back();
    }
    return attempt;
}

std::string reason_of(const Attempt& attempt) {
    switch (attempt.error) {
    case XCB_CONN_ERROR:
        return attempt.said.empty() ? "no X server accepts connections there" : attempt.said;
    case XCB_CONN_CLOSED_PARSE_ERR:
        return "not a display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return "the display has no such screen";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
        return "not enough memory to connect";
    default:
        return "the X connection failed with error " + std::to_string(attempt.error);
    }
}

// A write to an X server that has closed the connection (one that drops a client it refuses, or
// one that has ended) would end the process by SIGPIPE, silently; ignored, the write fails, and
// libxcb marks the connection broken, which becomes our line.
void ignore_broken_pipes() { std::signal(SIGPIPE, SIG_IGN); }

// Pauses before each further attempt on a display that refuses: five attempts in about a second,
// enough for an X server that is still starting on a busy machine.
constexpr int retry_pauses_ms[] = {100, 200, 300, 400};

// The connection check_display opened stays open until the engine has its own. An X server that
// loses its last client resets, and while it resets it refuses new ones: closing ours at once
// made a lone server (Xvfb) refuse the engine a moment later.
xcb_connection_t* checked_display = nullptr;

void close_checked_display() {
    if (checked_display)
        xcb_disconnect(checked_display);
    checked_display = nullptr;
}

}  // namespace

std::optional<DisplayTrouble> check_display(int argc, char** argv) {
    if (platform_candidates(argc, argv) != std::vector<std::string>{"xcb"})
        return std::nullopt;
    const std::string name = x11_display_name(argc, argv);
    if (name.empty())
        return DisplayTrouble{DisplayTrouble::Kind::Unreachable, "", "DISPLAY is not set"};
    ignore_broken_pipes();
    // The attempts end about a second after the first began: one that is slow to fail (a remote
    // host that does not answer) is not repeated.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(1100);
    Attempt attempt = try_display(name);
    for (int pause : retry_pauses_ms) {
        // Only a refused or broken connection can come right; a bad name or screen cannot.
        const auto pause_ms = std::chrono::milliseconds(pause);
        if (attempt.error != XCB_CONN_ERROR ||
            std::chrono::steady_clock::now() + pause_ms > give_up)
            break;
        std::this_thread::sleep_for(pause_ms);
        attempt = try_display(name);
    }
    if (attempt.error == 0) {
        close_checked_display();
        checked_display = attempt.opened;
        return std::nullopt;
    }
    return DisplayTrouble{DisplayTrouble::Kind::Unreachable, name, reason_of(attempt)};
}

namespace {

// Reports the trouble once and ends the process with status 1. Called from Qt's message handler,
// possibly on one of its threads: a second caller waits for the first one's end.
[[noreturn]] void end_for_display(const DisplayTrouble& trouble) {
    static std::atomic<bool> ending{false};
    if (ending.exchange(true))
        for (;;)
            ::pause();
    if (Application->OnDisplayTrouble)
        Application->OnDisplayTrouble(trouble);
    else
        std::fprintf(stderr, "%s: %s the display %s (%s)\n", Application->Title().c_str(),
                     trouble.kind == DisplayTrouble::Kind::Lost ? "lost" : "cannot open",
                     trouble.display.c_str(), trouble.reason.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    // Not exit(): the engine is in the middle of an event and its objects are still alive.
    ::_exit(1);
}

// While the engine starts, its messages are held back. Should it fail to open an X11 display
// after all (the display went away after check_display, or Wayland came first and failed too), the
// user gets our one line rather than the engine's advice to reinstall, which does not apply.
// Otherwise they are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    std::string category, file, function;
    int line;
    QString text;
};

// One for the process: a thread of the engine's may still be in the handler when the start is
// over, and then passes its message on.
struct StartWatch {
    std::mutex mutex;
    bool active = false;
    QtMessageHandler previous = nullptr;
    bool x11 = false;
    std::string display;
    std::vector<HeldMessage> held;
};
StartWatch start_watch;

void replay(QtMessageHandler to, const std::vector<HeldMessage>& messages) {
    for (const HeldMessage& m : messages) {
        const QMessageLogContext context(m.file.empty() ? nullptr : m.file.c_str(), m.line,
                                         m.function.empty() ? nullptr : m.function.c_str(),
                                         m.category.empty() ? nullptr : m.category.c_str());
        to(m.type, context, m.text);
    }
}

void hold_start_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    StartWatch& watch = start_watch;
    std::unique_lock lock(watch.mutex);
    if (!watch.active) {
        lock.unlock();
        watch.previous(type, context, text);
        return;
    }
    // The engine's words when the connection it has just opened breaks under it; Xlib then writes
    // a line of its own and ends the process, unless we end it first.
    if (watch.x11 && text.startsWith(QLatin1String("The X11 connection broke")))
        end_for_display({DisplayTrouble::Kind::Lost, watch.display,
                         "its X server ended or closed the connection"});
    if (type == QtFatalMsg && watch.x11)
        end_for_display({DisplayTrouble::Kind::Unreachable, watch.display,
                         "the windowing engine could not connect to it"});
    if (type == QtFatalMsg) {
        replay(watch.previous, watch.held);
        watch.held.clear();
        watch.previous(type, context, text);
        return;
    }
    watch.held.push_back({type, context.category ? context.category : "",
                          context.file ? context.file : "",
                          context.function ? context.function : "", context.line, text});
}

// Holds the engine's messages from here until end_start().
void begin_start(int argc, char** argv) {
    std::lock_guard lock(start_watch.mutex);
    start_watch.x11 = involves_x11(platform_candidates(argc, argv));
    if (start_watch.x11)
        ignore_broken_pipes();
    start_watch.display = x11_display_name(argc, argv);
    start_watch.active = true;
    start_watch.previous = qInstallMessageHandler(hold_start_message);
}

// The engine has started: its messages go where they went before, those held first.
void end_start() {
    std::vector<HeldMessage> held;
    {
        std::lock_guard lock(start_watch.mutex);
        qInstallMessageHandler(start_watch.previous);
        start_watch.active = false;
        held.swap(start_watch.held);
    }
    replay(start_watch.previous, held);
}

// While the program runs on X11: the engine notices a broken connection to its server, says so
// in a message of its own and ends the process through exit(). Every message is looked at here
// first; once the connection is broken, ours is the only line and the end is at once.
struct LostWatch {
    QtMessageHandler previous = nullptr;
    xcb_connection_t* connection = nullptr;
    std::string display;
};
LostWatch lost_watch;

void watch_connection(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (const int error = xcb_connection_has_error(lost_watch.connection))
        end_for_display({DisplayTrouble::Kind::Lost, lost_watch.display,
                         error == XCB_CONN_ERROR
                             ? "its X server ended or closed the connection"
                             : "the X connection failed with error " + std::to_string(error)});
    lost_watch.previous(type, context, text);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TApplication

struct TApplication::Engine {
    int argc = 0;
    std::vector<char*> argv;
    std::unique_ptr<QApplication> app;
};

TApplication* Application = new TApplication;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() {
    // The connection the watch looks at goes with the engine.
    if (lost_watch.connection) {
        qInstallMessageHandler(lost_watch.previous);
        lost_watch.connection = nullptr;
    }
}

void TApplication::Initialize(int argc, char** argv) {
    if (engine_)
        return;
    engine_ = std::make_unique<Engine>();
    engine_->argc = argc;
    engine_->argv.assign(argv, argv + argc);
    engine_->argv.push_back(nullptr);
    if (title_.empty())
        title_ = title_from_executable(argc > 0 && argv[0] ? argv[0] : "veld");
    // The window's Japanese face by its own name first, then the metric-compatible substitute the
    // set-up installs.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                QStringLiteral("IPAGothic")});
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    begin_start(argc, argv);
    engine_->app = std::make_unique<QApplication>(engine_->argc, engine_->argv.data());
    end_start();
    close_checked_display();
    QApplication::setApplicationName(QString::fromStdString(title_));
    // Only the X11 platform has a connection to watch (offscreen answers the same question
    // with none).
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 && x11->connection()) {
        lost_watch.connection = x11->connection();
        lost_watch.display = start_watch.display;
        lost_watch.previous = qInstallMessageHandler(watch_connection);
    }
}

bool TApplication::Initialized() const { return engine_ && engine_->app; }

void TApplication::adopt_form(TForm* form) {
    if (!main_form_)
        main_form_ = form;
}

void TApplication::Run() {
    if (!main_form_)
        return;
    main_form_->Show();
    QApplication::exec();
}

void TApplication::ProcessMessages() {
    if (qApp)
        QCoreApplication::processEvents();
}

void TApplication::ShowException(const std::exception& e) { ShowException(std::string(e.what())); }

void TApplication::ShowException(const std::string& message) {
    present_message({title_, message + ".", MessageIcon::Stop});
}

void TApplication::DestroyForms() {
    main_form_ = nullptr;
    while (!Components().empty())
        delete Components().back();
}

void ShowMessage(const std::string& text) {
    present_message({Application->Title(), text, MessageIcon::None});
}
