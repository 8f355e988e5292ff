// Record sets are small vectors kept sorted, so merging is one linear pass.
#include "senna/records.h"

#include <algorithm>

namespace senna {

namespace {

bool Before(const Record& a, const Record& b) {
    if (a.number != b.number) return a.number < b.number;
    return a.key < b.key;
}

}  // namespace

uint64_t KeyNumber(const std::string& key) {
    if (key.empty() || key.size() > 19) return 0;
    uint64_t n = 0;
    for (char c : key) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

uint64_t PlainKeyNumber(std::string_view key) {
    if (key.empty() || key.size() > 19 || key[0] == '0') return 0;
    uint64_t n = 0;
    for (char c : key) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n;
}

void SortRecords(std::vector<Record>& records) {
    // Documents are mostly found in the order they were added, which is already this one.
    if (std::is_sorted(records.begin(), records.end(), Before)) return;
    std::sort(records.begin(), records.end(), Before);
}

std::vector<Record> CollectRecords(Database& db, const Hits& hits) {
    std::vector<Record> out;
    out.reserve(hits.size());
    for (const Hit& h : hits) {
        std::string k = db.KeyOf(h.id);
        // Postings left behind by a removed document point at no key.
        if (k.empty()) continue;
        uint64_t number = KeyNumber(k);
        out.push_back(Record{number, std::move(k), h.score});
    }
    SortRecords(out);
    return out;
}

void MergeRecords(std::vector<Record>& into, std::vector<Record>&& found, sen_sel_operator op) {
    if (op == sen_sel_or && into.empty()) {
        into = std::move(found);
        return;
    }
    std::vector<Record> out;
    out.reserve(op == sen_sel_or ? into.size() + found.size() : into.size());
    size_t i = 0, j = 0;
    while (i < into.size() || j < found.size()) {
        bool take_left = j == found.size() || (i < into.size() && Before(into[i], found[j]));
        bool take_right = i == into.size() || (j < found.size() && Before(found[j], into[i]));
        if (take_left) {
            if (op != sen_sel_and) out.push_back(std::move(into[i]));
            ++i;
        } else if (take_right) {
            if (op == sen_sel_or) out.push_back(std::move(found[j]));
            ++j;
        } else {  // the same key on both sides
            if (op != sen_sel_but) {
                into[i].score += found[j].score;
                out.push_back(std::move(into[i]));
            }
            ++i;
            ++j;
        }
    }
    into = std::move(out);
}

}  // namespace senna

void sen_records::TakePending(std::shared_ptr<senna::Database> db, senna::Hits&& hits) {
    records.clear();
    next = 0;
    pending = senna::PendingHits{std::move(db), std::move(hits)};
}

void sen_records::Materialize() {
    if (!pending.db) return;
    records = senna::CollectRecords(*pending.db, pending.hits);
    next = pending.delivered;
    pending = senna::PendingHits();
}

bool sen_records::Next(std::string& key, int& score) {
    if (!pending.db) {
        if (next >= records.size()) return false;
        const senna::Record& rec = records[next++];
        key = rec.key;
        score = rec.score;
        return true;
    }
    while (pending.next < pending.hits.size()) {
        const senna::Hit& h = pending.hits[pending.next++];
        key = pending.db->KeyOf(h.id);
        if (key.empty()) continue;  // removed since it was indexed
        score = h.score;
        ++pending.delivered;
        return true;
    }
    return false;
}

size_t sen_records::Count() {
    Materialize();
    return records.size();
}
