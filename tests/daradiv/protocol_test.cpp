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
