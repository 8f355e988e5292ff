#include <gtest/gtest.h>

#include <map>

#include "daradiv/worker_pool.h"
#include "text/app_error.h"

using namespace daradiv;

namespace {

std::map<size_t, WorkerResult> RunAll(WorkerPool& pool, const std::vector<WorkerRequest>& reqs) {
    std::map<size_t, WorkerResult> results;
    pool.Run(reqs, [&](size_t i, WorkerResult r) {
        EXPECT_EQ(results.count(i), 0u) << "reported twice: " << i;
        results[i] = std::move(r);
    });
    return results;
}

}  // namespace

TEST(WorkerPool, AFailingDocumentCostsThatDocumentOnly) {
    WorkerLimits limits;
    limits.per_document = std::chrono::milliseconds(300);
    WorkerPool pool(FAKE_WORKER, 2, limits);
    std::vector<WorkerRequest> reqs;
    const char* names[] = {"a", "hang", "b", "crash", "c", "quit", "d", "garbage", "e", "f"};
    for (const char* n : names) reqs.push_back({std::string("/docs/") + n, ".txt"});
    std::map<size_t, WorkerResult> results = RunAll(pool, reqs);

    ASSERT_EQ(results.size(), reqs.size());
    for (size_t i = 0; i < reqs.size(); ++i) {
        std::string name = names[i];
        bool bad = name == "hang" || name == "crash" || name == "quit" || name == "garbage";
        EXPECT_EQ(results[i].ok, !bad) << name;
        if (bad) {
            EXPECT_FALSE(results[i].error.empty()) << name;
        } else {
            EXPECT_EQ(results[i].text, "text of /docs/" + name);
        }
    }
    EXPECT_NE(results[1].error.find("時間内"), std::string::npos) << results[1].error;
    EXPECT_NE(results[3].error.find("シグナル"), std::string::npos) << results[3].error;

    // The pool is still usable after replacing its workers.
    results = RunAll(pool, {{"/docs/again", ".txt"}});
    ASSERT_TRUE(results[0].ok);
}

// A document that needs longer (OCR of many pages) gets the time its worker asks for, and
// no more.
TEST(WorkerPool, AWorkerMayAskForMoreTimeForOneDocument) {
    WorkerLimits limits;
    limits.per_document = std::chrono::milliseconds(300);
    WorkerPool pool(FAKE_WORKER, 2, limits);
    std::map<size_t, WorkerResult> results =
        RunAll(pool, {{"/docs/slow", ".png"}, {"/docs/greedy", ".png"}, {"/docs/a", ".txt"}});
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].ok) << results[0].error;
    EXPECT_FALSE(results[1].ok);
    EXPECT_NE(results[1].error.find("(1 秒)"), std::string::npos) << results[1].error;
    EXPECT_TRUE(results[2].ok);
}

TEST(WorkerPool, AWorkerThatCannotStartEndsTheRun) {
    WorkerPool pool("/nonexistent/daradiv-worker", 2, WorkerLimits{});
    size_t reported = 0;
    EXPECT_THROW(pool.Run({{"/a", ".txt"}, {"/b", ".txt"}}, [&](size_t, WorkerResult) { ++reported; }),
                 AppError);
    EXPECT_EQ(reported, 0u);
}
