#include "daradiv/generation.h"

#include <exception>

#include "text/app_error.h"

namespace daradiv {

Generation::Generation(const std::string& index_path, bool copy_current)
    : index_(sen_index_create_next(index_path.c_str(), copy_current ? 1 : 0)) {}

Generation::~Generation() {
    if (index_ != nullptr) sen_index_discard(index_);
}

void Generation::Put(const std::string& key, const std::string& folded_path,
                     const std::string& folded_text) {
    if (sen_index_put(index_, key.c_str(), folded_path.data(),
                      static_cast<unsigned>(folded_path.size()), folded_text.data(),
                      static_cast<unsigned>(folded_text.size())) != sen_success)
        throw AppError("インデックスに文書を登録できません");
}

void Generation::Delete(const std::string& key) {
    // A document the index does not hold any more is no error: its line is dead anyway.
    sen_index_delete(index_, key.c_str());
}

void Generation::Publish(const index_files::FileIdentity& info) {
    sen_file_identity id = index_files::ToSenna(info);
    if (sen_index_set_info_identity(index_, &id) != sen_success)
        throw AppError("インデックスに情報ファイルを記録できません");
    sen_rc rc = sen_index_publish(index_);
    index_ = nullptr;  // the handle is freed either way
    if (rc != sen_success) throw AppError("新しいインデックスを使い始められません");
}

IndexFeeder::IndexFeeder(Generation& generation)
    : generation_(generation), thread_([this] { Loop(); }) {}

void IndexFeeder::Put(std::string key, std::string folded_path, std::string folded_text) {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [&] {
        return queue_.empty() || (queue_.size() < kMaxQueued && queued_bytes_ < kMaxQueuedBytes) ||
               !error_.empty();
    });
    if (!error_.empty()) throw AppError(error_);
    queued_bytes_ += folded_path.size() + folded_text.size();
    queue_.push_back({std::move(key), std::move(folded_path), std::move(folded_text)});
    ready_.notify_one();
}

void IndexFeeder::Finish() {
    Stop();
    if (!error_.empty()) throw AppError(error_);
}

void IndexFeeder::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void IndexFeeder::Loop() {
    while (true) {
        Item item;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [&] { return !queue_.empty() || stopping_; });
            if (queue_.empty()) return;
            item = std::move(queue_.front());
            queue_.pop_front();
            queued_bytes_ -= item.path.size() + item.text.size();
        }
        room_.notify_one();
        try {
            generation_.Put(item.key, item.path, item.text);
        } catch (const std::exception& e) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = e.what();
            queue_.clear();
            room_.notify_all();
            return;
        }
    }
}

}  // namespace daradiv
