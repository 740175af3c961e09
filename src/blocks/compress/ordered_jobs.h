// A few threads running numbered jobs ahead of one consumer that takes their results in
// number order: the packer compresses entries side by side and still writes them in turn.
#pragma once

#include <cstddef>
#include <cstdint>
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
    size_t Turn = 0;         // the job whose turn it is (BeginJobTurn)
    std::vector<char> Done;
    std::vector<uint64_t> Costs;  // what each job holds while it runs and until it is taken
    uint64_t Budget = 0;          // the most held by started jobs not yet taken; 0: no limit
    uint64_t Held = 0;
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
// jobs past the last one taken are started, and, with a `budget`, no job whose cost would
// take what started jobs not yet taken hold past it, unless none are held: the memory of
// a few large files is bounded, not only their number.
void StartOrderedJobs(OrderedJobs& jobs, size_t count, unsigned threads, size_t ahead,
                      std::function<void(size_t)> job, std::vector<uint64_t> costs = {},
                      uint64_t budget = 0);

// Returns once job `k` has run; jobs are taken in order, each once.
void WaitForJob(OrderedJobs& jobs, size_t k);

// The part of job `k` between these two runs after that part of every earlier job, and
// never beside another job's: work that must see the jobs in order (a match finder's
// record of positions), before the part that may run side by side. Call both, in this
// order, from the job itself; with no threads they do nothing.
void BeginJobTurn(OrderedJobs& jobs, size_t k);
void EndJobTurn(OrderedJobs& jobs, size_t k);

// Lets running jobs end, starts no more and joins the threads.
void StopOrderedJobs(OrderedJobs& jobs);

}  // namespace wb
