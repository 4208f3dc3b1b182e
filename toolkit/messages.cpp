#include "messages.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace {

MessagePresenter& presenter_slot() {
    static MessagePresenter presenter;
    return presenter;
}

void default_presenter(const MessageRequest& request) {
    if (!qApp) {
        std::fprintf(stderr, "%s: %s\n", request.title.c_str(), request.text.c_str());
        return;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (request.icon == MessageIcon::Stop)
        icon = QMessageBox::Critical;
    else if (request.icon == MessageIcon::Information)
        icon = QMessageBox::Information;
    QMessageBox box(icon, QString::fromStdString(request.title),
                    QString::fromStdString(request.text), QMessageBox::Ok);
    box.exec();
}

}  // namespace

MessagePresenter set_message_presenter(MessagePresenter presenter) {
    MessagePresenter previous = std::move(presenter_slot());
    presenter_slot() = std::move(presenter);
    return previous;
}

void present_message(const MessageRequest& request) {
    if (presenter_slot())
        presenter_slot()(request);
    else
        default_presenter(request);
}
