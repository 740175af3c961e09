// Entries compressed side by side: the Package is the same bytes for any number of
// threads, failures name the first bad entry in order, and the job window bounds what is
// held at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "unit/test_support.h"
#include "blocks/compress/ordered_jobs.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

std::string Mixed(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        if (rng() % 3 == 0) {
            for (int i = 0; i < 64; ++i) s += char(rng());
        } else {
            s += "entry " + std::to_string(rng() % 97) + " of the threaded writer\r\n";
        }
    }
    s.resize(n);
    return s;
}

class WriterThreads : public ::testing::Test {
protected:
    void SetUp() override { dir_ = FreshTestDir("wb-threads"); }
    void TearDown() override { fs::remove_all(dir_); }

    // Folders, empty files, stored and compressed entries, from memory and from host files.
    std::vector<PackInput> Inputs() {
        std::vector<PackInput> inputs;
        inputs.push_back(PackFolder("data\\"));
        for (uint32_t i = 0; i < 24; ++i) {
            const std::string name = "data\\f" + std::to_string(i) + ".bin";
            const std::string bytes = i % 7 == 3 ? "" : Mixed(500 + 3000 * (i % 5), i);
            PackInput in = PackFile(name, bytes, i % 6 == 1, 100 + i, 200 + i);
            if (i % 2 == 0) {
                in.SourcePath = (dir_ / ("f" + std::to_string(i))).string();
                std::ofstream(in.SourcePath, std::ios::binary) << bytes;
                in.Data.clear();
            }
            inputs.push_back(std::move(in));
        }
        return inputs;
    }

    fs::path dir_;
};

struct Written {
    bool Ok = false;
    std::vector<uint8_t> Bytes;
    std::vector<size_t> Progress;
    std::string Error;
};

Written Write(const std::vector<PackInput>& inputs, unsigned threads, uint32_t align) {
    Written w;
    PackWriteOptions options;
    options.Threads = threads;
    options.EndAlignment = align;
    options.Progress = [&w](size_t done, size_t) { w.Progress.push_back(done); };
    PackSink sink = [&w](const uint8_t* data, size_t size) {
        w.Bytes.insert(w.Bytes.end(), data, data + size);
        return true;
    };
    PackWriteResult result;
    w.Ok = WritePackage(sink, 1000, inputs, options, result, w.Error);
    return w;
}

TEST_F(WriterThreads, AnyNumberOfThreadsWritesTheSameBytesInOrder) {
    const std::vector<PackInput> inputs = Inputs();
    for (uint32_t align : {0u, 8u}) {  // streamed, and collected for the padded setup
        const Written one = Write(inputs, 1, align);
        ASSERT_TRUE(one.Ok) << one.Error;
        std::vector<size_t> inOrder;
        for (size_t i = 1; i <= inputs.size(); ++i) inOrder.push_back(i);
        EXPECT_EQ(one.Progress, inOrder);
        for (unsigned threads : {2u, 3u, 8u, 0u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, alignment " + std::to_string(align));
            const Written many = Write(inputs, threads, align);
            ASSERT_TRUE(many.Ok) << many.Error;
            EXPECT_EQ(many.Bytes, one.Bytes);
            EXPECT_EQ(many.Progress, inOrder);
        }
    }
}

TEST_F(WriterThreads, AnEntryHoldingMostBytesIsTheSameOnItsOwnThreads) {
    // As in the solid shape: one entry of several chunks beside a few small ones.
    std::vector<PackInput> inputs = Inputs();
    inputs.push_back(PackFile("data\\solid.pck", Mixed(700000, 77), false, 1, 2));
    const Written one = Write(inputs, 1, 8);
    ASSERT_TRUE(one.Ok) << one.Error;
    for (unsigned threads : {2u, 4u}) {
        const Written many = Write(inputs, threads, 8);
        ASSERT_TRUE(many.Ok) << many.Error;
        EXPECT_EQ(many.Bytes, one.Bytes) << threads;
    }
}

TEST_F(WriterThreads, TheFirstBadEntryInOrderIsNamed) {
    std::vector<PackInput> inputs = Inputs();
    inputs[20].SourcePath = (dir_ / "missing-later").string();
    inputs[9].SourcePath = (dir_ / "missing-first").string();  // compressed, read from a file
    ASSERT_FALSE(inputs[9].Store);
    for (unsigned threads : {1u, 2u, 8u}) {
        const Written w = Write(inputs, threads, 0);
        EXPECT_FALSE(w.Ok);
        EXPECT_NE(w.Error.find("missing-first"), std::string::npos) << threads << ": " << w.Error;
        EXPECT_EQ(w.Progress.size(), 9u) << "the entries in front of it were written";
    }
}

TEST_F(WriterThreads, ARefusingSinkStopsTheWriterWithoutWaitingForEveryEntry) {
    const std::vector<PackInput> inputs = Inputs();
    for (unsigned threads : {1u, 4u}) {
        size_t calls = 0;
        PackSink sink = [&calls](const uint8_t*, size_t) { return ++calls < 3; };
        PackWriteOptions options;
        options.Threads = threads;
        PackWriteResult result;
        std::string error;
        EXPECT_FALSE(WritePackage(sink, 0, inputs, options, result, error));
        EXPECT_TRUE(result.SinkFailed) << threads;
        EXPECT_EQ(calls, 3u);
    }
}

TEST(OrderedJobs, RunsEveryJobOnceWithinTheWindow) {
    constexpr size_t kJobs = 200, kAhead = 3;
    for (unsigned threads : {1u, 2u, 5u}) {
        OrderedJobs jobs;
        std::vector<std::atomic<int>> runs(kJobs);
        std::atomic<size_t> taken{0}, widest{0};
        StartOrderedJobs(jobs, kJobs, threads, kAhead, [&](size_t k) {
            runs[k]++;
            const size_t beyond = k + 1 - taken.load();
            size_t seen = widest.load();
            while (beyond > seen && !widest.compare_exchange_weak(seen, beyond)) {
            }
        });
        for (size_t k = 0; k < kJobs; ++k) {
            WaitForJob(jobs, k);
            EXPECT_EQ(runs[k].load(), 1) << k;
            taken = k + 1;
        }
        StopOrderedJobs(jobs);
        for (size_t k = 0; k < kJobs; ++k) EXPECT_EQ(runs[k].load(), 1) << k;
        EXPECT_LE(widest.load(), kAhead + 1) << threads << " threads ran too far ahead";
    }
}

TEST(OrderedJobs, TheBudgetBoundsWhatIsHeldAndAJobAboveItStillRuns) {
    constexpr size_t kJobs = 60;
    std::vector<uint64_t> costs(kJobs, 100);
    costs[7] = 1000;  // more than the whole budget: taken alone
    OrderedJobs jobs;
    std::atomic<uint64_t> held{0}, most{0};
    StartOrderedJobs(jobs, kJobs, 4, 10, [&](size_t k) {
        const uint64_t now = held += costs[k];
        uint64_t seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
    }, costs, 250);
    for (size_t k = 0; k < kJobs; ++k) {
        WaitForJob(jobs, k);
        held -= costs[k];
    }
    // The consumer counts off the job it has just taken only after the threads may already
    // have started the two jobs of 100 that the budget lets in behind it.
    EXPECT_LE(most.load(), 1000u + 200u);
    StopOrderedJobs(jobs);
    std::vector<uint64_t> small(kJobs, 100);
    OrderedJobs bounded;
    held = 0;
    most = 0;
    StartOrderedJobs(bounded, kJobs, 4, 10, [&](size_t k) {
        const uint64_t now = held += small[k];
        uint64_t seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
    }, small, 250);
    for (size_t k = 0; k < kJobs; ++k) {
        WaitForJob(bounded, k);
        held -= small[k];
    }
    EXPECT_LE(most.load(), 300u) << "at most two jobs held, and the one just taken";
}

TEST(OrderedJobs, TurnsRunInJobOrderOneAtATime) {
    constexpr size_t kJobs = 120;
    for (unsigned threads : {1u, 2u, 5u}) {
        OrderedJobs jobs;
        std::mutex lock;
        std::vector<size_t> order;
        std::atomic<int> inTurn{0}, overlaps{0}, sideBySide{0}, running{0};
        StartOrderedJobs(jobs, kJobs, threads, 6, [&](size_t k) {
            running++;
            BeginJobTurn(jobs, k);
            if (inTurn++ != 0) overlaps++;
            {
                std::lock_guard<std::mutex> hold(lock);
                order.push_back(k);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(k % 3 == 0 ? 200 : 0));
            inTurn--;
            EndJobTurn(jobs, k);
            // The rest of the job may overlap the next one's turn.
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            if (running.load() > 1) sideBySide++;
            running--;
        });
        for (size_t k = 0; k < kJobs; ++k) WaitForJob(jobs, k);
        StopOrderedJobs(jobs);
        std::vector<size_t> inOrder(kJobs);
        for (size_t k = 0; k < kJobs; ++k) inOrder[k] = k;
        EXPECT_EQ(order, inOrder) << threads;
        EXPECT_EQ(overlaps.load(), 0) << threads;
        if (threads > 1) {
            EXPECT_GT(sideBySide.load(), 0) << threads << " threads never overlapped";
        }
    }
}

TEST(OrderedJobs, StoppingEarlyLeavesTheRestUnrun) {
    std::atomic<size_t> ran{0};
    {
        OrderedJobs jobs;
        StartOrderedJobs(jobs, 1000, 4, 4, [&ran](size_t) { ran++; });
        WaitForJob(jobs, 0);
        WaitForJob(jobs, 1);
    }  // the record's end stops and joins its threads
    EXPECT_GE(ran.load(), 2u);
    EXPECT_LE(ran.load(), 2u + 4u + 4u);
}

}  // namespace
}  // namespace wb
