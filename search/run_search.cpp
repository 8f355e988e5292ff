#include "search/run_search.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <unordered_set>

#include "platform/program_files.h"
#include "search/index_files.h"
#include "search/occurrences.h"
#include "search/term_groups.h"
#include "senna/senna.h"
#include "text/record_field.h"
#include "text/text_rules.h"

namespace {

using index_files::InformationFile;

// The indexer puts a new index in place just before the information file that goes with it;
// a search that falls between the two waits this long for the information file to follow.
constexpr int kIdentityRetries = 5;
constexpr auto kIdentityRetryWait = std::chrono::milliseconds(20);

struct SearchDir {
    std::string_view folder;
    bool checked = false;
};

// The [SearchDir] entries with whether their category is ticked.
std::vector<SearchDir> ReadSearchDirs(const ViewerState& state) {
    // A set, not a search of the list per folder: there may be thousands of each.
    const std::unordered_set<std::string_view> ticked(state.CheckedCategories.begin(),
                                                      state.CheckedCategories.end());
    std::vector<SearchDir> dirs;
    dirs.reserve(state.SearchDirs.size());
    for (const std::string& entry : state.SearchDirs) {
        SearchDir dir;
        dir.folder = RecordField(entry, 0);
        dir.checked = ticked.count(RecordField(entry, 1)) > 0;
        dirs.push_back(dir);
    }
    return dirs;
}

// True when path lies in folder: it starts with the folder and, for a folder written
// without a final "/", goes on with one, so that "/docs" does not take "/docs2/a.txt".
bool InFolder(std::string_view path, std::string_view folder) {
    if (folder.empty() || !path.starts_with(folder)) return false;
    return folder.back() == '/' || path.size() == folder.size() || path[folder.size()] == '/';
}

// The category test: the first folder the path lies in decides; its category must be
// ticked. An empty folder never matches.
bool InTickedCategory(const std::vector<SearchDir>& dirs, std::string_view path) {
    for (const SearchDir& dir : dirs) {
        if (InFolder(path, dir.folder)) return dir.checked;
    }
    return false;
}

bool SameIdentity(sen_index* index, const InformationFile& info) {
    sen_file_identity recorded;
    if (sen_index_info_identity(index, &recorded) != sen_success) return true;  // none kept
    return info.identity() && *info.identity() == index_files::FromSenna(recorded);
}

// The lines (from 0) of the documents to verify, in the index's order: what the index
// returns, read one at a time so that a search that stops at its limit reads no further, or
// every line when there is no usable index.
class Candidates {
  public:
    explicit Candidates(const InformationFile& info) : info_(info) {}
    ~Candidates() {
        if (records_ != nullptr) sen_records_close(records_);
    }
    Candidates(const Candidates&) = delete;
    Candidates& operator=(const Candidates&) = delete;

    // Runs query on index; the records stay readable after the index is closed.
    void FromIndex(sen_index* index, const std::string& query) {
        records_ = sen_records_open(sen_rec_document, sen_rec_none, 0);
        sen_query* q = sen_query_open(query.data(), static_cast<unsigned int>(query.size()),
                                      sen_sel_and, 10, sen_enc_utf8);
        if (q != nullptr) {
            const char* rest = nullptr;
            sen_query_rest(q, &rest);
            if (records_ != nullptr) sen_query_exec(index, q, records_, sen_sel_or);
            sen_query_close(q);
        }
        from_index_ = true;
    }

    // The next line; false after the last. Keys that name no line of the information file
    // are passed over: they could never become hits.
    bool Next(uint32_t& line_no) {
        if (!from_index_) {
            if (next_line_ >= info_.size()) return false;
            line_no = static_cast<uint32_t>(next_line_++);
            return true;
        }
        if (records_ == nullptr) return false;
        char key[128];
        while (sen_records_next(records_, key, sizeof key, nullptr) > 0) {
            key[8] = '\0';  // a key is at most 8 characters
            int32_t k = ReadDecimal(std::string_view(key));
            if (k >= 1 && static_cast<size_t>(k) <= info_.size()) {
                line_no = static_cast<uint32_t>(k - 1);
                return true;
            }
        }
        return false;
    }

  private:
    const InformationFile& info_;
    sen_records* records_ = nullptr;
    bool from_index_ = false;
    size_t next_line_ = 0;
};

// One search on the information file as it is now; false, with Results incomplete, when
// may_retry and a catalogue it names was removed because a newer file replaced it.
bool SearchOnce(ViewerState& state, bool may_retry);

}  // namespace

std::string BuildQueryText(const std::vector<TermGroup>& groups) {
    std::string query;
    for (const TermGroup& group : groups) {
        std::string part;
        for (size_t t = 0; t < group.size(); ++t) {
            if (t > 0) part += " OR ";
            part += '"';
            for (char c : group[t]) {
                if (c == '"' || c == '\\') part += '\\';
                part += c;
            }
            part += '"';
        }
        if (groups.size() >= 2) part = "(" + part + ")";
        if (!query.empty()) query += ' ';
        query += part;
    }
    return query;
}

void RunSearch(ViewerState& state) {
    if (Trim(state.Keyword).empty() || !state.MatchBody.present() || !state.MatchHead.present())
        return;
    BuildTermGroups(state.Keyword, state.TermGroups);
    // An indexer that ends its run removes the catalogues its new information file no longer
    // names; a search that read the file before finds one missing and runs again on the new.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (SearchOnce(state, attempt == 0)) return;
    }
}

namespace {

bool SearchOnce(ViewerState& state, bool may_retry) {
    state.Results.clear();

    const std::string info_path = state.AppFile(program_files::kInformationFile);
    std::shared_ptr<const InformationFile> info = index_files::LoadInformationFile(info_path);
    const std::string query = BuildQueryText(state.TermGroups);

    // Candidates: what the index returns, or every line when there is no usable index.
    std::unique_ptr<Candidates> candidates;
    sen_init();
    const std::string index_path = state.AppFile(program_files::kIndexName);
    try {
        for (int attempt = 0; attempt <= kIdentityRetries; ++attempt) {
            sen_index* index = sen_index_open(index_path.c_str());
            if (index == nullptr) break;
            if (SameIdentity(index, *info)) {
                candidates = std::make_unique<Candidates>(*info);
                candidates->FromIndex(index, query);
                sen_index_close(index);
                break;
            }
            // The index and the information file are of different runs: read the file again.
            sen_index_close(index);
            if (attempt > 0) std::this_thread::sleep_for(kIdentityRetryWait);
            info = index_files::LoadInformationFile(info_path);
        }
    } catch (...) {
        sen_fin();
        throw;
    }
    sen_fin();
    if (!candidates) candidates = std::make_unique<Candidates>(*info);

    // A group without terms can never occur, so no document can be a hit.
    const std::vector<TermGroup>& groups = state.TermGroups;
    if (groups.empty() ||
        std::any_of(groups.begin(), groups.end(), [](const TermGroup& g) { return g.empty(); }))
        return true;

    const std::vector<SearchDir> dirs = ReadSearchDirs(state);
    const size_t max_hits = state.MaxHits > 0 ? static_cast<size_t>(state.MaxHits) : 0;
    const size_t head_capacity = std::min(state.MatchHead.size, index_files::kMaxPathBlock);
    const size_t body_capacity = state.MatchBody.size;
    char* head = state.MatchHead.data.get();
    char* body = state.MatchBody.data.get();

    index_files::CatalogueReader catalogue;
    int32_t open_number = 0;  // catalogue numbers start at 1
    uint32_t line_no = 0;
    while (state.Results.size() < max_hits && candidates->Next(line_no)) {
        const InformationFile::Entry& e = info->entry(line_no);
        if (e.offset < 0) continue;  // a dead line
        if (!InTickedCategory(dirs, info->path(line_no))) continue;
        if (e.catalogue < 1) continue;
        if (e.catalogue != open_number) {
            open_number = 0;
            if (!catalogue.Open(state.AppFile(index_files::FoldedCatalogueName(e.catalogue)))) {
                if (may_retry && index_files::IdentityOfFile(info_path) != info->identity())
                    return false;
                continue;
            }
            open_number = e.catalogue;
        }
        index_files::RecordSizes got = catalogue.Read(e.offset, e.path_length, e.text_length, head,
                                                      head_capacity, body, body_capacity);
        std::string_view head_block(head, got.head);
        std::string_view body_block(body, got.body);

        int64_t total = 0;
        int64_t first = -1;
        bool hit = true;
        for (const TermGroup& group : groups) {
            int64_t group_count = 0;
            for (const std::string& term : group) {
                group_count += ScanOccurrences(head_block, term).count;
                Occurrences in_body = ScanOccurrences(body_block, term);
                group_count += in_body.count;
                if (first == -1) first = in_body.first;
            }
            if (group_count == 0) {
                hit = false;
                break;
            }
            total += group_count;
        }
        if (!hit) continue;

        std::string record = std::to_string(total);
        record += ";;";
        record += info->line(line_no);
        record += ";;";
        record += std::to_string(first);
        state.Results.push_back(std::move(record));
    }
    return true;
}

}  // namespace
