#include <unistd.h>

#include <gtest/gtest.h>

#include "daradiv/worker_protocol.h"

using namespace daradiv;

TEST(WorkerProtocol, FramesSurviveAPipeAndArriveInPieces) {
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    WorkerResult sent;
    sent.ok = true;
    sent.text = std::string("東京 a\0b", 10);
    sent.folded = sent.text;
    sent.notes = {"後ろの 12 バイトを索引していません", ""};
    ASSERT_TRUE(WriteFrame(p[1], EncodeResult(sent)));
    ASSERT_TRUE(WriteFrame(p[1], EncodeRequest({"/d/x;y.txt", ".txt"})));
    close(p[1]);

    // Byte by byte through the incremental reader.
    std::string all;
    char c;
    while (read(p[0], &c, 1) == 1) all.push_back(c);
    close(p[0]);
    FrameReader reader;
    std::vector<std::string> frames;
    for (char b : all) {
        reader.Append(&b, 1);
        while (auto f = reader.Next()) frames.push_back(*f);
    }
    ASSERT_EQ(frames.size(), 2u);
    std::optional<WorkerResult> got = DecodeResult(frames[0]);
    ASSERT_TRUE(got && got->ok);
    EXPECT_EQ(got->text, sent.text);
    EXPECT_EQ(got->notes, sent.notes);
    std::optional<WorkerRequest> request = DecodeRequest(frames[1]);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->path, "/d/x;y.txt");
    EXPECT_EQ(request->extension, ".txt");
}

// The OCR flag of a request, the OCR figures of a result and a request for more time.
TEST(WorkerProtocol, OcrFieldsAndTimeRequests) {
    for (bool ocr : {false, true}) {
        std::optional<WorkerRequest> r = DecodeRequest(EncodeRequest({"/a.pdf", ".pdf", ocr}));
        ASSERT_TRUE(r);
        EXPECT_EQ(r->ocr_pdf_pages, ocr);
    }
    for (bool ok : {false, true}) {
        WorkerResult sent;
        sent.ok = ok;
        sent.error = ok ? "" : "読めません";
        sent.ocr_pages = 12;
        sent.ocr_milliseconds = 34567;
        sent.ocr_note = "2 ページ目: 描画できません";
        std::optional<WorkerResult> got = DecodeResult(EncodeResult(sent));
        ASSERT_TRUE(got);
        EXPECT_EQ(got->ok, ok);
        EXPECT_EQ(got->ocr_pages, 12u);
        EXPECT_EQ(got->ocr_milliseconds, 34567u);
        EXPECT_EQ(got->ocr_note, sent.ocr_note);
        EXPECT_FALSE(DecodeResult(EncodeResult(sent) + "x"));
    }
    EXPECT_EQ(DecodeTimeRequest(EncodeTimeRequest(3600)), 3600u);
    EXPECT_FALSE(DecodeTimeRequest("X12"));
    EXPECT_FALSE(DecodeResult(EncodeTimeRequest(5)));  // never taken for a result
}

TEST(WorkerProtocol, RejectsDamagedMessages) {
    WorkerResult failed;
    failed.error = "壊れています";
    std::string good = EncodeResult(failed);
    ASSERT_TRUE(DecodeResult(good));
    EXPECT_EQ(DecodeResult(good)->error, "壊れています");
    EXPECT_FALSE(DecodeResult(good.substr(0, good.size() - 1)));  // short
    EXPECT_FALSE(DecodeResult(good + "x"));                        // trailing bytes
    EXPECT_FALSE(DecodeResult("Z"));                               // unknown tag
    WorkerResult uneven;
    uneven.ok = true;
    uneven.text = "abc";
    uneven.folded = "AB";  // folded text must have the display text's length
    EXPECT_FALSE(DecodeResult(EncodeResult(uneven)));

    FrameReader reader;
    const char huge[4] = {'\xff', '\xff', '\xff', '\x7f'};
    reader.Append(huge, 4);
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.corrupt());
}
