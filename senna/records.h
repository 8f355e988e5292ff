// A record set: the documents a query found, in ascending order of the key read as a
// number, with their scores; merged with later queries by a set operator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "senna/senna.h"

namespace senna {

struct Record {
    uint64_t number;  // the key read as a decimal number; 0 when it is not one
    std::string key;
    int score;
};

// Number of a key for the order: its decimal value, 0 when it holds anything but digits.
uint64_t KeyNumber(const std::string& key);

// Sorts records into delivery order.
void SortRecords(std::vector<Record>& records);

// Merges found (in delivery order) into into (in delivery order) by op: OR unites, AND
// keeps the common ones, BUT removes found ones, ADJUST only adds scores of common ones.
void MergeRecords(std::vector<Record>& into, std::vector<Record>&& found, sen_sel_operator op);

}  // namespace senna

struct sen_records {
    std::vector<senna::Record> records;
    size_t next = 0;
};
