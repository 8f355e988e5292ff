#include "daradiv/index_run.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <exception>
#include <optional>
#include <set>
#include <unordered_set>

#include "config/indexer_config.h"
#include "daradiv/document_stamps.h"
#include "daradiv/document_text.h"
#include "daradiv/failed_documents.h"
#include "daradiv/file_walker.h"
#include "daradiv/generation.h"
#include "daradiv/leftovers.h"
#include "daradiv/ocr_tally.h"
#include "daradiv/run_catalogues.h"
#include "daradiv/run_log.h"
#include "daradiv/run_plan.h"
#include "index_control/update_log.h"
#include "platform/indexer_lock.h"
#include "platform/program_files.h"
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
        return line.size;
    }
}

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
    // The new information file, written as its lines come; the catalogues its live lines name.
    std::optional<index_files::InformationFileWriter> info_out_;
    std::set<int> named_catalogues_;
    std::optional<CatalogueOutput> output_;
    std::optional<Generation> generation_;
    std::optional<IndexFeeder> feeder_;
    std::string head_, body_;  // a record read back
    bool ocr_pdf_pages_ = false;
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
    ocr_pdf_pages_ = PdfOcrOn(*lines);
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
    for (std::string& text : *lines) old_lines_.emplace_back(std::move(text));
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
    feeder_->Put(KeyOf(info_out_->lines()), FoldedCopy(path_block.substr(0, doc.path_length)),
                 std::move(folded_text));
    info_out_->Append(*line);
    named_catalogues_.insert(doc.catalogue);
}

// The wall-clock time in nanoseconds, as file times are kept.
int64_t WallClockNanoseconds() {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

RunCounts IndexRun::Execute(std::vector<std::string>& details) {
    const auto started = SteadyClock::now();
    const int64_t walk_started_ns = WallClockNanoseconds();
    RunCounts counts;

    bool full = false;
    WalkSettings settings = ReadSettings(full);
    ReadOldLines(details);

    std::set<int> referenced;
    for (const OldLine& line : old_lines_) {
        if (line.offset >= 0 && line.catalogue > 0) referenced.insert(line.catalogue);
    }
    RemoveLeftovers(o_.app_dir, referenced);

    PlanInputs in;
    in.full = full;
    in.index_matches = ReadIndexState(in.added_since_fresh);
    in.record_readable.reserve(old_lines_.size());
    for (const OldLine& line : old_lines_) in.record_readable.push_back(old_catalogues_.Readable(line.Place()));
    in.known_failures = ReadFailedDocuments(File(kFailedDocumentsFile));  // unused by a full run
    std::optional<DocumentStamps> known_stamps = ReadDocumentStamps(File(kDocumentStampsFile));
    in.stamps = known_stamps ? &*known_stamps : nullptr;

    progress_.Show("インデックス更新中 文書を探しています", true);
    WalkResult walk = WalkFolders(settings);
    for (const WalkNote& note : walk.notes) details.push_back(DetailLine(note.path, note.reason));
    in.found = std::move(walk.files);
    in.old_lines = std::move(old_lines_);
    RunPlan plan = PlanRun(std::move(in));  // takes only the found files, and only when full
    old_lines_ = std::move(in.old_lines);
    // The new record goes to a temporary file as it comes, put in place once the information
    // file is: a run killed before that leaves the stamps of the texts still in use. Every
    // document found that is not read now is stamped here, the rest as they are read.
    std::optional<DocumentStampsWriter> stamps_out(std::in_place, File(kDocumentStampsFile));
    bool stamps_changed = !known_stamps || !plan.extract.empty();  // new notes may come
    std::unordered_set<std::string> noted;  // documents not read now whose stamps have notes
    {
        size_t next_read = 0, matched = 0;  // plan.extract is in the order of the walk
        for (const FoundFile& f : in.found) {
            if (next_read < plan.extract.size() && plan.extract[next_read].path == f.path) {
                ++next_read;
                continue;
            }
            DocumentStamp stamp = StampOf(f, walk_started_ns);
            if (known_stamps) {
                auto known = known_stamps->find(f.path);
                if (known != known_stamps->end()) {
                    ++matched;
                    stamp.notes = known->second.notes;
                    if (!stamp.notes.empty()) noted.insert(f.path);
                }
                if (known == known_stamps->end() || !(known->second == stamp)) stamps_changed = true;
            }
            stamps_out->Add(f.path, stamp);
        }
        if (known_stamps && matched != known_stamps->size()) stamps_changed = true;
    }
    // Documents read again because their records are lost were stamped above.
    const size_t stamped_when_read = plan.extract.size();
    auto write_stamps = [&]() {
        if (stamps_changed) stamps_out->Publish();
        stamps_out.reset();
    };
    // What the plan was made from is not needed again: the run holds a line per document.
    std::vector<FoundFile>().swap(in.found);
    std::vector<bool>().swap(in.record_readable);

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
        const OldLine& line = old_lines_[i];
        if (line.text_length == 0 ||
            (line.text_length == 1 && old_catalogues_.Read(line.Place(), head_, body_) &&
             IsBlankText(body_)))
            note_no_text(std::string(line.path()));
    }
    // What the extraction of a kept document left out is named again each run.
    if (!noted.empty()) {
        for (size_t i : plan.kept) {
            const std::string path(old_lines_[i].path());
            if (noted.count(path) == 0) continue;
            for (const std::string& note : known_stamps->at(path).notes)
                details.push_back(DetailLine(path, note));
        }
    }
    // The old record is not needed again; at a million documents it is large.
    in.stamps = nullptr;
    known_stamps.reset();
    auto finish = [&]() {
        for (const FailedDocument& d : failures) details.push_back(DetailLine(d.path, d.reason));
        for (std::string& line : NoTextLines(no_text)) details.push_back(std::move(line));
        counts.seconds = std::chrono::duration<double>(SteadyClock::now() - started).count();
        return counts;
    };
    if (plan.nothing_changed) {
        counts.reused = plan.kept.size();
        write_stamps();
        return finish();
    }
    if (plan.kind == RunKind::kFull) std::vector<OldLine>().swap(old_lines_);

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
    // The new lines go straight to the staged information file: at a million documents they
    // would be a large part of what the run holds.
    info_out_.emplace(File(kStagedInformationFile));
    if (plan.kind == RunKind::kIncremental) {
        std::vector<bool> dies(old_lines_.size());
        for (size_t i : plan.dying) dies[i] = true;
        for (size_t i = 0; i < old_lines_.size(); ++i) {
            const OldLine& line = old_lines_[i];
            if (dies[i]) {
                generation_->Delete(KeyOf(i));
                info_out_->Append(KillLine(line.text));
                continue;
            }
            info_out_->Append(line.text);
            if (line.offset >= 0 && line.catalogue > 0) named_catalogues_.insert(line.catalogue);
        }
        std::vector<OldLine>().swap(old_lines_);
        counts.reused = plan.kept.size();
    }
    // The walk, the plan and the old lines leave many small blocks freed between those still
    // in use; give their pages back before the long part of the run.
    malloc_trim(0);
    feeder_.emplace(*generation_);
    if (plan.kind == RunKind::kCompact) {
        // Rebuild from the stored texts: nothing is extracted again.
        std::vector<FoundFile> lost;
        for (size_t i : plan.kept) {
            // Each old line goes once its text is indexed again, as the new line comes.
            const OldLine line = std::move(old_lines_[i]);
            old_lines_[i] = OldLine();
            progress_.Show(ProgressText(done++, total));
            if (!old_catalogues_.Read(line.Place(), head, body)) {
                FoundFile again;
                again.path = line.path();
                again.extension = LowerExtension(again.path);
                again.size = SizeField(line);
                again.mtime = std::atoll(std::string(line.extra()).c_str());
                lost.push_back(std::move(again));
                continue;
            }
            AddDocument(std::string(line.path()), std::string(line.date()),
                        std::string(line.extra()), SizeField(line), body, FoldedCopy(body));
            ++counts.reused;
        }
        plan.extract.insert(plan.extract.end(), lost.begin(), lost.end());
    }
    counts.removed = plan.dying.size();

    OcrTally ocr;
    progress_.Show(ProgressText(done, total), true);
    {
        WorkerPool pool(o_.worker_executable, o_.workers, o_.limits);
        auto request_of = [&](size_t index) {
            const FoundFile& f = plan.extract[index];
            return WorkerRequest{f.path, f.extension, ocr_pdf_pages_};
        };
        pool.Run(plan.extract.size(), request_of, [&](size_t index, WorkerResult result) {
            // Each result is the last use of its found file: it goes as its line comes.
            const FoundFile f = std::move(plan.extract[index]);
            plan.extract[index] = FoundFile();
            if (index < stamped_when_read) {
                DocumentStamp stamp = StampOf(f, walk_started_ns);
                if (result.ok) stamp.notes = result.notes;
                stamps_out->Add(f.path, stamp);
            }
            ocr.Add(f.path, result);
            if (result.ok) {
                if (IsBlankText(result.text)) note_no_text(f.path);
                AddDocument(f.path, DateField(f.mtime), MtimeField(f.mtime), f.size, result.text,
                            result.folded);
                for (const std::string& note : result.notes) details.push_back(DetailLine(f.path, note));
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
    index_files::FileIdentity identity = info_out_->Finish();
    info_out_.reset();
    generation_->Publish(identity);
    generation_.reset();
    index_files::PublishInformationFile(File(kStagedInformationFile),
                                        File(program_files::kInformationFile));
    // The catalogues the new information file no longer names go now, not at the next run:
    // a search that read the old file notices the new one and reads again.
    RemoveLeftovers(o_.app_dir, named_catalogues_);
    if (failures != in.known_failures) WriteFailedDocuments(File(kFailedDocumentsFile), failures);
    write_stamps();

    if (counts.removed > 0)
        details.insert(details.begin(), "変更または削除された文書: " + std::to_string(counts.removed) + " 件");
    ocr.AppendDetails(details);
    return finish();
}

LocalTime NowLocal() { return SystemClock().Now(); }

}  // namespace

int RunIndexer(const RunOptions& options) {
    // One run at a time: a second run would clean up the files the first is writing. The
    // lock also tells the viewer which process is this folder's indexer.
    int lock = AcquireIndexerLock(options.app_dir);
    if (lock < 0) return 1;
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
    ReleaseIndexerLock(lock);
    return rc;
}

}  // namespace daradiv
