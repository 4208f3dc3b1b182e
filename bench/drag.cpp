#include "drag.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <ctime>
#include <memory>

#include "window_fixture.h"

namespace {

// Counts the paint events that reach one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : widget_(widget) { widget_->installEventFilter(this); }
    ~PaintCounter() override { widget_->removeEventFilter(this); }
    int paints() const { return paints_; }
    QWidget* widget() const { return widget_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::Paint)
            ++paints_;
        return false;
    }

private:
    QWidget* widget_;
    int paints_ = 0;
};

// Watches the two result pictures through one drag. After every event, settle() lets the
// event loop deliver what the event posted (the repaint requests among it) and then paints,
// synchronously, any result picture that a new run changed and the loop has not painted, so
// that every change is on the screen before the next event.
class Probe {
public:
    explicit Probe(TForm1* form)
        : observer_(form), spectrum_(form->Image2->Widget()), output_(form->Image3->Widget()) {}

    void settle() {
        QCoreApplication::processEvents();
        if (observer_.runs() != runs_seen_) {
            for (Watched* w : {&spectrum_, &output_})
                if (w->counter.paints() == w->paints_seen) {
                    w->counter.widget()->repaint();
                    ++forced_;
                }
        }
        runs_seen_ = observer_.runs();
        spectrum_.paints_seen = spectrum_.counter.paints();
        output_.paints_seen = output_.counter.paints();
    }

    void fill(DragFigures& f) const {
        f.changes = observer_.runs();
        f.forced_repaints = forced_;
        f.paints = spectrum_.counter.paints() + output_.counter.paints();
    }

private:
    struct Watched {
        explicit Watched(QWidget* w) : counter(w) {}
        PaintCounter counter;
        int paints_seen = 0;
    };
    RunObserver observer_;
    Watched spectrum_;
    Watched output_;
    int runs_seen_ = 0;
    int forced_ = 0;
};

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of the calling thread: set against the wall clock it tells whether the
// thread was working or waiting (for another thread, or for a processor on a busy machine).
double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Brings the bar to `position` outside any measurement, with the window settled afterwards.
void prepare(TScrollBar* bar, int position) {
    bar->SetPosition(position);
    QCoreApplication::processEvents();
}

// The thumb's rectangle in the bar's own coordinates, as the bar's style lays it out.
QRect thumb_rect(QScrollBar* bar) { return scroll_part(bar, QStyle::SC_ScrollBarSlider); }

}  // namespace

DragFigures drag_by_positions(TForm1* form, TScrollBar* bar) {
    auto* widget = static_cast<QScrollBar*>(bar->Widget());
    prepare(bar, bar->Min());
    DragFigures figures;
    {
        Probe probe(form);
        const auto start = Clock::now();
        const auto step = [&](int position) {
            const auto sent = Clock::now();
            const double cpu_sent = thread_cpu_seconds();
            widget->setSliderPosition(position);
            figures.handler_seconds += seconds_since(sent);
            const double cpu_handled = thread_cpu_seconds();
            figures.handler_cpu_seconds += cpu_handled - cpu_sent;
            ++figures.events;
            probe.settle();
            figures.settle_cpu_seconds += thread_cpu_seconds() - cpu_handled;
        };
        for (int p = bar->Min() + 1; p <= bar->Max(); ++p)
            step(p);
        for (int p = bar->Max() - 1; p >= bar->Min(); --p)
            step(p);
        figures.seconds = seconds_since(start);
        probe.fill(figures);
    }
    return figures;
}

DragFigures drag_by_mouse(TForm1* form, TScrollBar* bar) {
    auto* widget = static_cast<QScrollBar*>(bar->Widget());
    prepare(bar, bar->Min());
    QWidget* top = widget->window();
    QWindow* window = top->windowHandle();
    const QPoint grip = widget->mapTo(top, thumb_rect(widget).center());
    // Enough pixels to cross the whole bar; the loops stop at the end positions.
    const int reach = widget->height();

    DragFigures figures;
    {
        Probe probe(form);
        const auto start = Clock::now();
        QTest::mousePress(window, Qt::LeftButton, {}, grip);
        ++figures.events;
        probe.settle();
        int dy = 0;
        while (bar->Position() < bar->Max() && dy < reach) {
            QTest::mouseMove(window, grip + QPoint(0, ++dy));
            ++figures.events;
            probe.settle();
        }
        while (bar->Position() > bar->Min() && dy > -reach) {
            QTest::mouseMove(window, grip + QPoint(0, --dy));
            ++figures.events;
            probe.settle();
        }
        QTest::mouseRelease(window, Qt::LeftButton, {}, grip + QPoint(0, dy));
        ++figures.events;
        probe.settle();
        figures.seconds = seconds_since(start);
        probe.fill(figures);
    }
    return figures;
}
