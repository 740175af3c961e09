// A few threads running numbered jobs ahead of one consumer that takes their results in
// number order: the packer compresses entries side by side and still writes them in turn.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace wb {

struct JobSync;  // the lock, the signal and the threads, while threads run

struct OrderedJobs {
    std::function<void(size_t)> Job;  // writes the result of job k into the caller's slot k
    size_t Count = 0;
    size_t Ahead = 0;        // jobs that may be done or running beyond the last one taken
    size_t Next = 0;         // the next job a thread picks up
    size_t Taken = 0;        // jobs the consumer has taken
    std::vector<char> Done;
    bool Stopping = false;
    JobSync* Sync = nullptr;  // none: each job runs inside WaitForJob

    OrderedJobs() = default;
    OrderedJobs(const OrderedJobs&) = delete;
    OrderedJobs& operator=(const OrderedJobs&) = delete;
    ~OrderedJobs();
};

// The threads to use when the caller leaves it open: the machine's cores, at most 8; 1
// where the C++ library has no threads (MinGW's win32 thread model, the Windows wbpack).
unsigned DefaultJobThreads();

// Starts `threads` threads over jobs 0..count-1 (none for one thread, fewer than two jobs,
// or a library without threads: each job then runs inside WaitForJob). At most `ahead`
// jobs past the last one taken are started, which bounds the results held at once.
void StartOrderedJobs(OrderedJobs& jobs, size_t count, unsigned threads, size_t ahead,
                      std::function<void(size_t)> job);

// Returns once job `k` has run; jobs are taken in order, each once.
void WaitForJob(OrderedJobs& jobs, size_t k);

// Lets running jobs end, starts no more and joins the threads.
void StopOrderedJobs(OrderedJobs& jobs);

}  // namespace wb
