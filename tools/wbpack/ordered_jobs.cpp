// The job threads: each picks the next job number within the window, runs it unlocked and
// marks it done.
#include "wbpack/ordered_jobs.h"

#include <algorithm>

namespace wb {

namespace {

void RunJobs(OrderedJobs& jobs) {
    std::unique_lock<std::mutex> hold(jobs.Lock);
    for (;;) {
        jobs.Changed.wait(hold, [&jobs] {
            return jobs.Stopping || jobs.Next >= jobs.Count || jobs.Next < jobs.Taken + jobs.Ahead;
        });
        if (jobs.Stopping || jobs.Next >= jobs.Count) return;
        const size_t k = jobs.Next++;
        hold.unlock();
        jobs.Job(k);
        hold.lock();
        jobs.Done[k] = 1;
        jobs.Changed.notify_all();
    }
}

}  // namespace

OrderedJobs::~OrderedJobs() { StopOrderedJobs(*this); }

unsigned DefaultJobThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, 8u);
}

void StartOrderedJobs(OrderedJobs& jobs, size_t count, unsigned threads, size_t ahead,
                      std::function<void(size_t)> job) {
    StopOrderedJobs(jobs);
    jobs.Job = std::move(job);
    jobs.Count = count;
    jobs.Ahead = std::max<size_t>(ahead, 1);
    jobs.Next = jobs.Taken = 0;
    jobs.Done.assign(count, 0);
    jobs.Stopping = false;
    if (threads < 2 || count < 2) return;
    const size_t n = std::min<size_t>(threads, count);
    for (size_t i = 0; i < n; ++i) jobs.Threads.emplace_back(RunJobs, std::ref(jobs));
}

void WaitForJob(OrderedJobs& jobs, size_t k) {
    if (jobs.Threads.empty()) {
        jobs.Job(k);
        jobs.Taken = k + 1;
        return;
    }
    std::unique_lock<std::mutex> hold(jobs.Lock);
    jobs.Changed.wait(hold, [&jobs, k] { return jobs.Done[k] != 0; });
    jobs.Taken = k + 1;
    jobs.Changed.notify_all();
}

void StopOrderedJobs(OrderedJobs& jobs) {
    {
        std::lock_guard<std::mutex> hold(jobs.Lock);
        jobs.Stopping = true;
    }
    jobs.Changed.notify_all();
    for (std::thread& t : jobs.Threads) t.join();
    jobs.Threads.clear();
}

}  // namespace wb
