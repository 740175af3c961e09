// The job threads: each picks the next job number within the window, runs it unlocked and
// marks it done.
#include "blocks/compress/ordered_jobs.h"

#include <algorithm>

// GCC's library built for MinGW's win32 thread model has no std::thread or std::mutex.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define WB_JOB_THREADS 0
#else
#define WB_JOB_THREADS 1
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace wb {

#if WB_JOB_THREADS

struct JobSync {
    std::mutex Lock;
    std::condition_variable Changed;
    std::vector<std::thread> Threads;
};

namespace {

uint64_t CostOf(const OrderedJobs& jobs, size_t k) { return k < jobs.Costs.size() ? jobs.Costs[k] : 0; }

// Whether the next job may start now.
bool MayStart(const OrderedJobs& jobs) {
    if (jobs.Next >= jobs.Count || jobs.Next >= jobs.Taken + jobs.Ahead) return false;
    return jobs.Budget == 0 || jobs.Held == 0 || jobs.Held + CostOf(jobs, jobs.Next) <= jobs.Budget;
}

void RunJobs(OrderedJobs& jobs) {
    JobSync& sync = *jobs.Sync;
    std::unique_lock<std::mutex> hold(sync.Lock);
    for (;;) {
        sync.Changed.wait(hold, [&jobs] {
            return jobs.Stopping || jobs.Next >= jobs.Count || MayStart(jobs);
        });
        if (jobs.Stopping || jobs.Next >= jobs.Count) return;
        const size_t k = jobs.Next++;
        jobs.Held += CostOf(jobs, k);
        hold.unlock();
        jobs.Job(k);
        hold.lock();
        jobs.Done[k] = 1;
        sync.Changed.notify_all();
    }
}

}  // namespace

unsigned DefaultJobThreads() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

void StartOrderedJobs(OrderedJobs& jobs, size_t count, unsigned threads, size_t ahead,
                      std::function<void(size_t)> job, std::vector<uint64_t> costs,
                      uint64_t budget) {
    StopOrderedJobs(jobs);
    jobs.Job = std::move(job);
    jobs.Costs = std::move(costs);
    jobs.Budget = budget;
    jobs.Held = 0;
    jobs.Count = count;
    jobs.Ahead = std::max<size_t>(ahead, 1);
    jobs.Next = jobs.Taken = jobs.Turn = 0;
    jobs.Done.assign(count, 0);
    jobs.Stopping = false;
    if (threads < 2 || count < 2) return;
    jobs.Sync = new JobSync;
    const size_t n = std::min<size_t>(threads, count);
    for (size_t i = 0; i < n; ++i) jobs.Sync->Threads.emplace_back(RunJobs, std::ref(jobs));
}

void WaitForJob(OrderedJobs& jobs, size_t k) {
    if (!jobs.Sync) {
        jobs.Job(k);
        jobs.Taken = k + 1;
        return;
    }
    std::unique_lock<std::mutex> hold(jobs.Sync->Lock);
    jobs.Sync->Changed.wait(hold, [&jobs, k] { return jobs.Done[k] != 0; });
    jobs.Taken = k + 1;
    jobs.Held -= CostOf(jobs, k);
    jobs.Sync->Changed.notify_all();
}

// Job k only waits for jobs before it, which have all started (threads take jobs in
// number order), so turns cannot deadlock, even while the jobs stop.
void BeginJobTurn(OrderedJobs& jobs, size_t k) {
    if (!jobs.Sync) return;
    std::unique_lock<std::mutex> hold(jobs.Sync->Lock);
    jobs.Sync->Changed.wait(hold, [&jobs, k] { return jobs.Turn == k; });
}

void EndJobTurn(OrderedJobs& jobs, size_t k) {
    if (!jobs.Sync) return;
    std::lock_guard<std::mutex> hold(jobs.Sync->Lock);
    jobs.Turn = k + 1;
    jobs.Sync->Changed.notify_all();
}

void StopOrderedJobs(OrderedJobs& jobs) {
    if (!jobs.Sync) return;
    {
        std::lock_guard<std::mutex> hold(jobs.Sync->Lock);
        jobs.Stopping = true;
    }
    jobs.Sync->Changed.notify_all();
    for (std::thread& t : jobs.Sync->Threads) t.join();
    delete jobs.Sync;
    jobs.Sync = nullptr;
}

#else

unsigned DefaultJobThreads() { return 1; }

void StartOrderedJobs(OrderedJobs& jobs, size_t count, unsigned, size_t ahead,
                      std::function<void(size_t)> job, std::vector<uint64_t>, uint64_t) {
    jobs.Job = std::move(job);
    jobs.Count = count;
    jobs.Ahead = std::max<size_t>(ahead, 1);
    jobs.Next = jobs.Taken = 0;
    jobs.Done.assign(count, 0);
    jobs.Stopping = false;
}

void WaitForJob(OrderedJobs& jobs, size_t k) {
    jobs.Job(k);
    jobs.Taken = k + 1;
}

void BeginJobTurn(OrderedJobs&, size_t) {}
void EndJobTurn(OrderedJobs&, size_t) {}

void StopOrderedJobs(OrderedJobs&) {}

#endif

OrderedJobs::~OrderedJobs() { StopOrderedJobs(*this); }

}  // namespace wb
