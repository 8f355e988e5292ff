#include "senna/index_writer.h"

#include "senna/text_repair.h"

#include <string>

namespace senna {

namespace {

// Adds (add) or takes out the postings of value in one section of document id.
grn_rc UpdateSection(Database &db, grn_id id, unsigned section, std::string_view value, bool add) {
    if (value.empty()) return GRN_SUCCESS;
    grn_ctx *ctx = db.ctx();
    std::string scratch;
    value = TokenizableText(ctx, value, scratch);
    grn_obj text;
    GRN_TEXT_INIT(&text, GRN_OBJ_DO_SHALLOW_COPY);
    GRN_TEXT_SET_REF(&text, value.data(), value.size());
    grn_rc rc = add ? grn_column_index_update(ctx, db.index(), id, section, nullptr, &text)
                    : grn_column_index_update(ctx, db.index(), id, section, &text, nullptr);
    GRN_OBJ_FIN(ctx, &text);
    return rc;
}

} // namespace

sen_rc PutDocument(Database &db, std::string_view key, std::string_view path,
                   std::string_view text) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    grn_ctx *ctx = db.ctx();
    int added = 0;
    grn_id id = grn_table_add(ctx, db.docs(), key.data(), static_cast<unsigned>(key.size()), &added);
    if (id == GRN_ID_NIL) return ctx->rc == GRN_NO_MEMORY_AVAILABLE ? sen_memory_exhausted : sen_other_error;
    if (!added) return sen_invalid_argument;
    if (UpdateSection(db, id, Database::kPathSection, path, true) == GRN_SUCCESS &&
        UpdateSection(db, id, Database::kTextSection, text, true) == GRN_SUCCESS)
        return sen_success;
    // Leave no half-indexed document behind.
    UpdateSection(db, id, Database::kPathSection, path, false);
    UpdateSection(db, id, Database::kTextSection, text, false);
    grn_table_delete_by_id(ctx, db.docs(), id);
    return ctx->rc == GRN_NO_MEMORY_AVAILABLE ? sen_memory_exhausted : sen_other_error;
}

sen_rc DeleteDocument(Database &db, std::string_view key, std::string_view path,
                      std::string_view text) {
    if (key.empty() || key.size() > kMaxKeyBytes) return sen_invalid_argument;
    grn_ctx *ctx = db.ctx();
    grn_id id = grn_table_get(ctx, db.docs(), key.data(), static_cast<unsigned>(key.size()));
    if (id == GRN_ID_NIL) return sen_invalid_argument;
    grn_rc a = UpdateSection(db, id, Database::kPathSection, path, false);
    grn_rc b = UpdateSection(db, id, Database::kTextSection, text, false);
    grn_rc c = grn_table_delete_by_id(ctx, db.docs(), id);
    return a == GRN_SUCCESS && b == GRN_SUCCESS && c == GRN_SUCCESS ? sen_success : sen_other_error;
}

} // namespace senna
