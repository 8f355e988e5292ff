/* libsenna: the full-text index behind the viewer's search and the indexer, over Groonga.
 *
 * An index is named by a path (AppDir + "sindex"). That name resolves to the current
 * generation, a Groonga database of its own; the indexer builds a new generation beside it
 * and switches to it in one step, so a reader never sees a half-written index. Documents are
 * keyed by a short text (the line number in the information file) and indexed by the folded
 * path and folded text, so any substring of the folded texts can be looked up.
 *
 * Not thread-safe: one thread of a process uses the library at a time. */
#ifndef RUVUDAR_SENNA_H
#define RUVUDAR_SENNA_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    sen_success = 0,
    sen_memory_exhausted,
    sen_invalid_format,
    sen_file_operation_error,
    sen_invalid_argument,
    sen_other_error
} sen_rc;

typedef enum { sen_enc_default = 0, sen_enc_none, sen_enc_euc_jp, sen_enc_utf8 = 3 } sen_encoding;

typedef enum {
    sen_rec_document = 0,
    sen_rec_section,
    sen_rec_position,
    sen_rec_userdef,
    sen_rec_none = 4
} sen_rec_unit;

typedef enum {
    sen_sel_or = 0,
    sen_sel_and = 1,
    sen_sel_but = 2,
    sen_sel_adjust = 3
} sen_sel_operator;

typedef struct sen_index sen_index;
typedef struct sen_records sen_records;
typedef struct sen_query sen_query;

/* Identity of the information file written together with a generation. */
typedef struct {
    long long size;
    long long mtime_ns;
    unsigned long long inode;
} sen_file_identity;

/* ---- Reading (the viewer) ---- */

/* Prepares the library; cheap after the first call in a process. */
sen_rc sen_init(void);
/* Releases what sen_init prepared for the caller. The process-wide Groonga context and the
 * opened current generation stay for the next search. */
sen_rc sen_fin(void);

/* Opens the current generation of the index called path. NULL when there is none or it
 * cannot be opened. Resolves the name once: the handle keeps reading that generation. */
sen_index* sen_index_open(const char* path);
/* Releases a handle. A generation being built that was not published is discarded. */
sen_rc sen_index_close(sen_index* i);

/* The identity of the information file recorded with the handle's generation;
 * sen_invalid_argument when none was recorded. */
sen_rc sen_index_info_identity(sen_index* i, sen_file_identity* out);

/* Number of documents the handle's generation took one by one, on top of a copy, since it
 * was last built from empty; removed ones included. They are indexed less compactly and
 * less quickly searched than the documents of a build from empty. -1 on an error. */
long long sen_index_added_count(sen_index* i);

/* An empty record set. Only record_unit sen_rec_document is supported. */
sen_records* sen_records_open(sen_rec_unit record_unit, sen_rec_unit subrec_unit,
                              unsigned int max_n_subrecs);
sen_rc sen_records_close(sen_records* r);
/* Delivers the next record's key, zero-terminated and cut to bufsize - 1 bytes, in
 * ascending order of the key read as a number. Returns the key's length (above 0) while a
 * record was delivered, 0 at the end. score, when not NULL, receives the record's score. */
int sen_records_next(sen_records* r, void* keybuf, int bufsize, int* score);
/* Number of records in the set. */
int sen_records_nhits(sen_records* r);

/* Parses a query. Language: terms separated by blanks, combined by default_op; "OR"
 * between two expressions; "(" and ")" for grouping; "-" before an expression for NOT;
 * double quotes for a phrase (a backslash escapes a double quote or a backslash inside it).
 * An expression is a top-level item with the items joined to it by OR, so leaving the rest
 * out never narrows what the query matches. At most max_exprs expressions are parsed (no
 * limit when max_exprs <= 0); the rest is left for sen_query_rest. NULL on a memory
 * failure only; an unparsable query (parentheses nested too deep) matches nothing. */
sen_query* sen_query_open(const char* str, unsigned int str_len, sen_sel_operator default_op,
                          int max_exprs, sen_encoding encoding);
/* The unparsed rest of the query text and its length in bytes. */
unsigned int sen_query_rest(sen_query* q, const char** rest);
sen_rc sen_query_close(sen_query* q);
/* Runs the query on the index and merges the documents found into r by op. */
sen_rc sen_query_exec(sen_index* i, sen_query* q, sen_records* r, sen_sel_operator op);

/* ---- Writing (the indexer) ---- */

/* Starts a new generation of the index called path, empty or as a copy of the current one
 * (copy_current non-zero). NULL when it cannot be created. Nothing a reader sees changes
 * until sen_index_publish. */
sen_index* sen_index_create_next(const char* path, int copy_current);
/* Adds a document under a key that is not in the index yet. The texts are indexed, not
 * stored: the caller keeps them (in the catalogues). */
sen_rc sen_index_put(sen_index* i, const char* key, const char* folded_path, unsigned int path_len,
                     const char* folded_text, unsigned int text_len);
/* Removes a document from every search; sen_invalid_argument when the key is absent. Its
 * postings stay in the generation, unseen, until a generation is built from empty. */
sen_rc sen_index_delete(sen_index* i, const char* key);
/* Records the identity of the information file that goes with this generation. */
sen_rc sen_index_set_info_identity(sen_index* i, const sen_file_identity* id);
/* Makes the generation being built the current one, in one rename, and frees the handle.
 * Then removes the generations it replaced that no process still reads; a process that
 * still has one open keeps reading it, and it is removed once the last such reader moves
 * on to a newer generation or by sen_index_remove_stale later. */
sen_rc sen_index_publish(sen_index* i);
/* Abandons a generation being built and removes its files. */
sen_rc sen_index_discard(sen_index* i);
/* Removes every generation of the index called path but the current one and those still
 * read or being built: old generations and the leftovers of runs that were killed. */
sen_rc sen_index_remove_stale(const char* path);
/* Disk space in bytes taken by the files of the current generation (holes not counted);
 * 0 when there is none. */
long long sen_index_disk_size(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* RUVUDAR_SENNA_H */
