// Text an extractor leaves out is named with its reason, for the log: parts of a mail the
// parser cannot read (a multipart without its boundary, nesting past the parser's limit) and
// forwarded messages nested past the depth read.
#include <gtest/gtest.h>

#include <string>

#include "daradiv/extract/extractor.h"

namespace {

bool Mentions(const std::vector<std::string>& notes, const std::string& word) {
    for (const std::string& note : notes)
        if (note.find(word) != std::string::npos) return true;
    return false;
}

const std::string kHead = "From: a@example.jp\r\nSubject: subjectword\r\nMIME-Version: 1.0\r\n";

TEST(LeftOut, MailPartsThatCannotBeReadAreNamed) {
    std::string deep = kHead;
    for (int i = 0; i < 2000; ++i)
        deep += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" +
                std::to_string(i) + "\r\n";
    deep += "Content-Type: text/plain\r\n\r\ndeepword\r\n";
    for (int i = 1999; i >= 0; --i) deep += "--b" + std::to_string(i) + "--\r\n";

    std::string forwarded = "Content-Type: text/plain\r\n\r\nforwardedword\r\n";
    for (int i = 0; i < 10; ++i)
        forwarded = "Subject: level\r\nContent-Type: message/rfc822\r\n\r\n" + forwarded;

    struct Case {
        const char* what;
        std::string mail;
        const char* reason;
    } cases[] = {
        {"no boundary",
         kHead + "Content-Type: multipart/mixed\r\n\r\n--x\r\nContent-Type: text/plain\r\n\r\n"
                 "bodyword\r\n--x--\r\n",
         "boundary"},
        {"nested 2000 deep", deep, "入れ子"},
        {"forwarded 10 deep", kHead + forwarded.substr(forwarded.find("Content-Type")), "転送"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExtractResult r = ExtractFromBytes(c.mail, "eml");
        ASSERT_TRUE(r.ok);
        EXPECT_NE(r.text.find("subjectword"), std::string::npos);  // what could be read is kept
        EXPECT_TRUE(Mentions(r.notes, c.reason)) << (r.notes.empty() ? "no note" : r.notes[0]);
    }

    ExtractResult plain = ExtractFromBytes(
        kHead + "Content-Type: multipart/mixed; boundary=x\r\n\r\n--x\r\nContent-Type: "
                "text/plain\r\n\r\nbodyword\r\n--x--\r\n",
        "eml");
    EXPECT_NE(plain.text.find("bodyword"), std::string::npos);
    EXPECT_TRUE(plain.notes.empty());
}

}  // namespace
