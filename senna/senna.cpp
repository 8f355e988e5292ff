// The sen_* entry points. One Groonga context per opened database; the database of the
// current generation stays open between searches, because opening one costs far more than
// a query on it. No C++ exception leaves this file.
#include "senna/senna.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "senna/database.h"
#include "senna/generations.h"
#include "senna/index_writer.h"
#include "senna/query_parser.h"
#include "senna/records.h"
#include "senna/search.h"

struct sen_index {
    std::shared_ptr<senna::Database> db;
    std::unique_ptr<senna::IndexWriter> writer_state;  // set while a generation is built
    std::unique_ptr<senna::Lease> lease;               // a writer's hold on its folder
    std::string path;                                  // the index name
    std::string dir;                                   // the generation folder
    bool writer = false;
    std::optional<sen_file_identity> identity;
};

struct sen_query {
    std::string text;
    senna::ParsedQuery parsed;
};

namespace {

// An opened generation with the hold that keeps its folder in place: the hold is let go
// only once the database is closed.
struct HeldDatabase {
    std::unique_ptr<senna::Lease> lease;
    std::unique_ptr<senna::Database> db;
    ~HeldDatabase() { db.reset(); }
};

// The generation a reader opened last; kept until the name resolves to another one.
struct CachedGeneration {
    std::string dir;
    std::shared_ptr<senna::Database> db;  // shares ownership of its HeldDatabase
    std::optional<sen_file_identity> identity;
};

// Opens generation dir for reading with a hold on it; nullptr when it cannot, as when an
// indexer removes it meanwhile.
std::shared_ptr<senna::Database> OpenHeld(const std::string& dir) {
    auto held = std::make_shared<HeldDatabase>();
    held->lease = senna::Lease::Take(dir);
    if (!held->lease) return nullptr;
    held->db = senna::Database::Open(dir);
    if (!held->db) return nullptr;
    senna::Database* db = held->db.get();
    return std::shared_ptr<senna::Database>(std::move(held), db);
}

CachedGeneration& Cache() {
    static CachedGeneration* cache = new CachedGeneration();  // lives as long as the process
    return *cache;
}

// At exit the kept generation is closed and Groonga finalised, so nothing is left open.
void ReleaseAtExit() {
    Cache() = CachedGeneration();
    senna::ShutdownGroonga();
}

bool Ready() {
    static bool registered = false;
    if (!senna::EnsureGroonga()) return false;
    if (!registered) {
        registered = true;
        std::atexit(ReleaseAtExit);
    }
    return true;
}

template <typename F>
sen_rc Guard(F&& f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return sen_memory_exhausted;
    } catch (...) {
        return sen_other_error;
    }
}

}  // namespace

extern "C" {

sen_rc sen_init(void) { return Ready() ? sen_success : sen_other_error; }

sen_rc sen_fin(void) { return sen_success; }

sen_index* sen_index_open(const char* path) {
    if (!path) return nullptr;
    try {
        if (!Ready()) return nullptr;
        std::string dir = senna::ResolveCurrent(path);
        if (dir.empty()) return nullptr;
        CachedGeneration& cache = Cache();
        if (cache.dir != dir || !cache.db) {
            // Close the previous generation (unless a handle still reads it) before opening.
            bool switched = !cache.dir.empty() && cache.dir != dir;
            cache = CachedGeneration();
            std::shared_ptr<senna::Database> db = OpenHeld(dir);
            if (!db) {
                // The generation was replaced and removed between resolving and opening.
                dir = senna::ResolveCurrent(path);
                if (dir.empty() || !(db = OpenHeld(dir))) return nullptr;
            }
            cache.db = std::move(db);
            cache.dir = dir;
            cache.identity = senna::ReadIdentity(dir);
            // The generation let go may have been the last one held of the old ones.
            if (switched) senna::RemoveStale(path);
        }
        auto* i = new sen_index();
        i->db = cache.db;
        i->path = path;
        i->dir = dir;
        i->identity = cache.identity;
        return i;
    } catch (...) {
        return nullptr;
    }
}

sen_rc sen_index_close(sen_index* i) {
    if (!i) return sen_invalid_argument;
    if (i->writer) return sen_index_discard(i);
    delete i;
    return sen_success;
}

sen_rc sen_index_info_identity(sen_index* i, sen_file_identity* out) {
    if (!i || !out || !i->identity) return sen_invalid_argument;
    *out = *i->identity;
    return sen_success;
}

long long sen_index_added_count(sen_index* i) {
    if (!i || !i->db) return -1;
    try {
        return i->db->AddedSinceFreshBuild();
    } catch (...) {
        return -1;
    }
}

sen_records* sen_records_open(sen_rec_unit record_unit, sen_rec_unit subrec_unit,
                              unsigned int max_n_subrecs) {
    (void)subrec_unit;
    (void)max_n_subrecs;
    if (record_unit != sen_rec_document) return nullptr;
    return new (std::nothrow) sen_records();
}

sen_rc sen_records_close(sen_records* r) {
    if (!r) return sen_invalid_argument;
    delete r;
    return sen_success;
}

int sen_records_next(sen_records* r, void* keybuf, int bufsize, int* score) {
    if (!r) return 0;
    std::string key;
    int found_score = 0;
    try {
        if (!r->Next(key, found_score)) return 0;
    } catch (...) {
        return 0;
    }
    if (keybuf && bufsize > 0) {
        size_t n = std::min(key.size(), static_cast<size_t>(bufsize - 1));
        std::memcpy(keybuf, key.data(), n);
        static_cast<char*>(keybuf)[n] = '\0';
    }
    if (score) *score = found_score;
    return static_cast<int>(key.size());
}

int sen_records_nhits(sen_records* r) {
    if (!r) return 0;
    try {
        return static_cast<int>(r->Count());
    } catch (...) {
        return 0;
    }
}

sen_query* sen_query_open(const char* str, unsigned int str_len, sen_sel_operator default_op,
                          int max_exprs, sen_encoding encoding) {
    (void)encoding;  // queries and texts are UTF-8 throughout
    try {
        auto* q = new sen_query();
        if (str) q->text.assign(str, str_len);
        q->parsed = senna::ParseQuery(q->text, default_op, max_exprs);
        return q;
    } catch (...) {
        return nullptr;
    }
}

unsigned int sen_query_rest(sen_query* q, const char** rest) {
    if (!q) {
        if (rest) *rest = nullptr;
        return 0;
    }
    size_t begin = std::min(q->parsed.rest_begin, q->text.size());
    if (rest) *rest = q->text.data() + begin;
    return static_cast<unsigned>(q->text.size() - begin);
}

sen_rc sen_query_close(sen_query* q) {
    if (!q) return sen_invalid_argument;
    delete q;
    return sen_success;
}

sen_rc sen_query_exec(sen_index* i, sen_query* q, sen_records* r, sen_sel_operator op) {
    if (!i || !q || !r || !i->db) return sen_invalid_argument;
    return Guard([&] {
        senna::Hits found = senna::RunQuery(*i->db, q->parsed);
        // A whole set from a reader's generation whose ids ascend with its keys is delivered
        // as its keys are read: a reader wanting the first few of many pays for those alone.
        if (op == sen_sel_or && r->records.empty() && !r->pending.db && !i->writer &&
            i->db->ReadKeyOrder().ascending) {
            r->TakePending(i->db, std::move(found));
            return sen_success;
        }
        r->Materialize();
        senna::MergeRecords(r->records, senna::CollectRecords(*i->db, found), op);
        r->next = 0;
        return sen_success;
    });
}

sen_index* sen_index_create_next(const char* path, int copy_current) {
    if (!path) return nullptr;
    try {
        if (!Ready()) return nullptr;
        std::string dir = senna::MakeNextGeneration(path);
        if (dir.empty()) return nullptr;
        std::unique_ptr<senna::Lease> lease = senna::Lease::Take(dir);
        if (!lease) {
            senna::RemoveGeneration(dir);
            return nullptr;
        }
        std::unique_ptr<senna::Database> db;
        bool fresh = false;
        std::string current = copy_current ? senna::ResolveCurrent(path) : std::string();
        if (!current.empty()) {
            if (senna::CopyGenerationFiles(current, dir)) db = senna::Database::Open(dir);
        } else {
            db = senna::Database::Create(dir);
            fresh = true;
        }
        if (!db) {
            senna::RemoveGeneration(dir);
            return nullptr;
        }
        auto* i = new sen_index();
        i->db = std::move(db);
        i->writer_state = std::make_unique<senna::IndexWriter>(*i->db, fresh);
        i->lease = std::move(lease);
        i->path = path;
        i->dir = dir;
        i->writer = true;
        return i;
    } catch (...) {
        return nullptr;
    }
}

sen_rc sen_index_put(sen_index* i, const char* key, const char* folded_path, unsigned int path_len,
                     const char* folded_text, unsigned int text_len) {
    if (!i || !i->writer || !i->writer_state || !key || (!folded_path && path_len) ||
        (!folded_text && text_len))
        return sen_invalid_argument;
    return Guard([&] {
        return i->writer_state->Put(key, {folded_path, path_len}, {folded_text, text_len});
    });
}

sen_rc sen_index_delete(sen_index* i, const char* key) {
    if (!i || !i->writer || !i->writer_state || !key) return sen_invalid_argument;
    return Guard([&] { return i->writer_state->Delete(key); });
}

sen_rc sen_index_set_info_identity(sen_index* i, const sen_file_identity* id) {
    if (!i || !i->writer || !id) return sen_invalid_argument;
    return Guard([&] {
        if (!senna::WriteIdentity(i->dir, *id)) return sen_file_operation_error;
        i->identity = *id;
        return sen_success;
    });
}

sen_rc sen_index_publish(sen_index* i) {
    if (!i || !i->writer) return sen_invalid_argument;
    sen_rc rc = Guard([&] {
        sen_rc finished = i->writer_state->Finish();
        i->writer_state.reset();
        bool flushed = finished == sen_success && i->db->Flush();
        i->db.reset();  // closes the database: every file is complete before the switch
        if (finished != sen_success) return finished;
        if (!flushed) return sen_file_operation_error;
        if (!senna::SwitchTo(i->path, i->dir)) return sen_file_operation_error;
        i->lease.reset();
        // The generations replaced go now, unless a reader still holds one; this process
        // lets go of its own first.
        if (Cache().dir != i->dir) Cache() = CachedGeneration();
        senna::RemoveStale(i->path);
        return sen_success;
    });
    delete i;
    return rc;
}

sen_rc sen_index_discard(sen_index* i) {
    if (!i || !i->writer) return sen_invalid_argument;
    i->writer_state.reset();
    i->db.reset();
    senna::RemoveGeneration(i->dir);
    i->lease.reset();
    delete i;
    return sen_success;
}

sen_rc sen_index_remove_stale(const char* path) {
    if (!path) return sen_invalid_argument;
    return Guard([&] { return senna::RemoveStale(path) ? sen_success : sen_file_operation_error; });
}

long long sen_index_disk_size(const char* path) {
    if (!path) return 0;
    try {
        std::string dir = senna::ResolveCurrent(path);
        return dir.empty() ? 0 : senna::FolderSize(dir);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
