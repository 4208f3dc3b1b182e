#include "dispatch.h"

#include <exception>
#include <string>

#include "application.h"

void guarded_dispatch(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(std::string("Unknown error"));
    }
}
