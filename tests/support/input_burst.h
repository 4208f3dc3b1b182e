#pragma once
// Input that piles up while a slow run holds the event loop, then is handled in one turn of it.
//
// Every press, release, move and key is posted as an event of its own. When its turn comes it
// enters the window the way the window system's input does (QTest's route into Qt's GUI layer,
// which makes double clicks from the timestamps and gives the pointer to the widget pressed),
// with the timestamps the user's actions had, not those of the moment it is handled. Points are
// taken where the widgets are when the input is recorded, as the user aimed at them.

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cstddef>
#include <functional>
#include <vector>

class InputBurst {
public:
    // Input for the top-level window `window`.
    explicit InputBurst(QWidget* window);

    // `after_ms` is the time since the previous input. A press or release elsewhere than the
    // pointer is comes after a move there, as on a real screen; a press comes long enough after
    // the previous one not to make a double click, unless double_click asks for one.
    void move(QWidget* w, QPoint at, int after_ms = 20);
    void press(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton, int after_ms = 1000);
    void release(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton, int after_ms = 50);
    void click(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void double_click(QWidget* w, QPoint at);
    // A key pressed and released, for the widget that has the focus when it is handled.
    void key(Qt::Key key);

    std::size_t size() const { return inputs_.size(); }
    // Posts every input, then lets the event loop take one turn. Returns how many inputs were
    // handled in that turn.
    std::size_t deliver_at_once();
    // The same inputs one at a time, the event loop running until it is idle after each.
    std::size_t deliver_one_by_one();

private:
    void add(std::function<void()> input);
    QPoint in_window(QWidget* w, QPoint at) const;
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, int after_ms);
    void finish();

    QWidget* window_;
    QPointer<QWindow> handle_;
    QPoint pointer_{-1, -1};
    Qt::MouseButtons held_;
    int time_;
    std::vector<std::function<void()>> inputs_;
};
