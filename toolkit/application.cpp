#include "application.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <cctype>
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

struct TApplication::Engine {
    int argc = 0;
    std::vector<char*> argv;
    std::unique_ptr<QApplication> app;
};

TApplication* Application = new TApplication;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() = default;

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
    engine_->app = std::make_unique<QApplication>(engine_->argc, engine_->argv.data());
    QApplication::setApplicationName(QString::fromStdString(title_));
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
