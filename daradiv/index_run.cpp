#include "daradiv/index_run.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <map>
#include <optional>
#include <set>

#include "config/indexer_config.h"
#include "daradiv/document_text.h"
#include "daradiv/failed_documents.h"
#include "daradiv/file_walker.h"
#include "daradiv/leftovers.h"
#include "daradiv/run_log.h"
#include "daradiv/run_plan.h"
#include "indexer/program_files.h"
#include "indexer/update_log.h"
#include "search/index_files.h"
#include "search/normalize.h"
#include "senna/senna.h"
#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"

namespace daradiv {
namespace {

using index_files::DocumentLine;
using index_files::RecordPlacement;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kLockFile = "daradiv.lock";

// The date field: the modification date in local time as yyyymmdd.
std::string DateField(int64_t mtime) {
    time_t t = static_cast<time_t>(mtime);
    struct tm local;
    if (localtime_r(&t, &local) == nullptr) return "0";
    char buf[16];
    strftime(buf, sizeof buf, "%Y%m%d", &local);
    return buf;
}

std::string KeyOf(size_t line_index) { return std::to_string(line_index + 1); }

// The same line with its record offset -1: the search passes it over.
std::string KillLine(const std::string& line) {
    size_t at = line.rfind(kFieldSeparator);
    return at == std::string::npos ? line : line.substr(0, at + kFieldSeparator.size()) + "-1";
}

int64_t SizeField(const OldLine& line) {
    try {
        return std::stoll(std::string(RecordField(line.text, 3)));
    } catch (const std::exception&) {
        return line.fields.size;
    }
}

// The catalogues of the current information file, read back when the run compacts.
class OldCatalogues {
public:
    explicit OldCatalogues(std::string app_dir) : app_dir_(std::move(app_dir)) {}

    // True when both files of the record's pair hold the whole record.
    bool Readable(const DocumentLine& f) {
        if (f.offset < 0 || f.catalogue < 1 || f.path_length < 0 || f.text_length < 0) return false;
        auto it = sizes_.find(f.catalogue);
        if (it == sizes_.end()) {
            int64_t display = FileSize(index_files::DisplayCatalogueName(f.catalogue));
            int64_t folded = FileSize(index_files::FoldedCatalogueName(f.catalogue));
            it = sizes_.emplace(f.catalogue, std::min(display, folded)).first;
        }
        return static_cast<int64_t>(f.offset) + f.path_length + f.text_length <= it->second;
    }

    // The path and text blocks of the record from the display catalogue.
    bool Read(const DocumentLine& f, std::string& head, std::string& body) {
        if (!Readable(f)) return false;
        if (open_number_ != f.catalogue) {
            open_number_ = 0;
            if (!reader_.Open(app_dir_ + index_files::DisplayCatalogueName(f.catalogue)))
                return false;
            open_number_ = f.catalogue;
        }
        head.resize(static_cast<size_t>(f.path_length));
        body.resize(static_cast<size_t>(f.text_length));
        index_files::RecordSizes got = reader_.Read(f.offset, f.path_length, f.text_length,
                                                    head.data(), head.size(), body.data(),
                                                    body.size());
        return got.head == head.size() && got.body == body.size();
    }

private:
    int64_t FileSize(const std::string& name) const {
        struct stat st;
        return stat((app_dir_ + name).c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    }

    std::string app_dir_;
    std::map<int32_t, int64_t> sizes_;
    index_files::CatalogueReader reader_;
    int32_t open_number_ = 0;
};

// The new catalogue pairs of this run, numbered from first; a full pair gives way to the next.
class CatalogueOutput {
public:
    CatalogueOutput(std::string app_dir, int32_t first)
        : app_dir_(std::move(app_dir)), number_(first - 1) {}

    struct Placed {
        int32_t catalogue = 0;
        RecordPlacement at;
    };

    Placed Append(const std::string& path_block, const std::string& text_block) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!writer_.is_open()) {
                ++number_;
                writer_.Open(app_dir_ + index_files::DisplayCatalogueName(number_),
                             app_dir_ + index_files::FoldedCatalogueName(number_), true);
            }
            if (std::optional<RecordPlacement> at = writer_.Append(path_block, text_block))
                return {number_, *at};
            writer_.Close();
        }
        throw AppError("カタログに書き込めません");
    }

    void Close() { writer_.Close(); }

private:
    std::string app_dir_;
    int32_t number_;
    index_files::CatalogueWriter writer_;
};

// A generation being built; discarded unless published.
class Generation {
public:
    Generation(const std::string& index_path, bool copy_current)
        : index_(sen_index_create_next(index_path.c_str(), copy_current ? 1 : 0)) {}
    ~Generation() {
        if (index_ != nullptr) sen_index_discard(index_);
    }
    bool ok() const { return index_ != nullptr; }

    void Put(const std::string& key, const std::string& folded_path, const std::string& folded_text) {
        if (sen_index_put(index_, key.c_str(), folded_path.data(),
                          static_cast<unsigned>(folded_path.size()), folded_text.data(),
                          static_cast<unsigned>(folded_text.size())) != sen_success)
            throw AppError("インデックスに文書を登録できません");
    }
    void Delete(const std::string& key) {
        // A document the index does not hold any more is no error: its line is dead anyway.
        sen_index_delete(index_, key.c_str());
    }
    void Publish(const index_files::FileIdentity& info) {
        sen_file_identity id = index_files::ToSenna(info);
        if (sen_index_set_info_identity(index_, &id) != sen_success)
            throw AppError("インデックスに情報ファイルを記録できません");
        sen_rc rc = sen_index_publish(index_);
        index_ = nullptr;  // the handle is freed either way
        if (rc != sen_success) throw AppError("新しいインデックスを使い始められません");
    }

private:
    sen_index* index_;
};


// Feeds documents to the generation on a thread of its own, so indexing one document
// overlaps with receiving and storing the next. The only user of the index meanwhile.
class IndexFeeder {
public:
    explicit IndexFeeder(Generation& generation)
        : generation_(generation), thread_([this] { Loop(); }) {}
    ~IndexFeeder() { Stop(); }

    // Queues a document; waits while the queue is full.
    void Put(std::string key, std::string folded_path, std::string folded_text) {
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

    // Waits until every queued document is indexed; throws the first indexing error.
    void Finish() {
        Stop();
        if (!error_.empty()) throw AppError(error_);
    }

private:
    struct Item {
        std::string key, path, text;
    };
    // Bounds on what waits, so large documents cannot pile up in memory.
    static constexpr size_t kMaxQueued = 64;
    static constexpr size_t kMaxQueuedBytes = 16u << 20;

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    void Loop() {
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

    Generation& generation_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<Item> queue_;
    size_t queued_bytes_ = 0;
    bool stopping_ = false;
    std::string error_;
    std::thread thread_;  // last: starts once the rest is ready
};

class IndexRun {
public:
    IndexRun(const RunOptions& options, ProgressLog& progress)
        : o_(options), progress_(progress), old_catalogues_(options.app_dir) {}

    RunCounts Execute(std::vector<std::string>& details);

private:
    std::string File(const std::string& name) const { return o_.app_dir + name; }
    WalkSettings ReadSettings(bool& full);
    void ReadOldLines(std::vector<std::string>& details);
    // Whether the current index was built with the current information file, and how many
    // documents it took one by one since its last fresh build.
    bool ReadIndexState(size_t& added_since_fresh);
    void AddDocument(const std::string& path, const std::string& date, const std::string& extra,
                     int64_t size, const std::string& text, const std::string& folded);

    const RunOptions& o_;
    ProgressLog& progress_;
    OldCatalogues old_catalogues_;
    std::vector<OldLine> old_lines_;
    bool have_info_ = false;
    std::vector<std::string> lines_;
    std::optional<CatalogueOutput> output_;
    std::optional<Generation> generation_;
    std::optional<IndexFeeder> feeder_;
    std::string head_, body_;  // a record read back
};

WalkSettings IndexRun::ReadSettings(bool& full) {
    std::optional<std::vector<std::string>> lines = ReadIndexerConfig(File(program_files::kIndexerConfig));
    if (!lines) throw AppError(std::string(program_files::kIndexerConfig) + " がありません");
    WalkSettings s;
    for (const FolderRow& row : FolderPass(*lines)) s.folders.push_back(row.folder);
    for (const std::string& entry : FileTypeEntries(*lines)) {
        std::string ext = LowerCase(Trim(entry));
        if (ext.empty()) continue;
        if (ext[0] != '.') ext.insert(0, ".");
        s.extensions.insert(ext);
    }
    for (const std::string& entry : ExclusionPass(*lines)) {
        if (!Trim(entry).empty()) s.exclusions.push_back(entry);
    }
    full = ReindexFull(*lines);
    return s;
}

void IndexRun::ReadOldLines(std::vector<std::string>& details) {
    std::optional<std::vector<std::string>> lines;
    try {
        lines = ReadTextLines(File(program_files::kInformationFile));
    } catch (const std::exception&) {
        details.push_back(std::string(program_files::kInformationFile) +
                          " が壊れているため、インデックスを作り直します");
        return;
    }
    if (!lines) return;
    have_info_ = true;
    old_lines_.reserve(lines->size());
    for (std::string& text : *lines) {
        OldLine line;
        line.fields = index_files::ParseDocumentLine(text);
        line.text = std::move(text);
        old_lines_.push_back(std::move(line));
    }
}

bool IndexRun::ReadIndexState(size_t& added_since_fresh) {
    added_since_fresh = 0;
    if (!have_info_) return false;
    std::optional<index_files::FileIdentity> info =
        index_files::IdentityOfFile(File(program_files::kInformationFile));
    sen_init();
    sen_index* index = sen_index_open(File(program_files::kIndexName).c_str());
    bool matches = false;
    if (index != nullptr) {
        sen_file_identity recorded;
        matches = info && sen_index_info_identity(index, &recorded) == sen_success &&
                  index_files::FromSenna(recorded) == *info;
        long long added = sen_index_added_count(index);
        if (added < 0) matches = false;
        else added_since_fresh = static_cast<size_t>(added);
        sen_index_close(index);
    }
    sen_fin();
    return matches;
}

void IndexRun::AddDocument(const std::string& path, const std::string& date,
                           const std::string& extra, int64_t size, const std::string& text,
                           const std::string& folded) {
    std::string path_block = MakePathBlock(path);
    CatalogueOutput::Placed placed = output_->Append(path_block, text);
    DocumentLine doc;
    doc.path = path;
    doc.date = date;
    doc.extra = extra;
    doc.size = size;
    doc.catalogue = placed.catalogue;
    doc.path_length = placed.at.path_length;
    doc.text_length = placed.at.text_length;
    doc.offset = placed.at.offset;
    std::optional<std::string> line = index_files::FormatDocumentLine(doc);
    if (!line) throw AppError("文書の行を書けません: " + path);
    // The writer cuts blocks that are too long; the index gets exactly what was stored.
    std::string folded_text = folded.substr(0, static_cast<size_t>(doc.text_length));
    feeder_->Put(KeyOf(lines_.size()), FoldedCopy(path_block.substr(0, doc.path_length)),
                 std::move(folded_text));
    lines_.push_back(std::move(*line));
}

RunCounts IndexRun::Execute(std::vector<std::string>& details) {
    const auto started = SteadyClock::now();
    RunCounts counts;

    bool full = false;
    WalkSettings settings = ReadSettings(full);
    ReadOldLines(details);

    std::set<int> referenced;
    for (const OldLine& line : old_lines_) {
        if (line.fields.offset >= 0 && line.fields.catalogue > 0) referenced.insert(line.fields.catalogue);
    }
    RemoveLeftovers(o_.app_dir, referenced);

    PlanInputs in;
    in.full = full;
    in.index_matches = ReadIndexState(in.added_since_fresh);
    in.record_readable.reserve(old_lines_.size());
    for (const OldLine& line : old_lines_) in.record_readable.push_back(old_catalogues_.Readable(line.fields));
    in.known_failures = ReadFailedDocuments(File(kFailedDocumentsFile));  // unused by a full run

    progress_.Show("インデックス更新中 文書を探しています", true);
    WalkResult walk = WalkFolders(settings);
    for (const WalkNote& note : walk.notes) details.push_back(DetailLine(note.path, note.reason));
    in.found = std::move(walk.files);
    in.old_lines = std::move(old_lines_);
    RunPlan plan = PlanRun(in);
    old_lines_ = std::move(in.old_lines);

    std::vector<FailedDocument> failures = plan.still_failed;
    counts.failed = failures.size();
    // Kept documents that gave no text are listed again each run, as failures are; a
    // stored block of one byte may be a lone space, so only that is read back.
    std::vector<std::string> no_text;
    std::set<std::string> listed;
    auto note_no_text = [&](const std::string& path) {
        if (listed.insert(path).second) no_text.push_back(path);
    };
    for (size_t i : plan.kept) {
        const DocumentLine& f = old_lines_[i].fields;
        if (f.text_length == 0 ||
            (f.text_length == 1 && old_catalogues_.Read(f, head_, body_) && IsBlankText(body_)))
            note_no_text(f.path);
    }
    auto finish = [&]() {
        for (const FailedDocument& d : failures) details.push_back(DetailLine(d.path, d.reason));
        for (std::string& line : NoTextLines(no_text)) details.push_back(std::move(line));
        counts.seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
        return counts;
    };
    if (plan.nothing_changed) {
        counts.reused = plan.kept.size();
        return finish();
    }

    const std::string index_path = File(program_files::kIndexName);
    int32_t first_catalogue = LargestCatalogueNumber(o_.app_dir) + 1;
    for (int n : referenced) first_catalogue = std::max(first_catalogue, n + 1);
    output_.emplace(o_.app_dir, first_catalogue);
    generation_.emplace(index_path, plan.kind == RunKind::kIncremental);
    if (!generation_->ok() && plan.kind == RunKind::kIncremental) {
        plan.kind = RunKind::kCompact;  // no current generation to copy: index every kept text
        generation_.emplace(index_path, false);
    }
    if (!generation_->ok()) throw AppError("新しいインデックスを作れません");

    size_t total = plan.extract.size() + (plan.kind == RunKind::kCompact ? plan.kept.size() : 0);
    size_t done = 0;
    std::string head, body;
    if (plan.kind == RunKind::kIncremental) {
        lines_.reserve(old_lines_.size() + plan.extract.size());
        for (const OldLine& line : old_lines_) lines_.push_back(line.text);
        for (size_t i : plan.dying) {
            generation_->Delete(KeyOf(i));
            lines_[i] = KillLine(lines_[i]);
        }
        counts.reused = plan.kept.size();
    }
    feeder_.emplace(*generation_);
    if (plan.kind == RunKind::kCompact) {
        // Rebuild from the stored texts: nothing is extracted again.
        std::vector<FoundFile> lost;
        for (size_t i : plan.kept) {
            const OldLine& line = old_lines_[i];
            progress_.Show(ProgressText(done++, total));
            if (!old_catalogues_.Read(line.fields, head, body)) {
                FoundFile again;
                again.path = line.fields.path;
                again.extension = LowerExtension(again.path);
                again.size = SizeField(line);
                again.mtime = std::atoll(line.fields.extra.c_str());
                lost.push_back(std::move(again));
                continue;
            }
            AddDocument(line.fields.path, line.fields.date, line.fields.extra, SizeField(line),
                        body, FoldedCopy(body));
            ++counts.reused;
        }
        plan.extract.insert(plan.extract.end(), lost.begin(), lost.end());
    }
    counts.removed = plan.dying.size();

    std::vector<WorkerRequest> requests;
    requests.reserve(plan.extract.size());
    for (const FoundFile& f : plan.extract) requests.push_back({f.path, f.extension});
    progress_.Show(ProgressText(done, total), true);
    {
        WorkerPool pool(o_.worker_executable, o_.workers, o_.limits);
        pool.Run(requests, [&](size_t index, WorkerResult result) {
            const FoundFile& f = plan.extract[index];
            if (result.ok) {
                if (IsBlankText(result.text)) note_no_text(f.path);
                AddDocument(f.path, DateField(f.mtime), MtimeField(f.mtime), f.size, result.text,
                            result.folded);
                ++counts.indexed;
            } else {
                failures.push_back({f.path, f.size, f.mtime, result.error});
                ++counts.failed;
            }
            progress_.Show(ProgressText(++done, total));
        });
    }
    progress_.Show(ProgressText(done, total), true);

    // Catalogues first, then the index that names the information file, then the file.
    feeder_->Finish();
    feeder_.reset();
    output_->Close();
    const std::string staged = File(kStagedInformationFile);
    index_files::FileIdentity identity = index_files::WriteStagedInformationFile(staged, lines_);
    generation_->Publish(identity);
    generation_.reset();
    index_files::PublishInformationFile(staged, File(program_files::kInformationFile));
    if (failures != in.known_failures) WriteFailedDocuments(File(kFailedDocumentsFile), failures);

    if (counts.removed > 0)
        details.insert(details.begin(), "変更または削除された文書: " + std::to_string(counts.removed) + " 件");
    return finish();
}

LocalTime NowLocal() { return SystemClock().Now(); }

}  // namespace

int RunIndexer(const RunOptions& options) {
    // One run at a time: a second run would clean up the files the first is writing.
    int lock = open((options.app_dir + kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (lock >= 0) close(lock);
        return 1;
    }
    const std::string log = UpdateLogPath(options.app_dir);
    ProgressLog progress(log, std::chrono::milliseconds(250));
    progress.Show("インデックス更新中 準備しています", true);
    int rc = 0;
    try {
        std::vector<std::string> details;
        RunCounts counts;
        {
            IndexRun run(options, progress);
            counts = run.Execute(details);
        }
        WriteEndedLog(log, SummaryLine(NowLocal(), counts), details);
    } catch (const std::exception& e) {
        rc = 1;
        try {
            WriteEndedLog(log, ErrorSummaryLine(NowLocal(), e.what()),
                          {"前回のインデックスをそのまま使います"});
        } catch (const std::exception&) {
        }
    }
    close(lock);
    return rc;
}

}  // namespace daradiv
