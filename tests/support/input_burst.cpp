#include "input_burst.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

namespace {

// One recorded input, waiting in the event queue for its turn.
class InputEvent : public QEvent {
public:
    explicit InputEvent(std::function<void()> input) : QEvent(kind()), input_(std::move(input)) {}
    static QEvent::Type kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    void enter() const { input_(); }

private:
    std::function<void()> input_;
};

class InputReceiver : public QObject {
public:
    std::size_t handled = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() != InputEvent::kind())
            return QObject::event(e);
        static_cast<InputEvent*>(e)->enter();
        ++handled;
        return true;
    }
};

}  // namespace

InputBurst::InputBurst(QWidget* window)
    : window_(window),
      handle_(window->windowHandle()),
      // Later than any timestamp of QTest's, so that nothing here makes a double click with it.
      time_(QTest::lastMouseTimestamp + 1000) {}

QPoint InputBurst::in_window(QWidget* w, QPoint at) const {
    return w == window_ ? at : w->mapTo(window_, at);
}

void InputBurst::add(std::function<void()> input) { inputs_.push_back(std::move(input)); }

void InputBurst::mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, int after_ms) {
    time_ += after_ms;
    if (type == QEvent::MouseButtonPress)
        held_ |= button;
    else if (type == QEvent::MouseButtonRelease)
        held_ &= ~button;
    pointer_ = at;
    const QPointF global = handle_->mapToGlobal(at);
    add([handle = handle_, at, global, held = held_, button, type, time = time_] {
        if (handle)
            qt_handleMouseEvent(handle, at, global, held, button, type, Qt::NoModifier, time);
    });
}

void InputBurst::move(QWidget* w, QPoint at, int after_ms) {
    mouse(QEvent::MouseMove, in_window(w, at), Qt::NoButton, after_ms);
}

void InputBurst::press(QWidget* w, QPoint at, Qt::MouseButton button, int after_ms) {
    const QPoint p = in_window(w, at);
    if (p != pointer_)
        mouse(QEvent::MouseMove, p, Qt::NoButton, 20);
    mouse(QEvent::MouseButtonPress, p, button, after_ms);
}

void InputBurst::release(QWidget* w, QPoint at, Qt::MouseButton button, int after_ms) {
    const QPoint p = in_window(w, at);
    if (p != pointer_)
        mouse(QEvent::MouseMove, p, Qt::NoButton, 20);
    mouse(QEvent::MouseButtonRelease, p, button, after_ms);
}

void InputBurst::click(QWidget* w, QPoint at, Qt::MouseButton button) {
    press(w, at, button);
    release(w, at, button);
}

void InputBurst::double_click(QWidget* w, QPoint at) {
    press(w, at);
    release(w, at);
    press(w, at, Qt::LeftButton, 100);
    release(w, at);
}

void InputBurst::key(Qt::Key key) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
        add([handle = handle_, key, type] {
            if (handle)
                qt_handleKeyEvent(handle, type, key, Qt::NoModifier);
        });
}

void InputBurst::finish() {
    // QTest's next input comes after ours.
    QTest::lastMouseTimestamp = time_ + 1000;
}

std::size_t InputBurst::deliver_at_once() {
    InputReceiver receiver;
    for (const auto& input : inputs_)
        QCoreApplication::postEvent(&receiver, new InputEvent(input));
    QCoreApplication::processEvents();
    finish();
    // Whatever is still queued goes with the receiver, unhandled, and is not counted.
    return receiver.handled;
}

std::size_t InputBurst::deliver_one_by_one() {
    std::size_t handled = 0;
    for (const auto& input : inputs_) {
        input();
        ++handled;
        QCoreApplication::processEvents();
    }
    finish();
    return handled;
}
