#include "daradiv/extract/mail_text.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "daradiv/extract/charset.h"
#include "daradiv/extract/html_text.h"
#include "daradiv/extract/text_builder.h"

namespace {

// Forwarded messages are read this many levels deep.
constexpr int kMaxMessageDepth = 8;

struct Parts {
    std::vector<std::string> plain;  // UTF-8 text of each inline text/plain part
    std::vector<std::string> html;   // UTF-8 mark-up of each inline text/html part
    size_t bytes = 0;
    int depth = 0;
    bool too_deep = false;           // a forwarded message past kMaxMessageDepth was left out
};

// What the parser had to leave out, for the log: each reason once.
void ParserWarning(gint64, GMimeParserWarning code, const gchar*, gpointer data) {
    auto* notes = static_cast<std::vector<std::string>*>(data);
    const char* note = nullptr;
    if (code == GMIME_CRIT_MULTIPART_WITHOUT_BOUNDARY)
        note = "マルチパートに区切り (boundary) の指定がないため、その本文を読めません";
    else if (code == GMIME_CRIT_NESTING_OVERFLOW)
        note = "MIME パートの入れ子が深すぎるため、深い部分の本文を読めません";
    if (note && std::find(notes->begin(), notes->end(), note) == notes->end())
        notes->push_back(note);
}

std::string DecodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) return "";
    GMimeStream* mem = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(content, mem);
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem));
    std::string bytes(reinterpret_cast<const char*>(array->data), array->len);
    g_object_unref(mem);
    return bytes;
}

void CollectPart(GMimeObject*, GMimeObject* part, gpointer data) {
    auto* parts = static_cast<Parts*>(data);
    if (parts->bytes > kMaxExtractedTextBytes) return;
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(part);
    if (disposition && g_mime_content_disposition_is_attachment(disposition)) return;
    if (GMIME_IS_MESSAGE_PART(part)) {  // a forwarded message shown inline
        GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
        if (inner && parts->depth < kMaxMessageDepth) {
            ++parts->depth;
            g_mime_message_foreach(inner, CollectPart, parts);
            --parts->depth;
        } else if (inner) {
            parts->too_deep = true;
        }
        return;
    }
    if (!GMIME_IS_TEXT_PART(part)) return;
    GMimeContentType* type = g_mime_object_get_content_type(part);
    bool plain = g_mime_content_type_is_type(type, "text", "plain");
    bool html = g_mime_content_type_is_type(type, "text", "html");
    if (!plain && !html) return;
    std::string bytes = DecodedContent(GMIME_PART(part));
    const char* declared = g_mime_content_type_get_parameter(type, "charset");
    std::string charset = CanonicalCharset(declared ? declared : "");
    if (html && charset.empty()) charset = DeclaredHtmlCharset(bytes);
    std::string text = charset.empty() ? DecodeUnknownText(bytes) : ConvertToUtf8(bytes, charset);
    parts->bytes += text.size();
    (plain ? parts->plain : parts->html).push_back(std::move(text));
}

void AppendAddresses(const char* label, InternetAddressList* list, TextBuilder* out) {
    if (!list || internet_address_list_length(list) == 0) return;
    char* s = internet_address_list_to_string(list, nullptr, FALSE);
    if (s) {
        out->Append(label);
        out->Append(s);
        out->Append('\n');
        g_free(s);
    }
}

}  // namespace

ExtractResult ExtractMail(std::string_view bytes) {
    static std::once_flag init;
    std::call_once(init, [] { g_mime_init(); });
    ExtractResult r;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeParserOptions* options = g_mime_parser_options_new();
    // Raw 8-bit headers in Japanese mail are mostly one of these.
    const char* fallback[] = {"UTF-8", "CP932", "EUC-JP", "ISO-8859-1", nullptr};
    g_mime_parser_options_set_fallback_charsets(options, fallback);
    g_mime_parser_options_set_rfc2047_compliance_mode(options, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_warning_callback(options, ParserWarning, &r.notes);
    GMimeMessage* message = g_mime_parser_construct_message(parser, options);
    if (!message) {
        r.error = "メールとして読めません";
    } else {
        TextBuilder out;
        AppendAddresses("From: ", g_mime_message_get_from(message), &out);
        AppendAddresses("To: ", g_mime_message_get_to(message), &out);
        AppendAddresses("Cc: ", g_mime_message_get_cc(message), &out);
        if (const char* subject = g_mime_message_get_subject(message)) {
            out.Append("Subject: ");
            out.Append(subject);
            out.Append('\n');
        }
        if (const char* date = g_mime_object_get_header(GMIME_OBJECT(message), "Date")) {
            out.Append("Date: ");
            out.Append(date);
            out.Append('\n');
        }
        Parts parts;
        g_mime_message_foreach(message, CollectPart, &parts);
        out.Append('\n');
        for (const std::string& text : parts.plain) {
            out.EndLine();
            out.Append(text);
        }
        if (parts.plain.empty()) {
            for (const std::string& html : parts.html) {
                out.EndLine();
                out.Append(HtmlToText(html));
            }
        }
        if (parts.too_deep)
            r.notes.push_back("転送されたメッセージの入れ子が " + std::to_string(kMaxMessageDepth) +
                              " 段を超える部分は読んでいません");
        r.text = out.Take();
        r.ok = true;
        g_object_unref(message);
    }
    g_mime_parser_options_free(options);
    g_object_unref(parser);
    g_object_unref(stream);
    return r;
}
