// Sharing the strips of one centred transform between the calling thread and one helper.
//
// The helper is started at the first shared call and then sleeps between calls. Each call is
// a generation: tasks 0 ... strips-1 are the column strips, strips ... 2 strips-1 the row
// strips, handed out one at a time from a single claim word that carries the generation, so a
// helper that wakes late can never take a task of a finished or later call. A row strip waits
// until every column strip has completed (at most the other thread's strip in flight). The call
// returns when every row strip has completed; the helper touches the call's data only between
// a successful claim and the completion of that task.

#include <atomic>
#include <cfenv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

#include "fft_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace spectral_detail {
namespace {

void relax()
{
#if defined(__x86_64__) || defined(_M_X64)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// Spins a little, then lets the scheduler run others (a preempted partner needs the core).
template <typename Done>
void wait_until(Done done)
{
    for (int spins = 0; !done(); ++spins) {
        if (spins < 4096)
            relax();
        else
            std::this_thread::yield();
    }
}

// A block of doubles on a 64-byte boundary, kept between calls and grown only when the edge
// length grows.
class WorkArea {
public:
    ~WorkArea() { std::free(area_); }
    double* at_least(std::size_t doubles)
    {
        if (doubles > capacity_) {
            void* grown = std::aligned_alloc(64, doubles * sizeof(double));
            if (grown == nullptr)
                throw std::bad_alloc();
            std::free(area_);
            area_ = static_cast<double*>(grown);
            capacity_ = doubles;
        }
        return area_;
    }

private:
    double* area_ = nullptr;
    std::size_t capacity_ = 0;
};

// Task counts must fit the claim word's 16-bit fields.
constexpr int max_tasks = 0xFFFF;

class StripTeam {
public:
    ~StripTeam()
    {
        if (!helper_.joinable())
            return;
        stop_.store(true, std::memory_order_release);
        wake_.fetch_add(1, std::memory_order_release);
        wake_.notify_one();
        helper_.join();
    }

    void run(StripPass columns, StripPass rows, const CentredJob& job)
    {
        const int strips = job.n / strip_lanes;
        const std::size_t n = static_cast<std::size_t>(job.n);
        double* own_work = own_area_.at_least(2 * n * strip_lanes);
        if (threads_ < 2 || 2 * strips > max_tasks || !helper_ready()) {
            columns(job, own_work, 0, strips);
            rows(job, own_work, 0, strips);
            return;
        }
        call_.columns = columns;
        call_.rows = rows;
        call_.job = job;
        call_.helper_work = helper_area_.at_least(2 * n * strip_lanes);
        call_.strips = strips;
        std::fegetenv(&call_.environment);
        columns_done_.store(0, std::memory_order_relaxed);
        rows_done_.store(0, std::memory_order_relaxed);
        helper_flags_.store(0, std::memory_order_relaxed);

        const std::uint32_t generation = ++generation_;
        claim_.store((std::uint64_t{generation} << 32) | (std::uint64_t(2 * strips) << 16),
                     std::memory_order_release);
        wake_.store(generation, std::memory_order_release);
        wake_.notify_one();

        if (head_start_) {
            const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            wait_until([&] {
                return helper_joined_.load(std::memory_order_acquire) == generation ||
                       std::chrono::steady_clock::now() > give_up;
            });
        }
        work_on(generation, own_work, false);
        wait_until([&] { return rows_done_.load(std::memory_order_acquire) == strips; });
        const int flags = helper_flags_.load(std::memory_order_relaxed);
        if (flags != 0)
            std::feraiseexcept(flags);
    }

    bool set_threads(int count)
    {
        if (count != 1 && count != 2)
            return false;
        threads_ = count;
        return true;
    }
    int threads() const { return threads_; }
    void set_head_start(bool on) { head_start_ = on; }
    long helper_tasks() const { return helper_tasks_.load(std::memory_order_relaxed); }

private:
    struct Call {
        StripPass columns = nullptr;
        StripPass rows = nullptr;
        CentredJob job{};
        double* helper_work = nullptr;
        int strips = 0;
        std::fenv_t environment{};
    };

    bool helper_ready()
    {
        if (helper_.joinable())
            return true;
        if (helper_failed_)
            return false;
        try {
            helper_ = std::thread([this] { helper_loop(); });
        } catch (const std::system_error&) {
            helper_failed_ = true;
            return false;
        }
        return true;
    }

    void helper_loop()
    {
        std::uint32_t seen = 0;
        for (;;) {
            wake_.wait(seen, std::memory_order_acquire);
            seen = wake_.load(std::memory_order_acquire);
            if (stop_.load(std::memory_order_acquire))
                return;
            work_on(seen, nullptr, true);
        }
    }

    bool claim(std::uint32_t generation, int& task)
    {
        std::uint64_t word = claim_.load(std::memory_order_acquire);
        for (;;) {
            if (static_cast<std::uint32_t>(word >> 32) != generation)
                return false;
            const int total = static_cast<int>((word >> 16) & 0xFFFF);
            const int next = static_cast<int>(word & 0xFFFF);
            if (next >= total)
                return false;
            if (claim_.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel,
                                             std::memory_order_acquire)) {
                task = next;
                return true;
            }
        }
    }

    void work_on(std::uint32_t generation, double* work, bool helper)
    {
        bool environment_set = false;
        int task = 0;
        while (claim(generation, task)) {
            // call_ was written before this generation's claim word and stays as it is until
            // every task of the generation has completed, this one included.
            if (helper && !environment_set) {
                std::fesetenv(&call_.environment);
                std::feclearexcept(FE_ALL_EXCEPT);
                work = call_.helper_work;
                environment_set = true;
                helper_joined_.store(generation, std::memory_order_release);
            }
            if (helper)
                helper_tasks_.fetch_add(1, std::memory_order_relaxed);
            const int strips = call_.strips;
            if (task < strips) {
                call_.columns(call_.job, work, task, task + 1);
                report(helper);
                columns_done_.fetch_add(1, std::memory_order_release);
            } else {
                wait_until(
                    [&] { return columns_done_.load(std::memory_order_acquire) == strips; });
                call_.rows(call_.job, work, task - strips, task - strips + 1);
                report(helper);
                rows_done_.fetch_add(1, std::memory_order_release);
            }
        }
    }

    void report(bool helper)
    {
        if (!helper)
            return;
        const int flags = std::fetestexcept(FE_ALL_EXCEPT);
        if (flags != 0)
            helper_flags_.fetch_or(flags, std::memory_order_relaxed);
    }

    Call call_;
    std::atomic<std::uint64_t> claim_{0};
    std::atomic<int> columns_done_{0};
    std::atomic<int> rows_done_{0};
    std::atomic<int> helper_flags_{0};
    std::atomic<std::uint32_t> wake_{0};
    std::atomic<bool> stop_{false};
    std::atomic<std::uint32_t> helper_joined_{0};  // last generation the helper worked on
    std::atomic<long> helper_tasks_{0};
    bool head_start_ = false;
    std::uint32_t generation_ = 0;
    int threads_ = 1;
    bool helper_failed_ = false;
    std::thread helper_;
    WorkArea own_area_;
    WorkArea helper_area_;
};

StripTeam& team()
{
    static StripTeam instance;
    return instance;
}

}  // namespace

void run_strip_passes(StripPass columns, StripPass rows, const CentredJob& job)
{
    team().run(columns, rows, job);
}

bool set_strip_threads(int count)
{
    return team().set_threads(count);
}

int strip_threads()
{
    return team().threads();
}

void set_helper_head_start(bool on)
{
    team().set_head_start(on);
}

long helper_tasks()
{
    return team().helper_tasks();
}

}  // namespace spectral_detail
