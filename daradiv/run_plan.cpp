#include "daradiv/run_plan.h"

#include <unordered_map>
#include <utility>

#include "text/record_field.h"

namespace daradiv {

std::string MtimeField(int64_t mtime) { return std::to_string(mtime); }

OldLine::OldLine(std::string line) : text(std::move(line)) {
    const index_files::DocumentLine f = index_files::ParseDocumentLine(text);
    size = f.size;
    catalogue = f.catalogue;
    path_length = f.path_length;
    text_length = f.text_length;
    offset = f.offset;
}

index_files::DocumentLine OldLine::Place() const {
    index_files::DocumentLine f;
    f.size = size;
    f.catalogue = catalogue;
    f.path_length = path_length;
    f.text_length = text_length;
    f.offset = offset;
    return f;
}

namespace {

bool SameAsStamped(const PlanInputs& in, const FoundFile& file) {
    if (in.stamps == nullptr) return true;
    auto it = in.stamps->find(file.path);
    return it != in.stamps->end() && MatchesStamp(file, it->second);
}

RunPlan FullPlan(std::vector<FoundFile> found) {
    RunPlan plan;
    plan.kind = RunKind::kFull;
    plan.extract = std::move(found);
    return plan;
}

}  // namespace

RunPlan PlanRun(PlanInputs&& in) {
    if (in.full) return FullPlan(std::move(in.found));
    return PlanRun(std::as_const(in));
}

RunPlan PlanRun(const PlanInputs& in) {
    if (in.full) return FullPlan(in.found);
    RunPlan plan;

    // Live lines by path; the first line of a path wins, a later duplicate dies.
    std::unordered_map<std::string_view, size_t> live;
    for (size_t i = 0; i < in.old_lines.size(); ++i) {
        const OldLine& line = in.old_lines[i];
        if (line.offset < 0) continue;
        live.emplace(line.path(), i);
    }
    std::unordered_map<std::string_view, const FailedDocument*> failed;
    for (const FailedDocument& d : in.known_failures) failed.emplace(d.path, &d);

    std::vector<bool> keep(in.old_lines.size(), false);
    for (const FoundFile& file : in.found) {
        auto it = live.find(file.path);
        if (it != live.end()) {
            const OldLine& old = in.old_lines[it->second];
            bool readable = it->second < in.record_readable.size() && in.record_readable[it->second];
            if (readable && RecordField(old.text, 3) == std::to_string(file.size) &&
                old.extra() == MtimeField(file.mtime) && SameAsStamped(in, file)) {
                keep[it->second] = true;
                continue;
            }
        }
        auto f = failed.find(file.path);
        if (f != failed.end() && f->second->size == file.size && f->second->mtime == file.mtime &&
            SameAsStamped(in, file)) {
            plan.still_failed.push_back(*f->second);
            continue;
        }
        plan.extract.push_back(file);
    }

    size_t dead_before = 0;
    for (size_t i = 0; i < in.old_lines.size(); ++i) {
        if (keep[i]) {
            plan.kept.push_back(i);
        } else if (in.old_lines[i].offset >= 0) {
            plan.dying.push_back(i);
        } else {
            ++dead_before;
        }
    }

    size_t dead_after = dead_before + plan.dying.size();
    size_t lines_after = in.old_lines.size() + plan.extract.size();
    size_t added_after = in.added_since_fresh + plan.extract.size();
    if (!in.index_matches || dead_after * 10 > lines_after || added_after * 10 > lines_after) {
        plan.kind = RunKind::kCompact;
    } else {
        plan.kind = RunKind::kIncremental;
        plan.nothing_changed = plan.extract.empty() && plan.dying.empty();
    }
    return plan;
}

}  // namespace daradiv
