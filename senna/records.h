// A record set: the documents a query found, in ascending order of the key read as a
// number, with their scores; merged with later queries by a set operator.
//
// A set may also hold its documents as ids whose keys are read only as they are delivered:
// when the ids ascend in the keys' order, id order is delivery order, and a reader that
// stops after the first few documents of a large set pays for those few alone. Such a set
// keeps its generation's database open until it is closed or turned into records.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "senna/database.h"
#include "senna/senna.h"

namespace senna {

struct Record {
    uint64_t number;  // the key read as a decimal number; 0 when it is not one
    std::string key;
    int score;
};

// A document found by a query and its score.
struct Hit {
    grn_id id;
    int score;
};
using Hits = std::vector<Hit>;  // ascending id, no id twice

// Number of a key for the order: its decimal value, 0 when it holds anything but digits.
uint64_t KeyNumber(const std::string& key);

// The key's number when it is a plain decimal number from 1, without leading zeros; else 0.
// Keys like these are in delivery order exactly when their numbers ascend.
uint64_t PlainKeyNumber(std::string_view key);

// Sorts records into delivery order.
void SortRecords(std::vector<Record>& records);

// The records of hits in delivery order; documents removed since (no key) are left out.
std::vector<Record> CollectRecords(Database& db, const Hits& hits);

// Merges found (in delivery order) into into (in delivery order) by op: OR unites, AND
// keeps the common ones, BUT removes found ones, ADJUST only adds scores of common ones.
void MergeRecords(std::vector<Record>& into, std::vector<Record>&& found, sen_sel_operator op);

// Hits of a database whose ids ascend with its keys, their keys not read yet.
struct PendingHits {
    std::shared_ptr<Database> db;
    Hits hits;
    size_t next = 0;       // the next hit to look at
    size_t delivered = 0;  // records delivered from it so far
};

}  // namespace senna

struct sen_records {
    // Delivered from next on; empty while pending holds the set.
    std::vector<senna::Record> records;
    size_t next = 0;
    senna::PendingHits pending;

    // Takes hits as the whole set, their keys to be read as they are delivered; db's ids
    // must ascend in the order of its keys.
    void TakePending(std::shared_ptr<senna::Database> db, senna::Hits&& hits);
    // Reads every pending key, so that records holds the whole set; delivery goes on where
    // it stood.
    void Materialize();
    // The next record in delivery order; false after the last.
    bool Next(std::string& key, int& score);
    size_t Count();
};
