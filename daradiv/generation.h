// The index generation a run builds, and the thread that feeds documents to it. The
// generation is discarded unless the run publishes it, so a failed run leaves the current
// index in use. Errors are thrown as AppError.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "search/index_files.h"
#include "senna/senna.h"

namespace daradiv {

// A generation being built beside the current one (a copy of it when copy_current).
class Generation {
public:
    Generation(const std::string& index_path, bool copy_current);
    ~Generation();
    Generation(const Generation&) = delete;
    Generation& operator=(const Generation&) = delete;

    bool ok() const { return index_ != nullptr; }
    void Put(const std::string& key, const std::string& folded_path, const std::string& folded_text);
    // Removes a document; one the index does not hold is no error.
    void Delete(const std::string& key);
    // Records the information file's identity and makes this generation the current one.
    void Publish(const index_files::FileIdentity& info);

private:
    sen_index* index_;
};

// Feeds documents to the generation on a thread of its own, so indexing one document
// overlaps with receiving and storing the next. The only user of the index meanwhile.
class IndexFeeder {
public:
    explicit IndexFeeder(Generation& generation);
    ~IndexFeeder() { Stop(); }

    // Queues a document; waits while the queue is full.
    void Put(std::string key, std::string folded_path, std::string folded_text);
    // Waits until every queued document is indexed; throws the first indexing error.
    void Finish();

private:
    struct Item {
        std::string key, path, text;
    };
    // Bounds on what waits, so large documents cannot pile up in memory.
    static constexpr size_t kMaxQueued = 64;
    static constexpr size_t kMaxQueuedBytes = 16u << 20;

    void Stop();
    void Loop();

    Generation& generation_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<Item> queue_;
    size_t queued_bytes_ = 0;
    bool stopping_ = false;
    std::string error_;
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace daradiv
