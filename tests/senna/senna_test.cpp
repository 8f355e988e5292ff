// The index library through its C calls only: lookups, the query language, generations.
#include "senna/senna.h"
#include "tests/support/test_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Doc {
    std::string key, path, text;
};

class SennaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("senna_test_");
        path_ = (dir_ / "sindex").string();
        sen_init();
    }
    void TearDown() override {
        sen_fin();
        fs::remove_all(dir_);
    }

    // Builds and publishes a generation holding docs (on top of the current one if copy).
    void Build(const std::vector<Doc>& docs, bool copy = false) {
        sen_index* w = sen_index_create_next(path_.c_str(), copy);
        ASSERT_NE(w, nullptr);
        for (const Doc& d : docs)
            ASSERT_EQ(sen_index_put(w, d.key.c_str(), d.path.data(), d.path.size(), d.text.data(),
                                    d.text.size()),
                      sen_success)
                << d.key;
        ASSERT_EQ(sen_index_publish(w), sen_success);
    }

    // Keys a query returns, in delivery order, through the calls the viewer makes.
    static std::vector<std::string> Keys(sen_index* i, const std::string& query,
                                         sen_sel_operator def = sen_sel_and, int max = 10) {
        sen_records* r = sen_records_open(sen_rec_document, sen_rec_none, 0);
        sen_query* q = sen_query_open(query.data(), query.size(), def, max, sen_enc_utf8);
        EXPECT_EQ(sen_query_exec(i, q, r, sen_sel_or), sen_success);
        std::vector<std::string> keys;
        char buf[128];
        int score;
        while (sen_records_next(r, buf, sizeof buf, &score) > 0) keys.push_back(buf);
        EXPECT_EQ(sen_records_nhits(r), static_cast<int>(keys.size()));
        sen_query_close(q);
        sen_records_close(r);
        return keys;
    }

    std::vector<std::string> Keys(const std::string& query, sen_sel_operator def = sen_sel_and,
                                  int max = 10) {
        sen_index* i = sen_index_open(path_.c_str());
        EXPECT_NE(i, nullptr);
        if (!i) return {};
        auto keys = Keys(i, query, def, max);
        sen_index_close(i);
        return keys;
    }

    fs::path dir_;
    std::string path_;
};

using Keys_ = std::vector<std::string>;

// Keys in the order a search delivers them: by number.
Keys_ Numeric(Keys_ keys) {
    std::sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        return std::stoll(a) < std::stoll(b);
    });
    return keys;
}

// Files of posting chunks in the current generation of index path: one for each bigram,
// character, word or triple index column.
size_t ChunkFiles(const std::string& path) {
    size_t n = 0;
    for (const auto& entry : fs::directory_iterator(fs::canonical(path)))
        n += entry.path().extension() == ".c";
    return n;
}

// The same tests with the bigrams of a fresh build in one column, and spread over many by
// committing the bulk builder after every few hundred bytes of text.
class SennaSessionsTest : public SennaTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        SennaTest::SetUp();
        if (GetParam() > 0)
            setenv("RUVUDAR_BULK_SESSION_BYTES", std::to_string(GetParam()).c_str(), 1);
    }
    void TearDown() override {
        unsetenv("RUVUDAR_BULK_SESSION_BYTES");
        SennaTest::TearDown();
    }
};

INSTANTIATE_TEST_SUITE_P(Sessions, SennaSessionsTest, ::testing::Values(0, 256),
                         [](const auto& info) {
                             return info.param ? "Bounded" + std::to_string(info.param)
                                               : std::string("OneSession");
                         });

TEST_F(SennaTest, MissingIndexGivesNullHandle) {
    EXPECT_EQ(sen_index_open(path_.c_str()), nullptr);
    EXPECT_EQ(sen_index_open((dir_ / "nowhere" / "sindex").c_str()), nullptr);
    EXPECT_EQ(sen_index_disk_size(path_.c_str()), 0);
    // A name that is a plain folder is no index of ours.
    fs::create_directories(path_);
    EXPECT_EQ(sen_index_open(path_.c_str()), nullptr);
}

TEST_F(SennaTest, FindsSubstringsInEveryScript) {
    Build({{"1", "/docs/latin", "abcde fghij"},
           {"2", "/docs/jp", "文書管理システム"},
           {"3", "/docs/mixed", "ab文書 x"},
           {"4", "/other/xnone", "nothing here"}});
    struct Case {
        const char* query;
        Keys_ want;
    } cases[] = {
        {"\"bcd\"", {"1"}},
        {"\"書管\"", {"2"}},
        {"\"b文\"", {"3"}},
        {"\"文書\"", {"2", "3"}},
        {"\"de fg\"", {"1"}},            // across a blank
        {"\"docs/\"", {"1", "2", "3"}},  // in the path
        {"\"ム\"", {"2"}},               // single character at the end of a text
        {"\"b\"", {"1", "3"}},           // single character inside
        {"\"x\"", {"3", "4"}},           // single character, in the path of 4
        {"\"理シ\"", {"2"}},
        {"\"fghij\"", {"1"}},
        {"\"ghijk\"", {}},
        {"\"ace\"", {}},  // the characters, but not as a phrase
        {"\"zz\"", {}},
        {"\"r/xn\"", {"4"}},
        {"\"jp文\"", {}},  // path and text do not run into each other
    };
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query), c.want) << c.query;
}

TEST_F(SennaTest, RepeatsAndBlanksFoundInBulkAndSingleUpdates) {
    const std::vector<std::string> texts = {"aaaa", "ababab", "あああ", "xyzxyzxyz", "ab  cd"};
    // Keys 1..5 through the bulk builder of a fresh generation, 11..15 added one by one.
    std::vector<Doc> first, second;
    for (size_t k = 0; k < texts.size(); ++k) {
        first.push_back({std::to_string(k + 1), "", texts[k]});
        second.push_back({std::to_string(k + 11), "", texts[k]});
    }
    Build(first);
    Build(second, true);
    struct Case {
        const char* query;
        Keys_ want;
    } cases[] = {
        {"\"aaa\"", {"1", "11"}},       {"\"aaaa\"", {"1", "11"}},   {"\"aaaaa\"", {}},
        {"\"babab\"", {"2", "12"}},     {"\"あああ\"", {"3", "13"}}, {"\"zxyzx\"", {"4", "14"}},
        {"\"xyzxyzxyz\"", {"4", "14"}}, {"\"b  c\"", {"5", "15"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query), c.want) << c.query;
}

TEST_F(SennaTest, TextAfterBadBytesIsStillFound) {
    std::string bad = "abc \xff\xfe def \xe6\x96 ghi";
    bad += std::string("\0jkl", 4);
    Build({{"1", "/q\xc0x", bad}, {"2", "/p", "other"}});
    for (const char* q : {"\"abc\"", "\"def\"", "\"ghi\"", "\"jkl\"", "\"x\""})
        EXPECT_EQ(Keys(q), Keys_{"1"}) << q;
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_delete(w, "1"), sen_success);
    ASSERT_EQ(sen_index_publish(w), sen_success);
    EXPECT_EQ(Keys("\"jkl\""), Keys_{});
    EXPECT_EQ(Keys("\"x\""), Keys_{});  // single characters are taken out too
}

TEST_F(SennaTest, RemovalTakesOutRepeatedCharactersOnlyOfThatDocument) {
    const std::string text = "山山川 aab 山";
    Build({{"1", "/p", text}, {"2", "/pq", "川 b"}});
    Build({{"3", "/p", text}}, true);  // one by one
    EXPECT_EQ(Keys("\"山\""), (Keys_{"1", "3"}));
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    for (const char* key : {"1", "3"})
        ASSERT_EQ(sen_index_delete(w, key), sen_success);
    ASSERT_EQ(sen_index_publish(w), sen_success);
    struct Case {
        const char* query;
        Keys_ want;
    } cases[] = {{"\"山\"", {}},   {"\"a\"", {}},    {"\"川\"", {"2"}},
                 {"\"b\"", {"2"}}, {"\"q\"", {"2"}}, {"\"p\"", {"2"}}};
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query), c.want) << c.query;
}

TEST_F(SennaTest, OperatorsAndGroups) {
    Build({{"1", "/p", "apple banana"},
           {"2", "/p", "apple cherry"},
           {"3", "/p", "banana cherry"},
           {"4", "/p", "durian"}});
    struct Case {
        const char* query;
        sen_sel_operator def;
        Keys_ want;
    } cases[] = {
        {"apple banana", sen_sel_and, {"1"}},
        {"apple banana", sen_sel_or, {"1", "2", "3"}},
        {"apple OR durian", sen_sel_and, {"1", "2", "4"}},
        {"(\"apple\" OR \"banana\") (\"cherry\")", sen_sel_and, {"2", "3"}},
        {"apple -banana", sen_sel_and, {"2"}},
        {"-apple", sen_sel_and, {"3", "4"}},
        {"cherry -(apple OR durian)", sen_sel_and, {"3"}},
        {"durian OR -cherry", sen_sel_and, {"1", "4"}},
        {"apple banana", sen_sel_but, {"2"}},
        {"\"apple banana\"", sen_sel_and, {"1"}},  // a phrase, not two terms
        {"\"banana apple\"", sen_sel_and, {}},
        {"(apple", sen_sel_and, {"1", "2"}},  // unclosed group closes at the end
        {"apple)", sen_sel_and, {"1", "2"}},  // stray ")" ignored
        {"()", sen_sel_and, {}},
        {"\"\"", sen_sel_and, {}},
        {"", sen_sel_and, {}},
        {"OR apple OR", sen_sel_and, {"1", "2"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query, c.def), c.want) << c.query;
    // Nesting too deep to parse matches nothing rather than overflowing the stack.
    EXPECT_EQ(Keys(std::string(100000, '(') + "apple"), Keys_{});
    EXPECT_EQ(Keys(std::string(20, '(') + "apple"), (Keys_{"1", "2"}));
}

TEST_F(SennaTest, NotTakesOutOnlyDocumentsHoldingThePhrase) {
    // 1 holds every bigram of "abcd" but not the phrase; 2 holds it.
    Build({{"1", "/p", "zab bc cd"}, {"2", "/p", "zabcd"}, {"3", "/p", "other"}});
    EXPECT_EQ(Keys("\"za\" -\"abcd\""), Keys_{"1"});
    EXPECT_EQ(Keys("-\"abcd\""), (Keys_{"1", "3"}));
    EXPECT_EQ(Keys("\"za\" -(\"abcd\" OR \"other\")"), Keys_{"1"});
    // A NOT inside a NOT: 2 is kept; 1 may come too, the caller checks the texts.
    Keys_ twice = Keys("\"za\" -(\"za\" -\"abcd\")");
    EXPECT_NE(std::find(twice.begin(), twice.end(), "2"), twice.end());
    EXPECT_EQ(std::find(twice.begin(), twice.end(), "3"), twice.end());
}

// Removed documents leave their postings behind; nothing of them may reach a document put
// after them, in the same generation or a copy, whether it is found or taken away by a NOT.
TEST_F(SennaTest, RemovedDocumentsLeaveNothingToLaterOnes) {
    Build({{"1", "/p", "alpha 甲"}, {"2", "/p", "beta"}});
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_delete(w, "1"), sen_success);
    ASSERT_EQ(sen_index_put(w, "3", "/p", 2, "gamma", 5), sen_success);
    const std::string back = "delta 乙";
    ASSERT_EQ(sen_index_put(w, "1", "/p", 2, back.data(), back.size()), sen_success);  // the key again
    ASSERT_EQ(sen_index_put(w, "4", "/p", 2, "alpha", 5), sen_success);
    ASSERT_EQ(sen_index_delete(w, "4"), sen_success);  // one added to the copy and removed
    ASSERT_EQ(sen_index_publish(w), sen_success);
    struct Case {
        const char* query;
        Keys_ want;
    } cases[] = {{"\"alpha\"", {}},
                 {"\"甲\"", {}},
                 {"\"delta\"", {"1"}},
                 {"\"乙\"", {"1"}},
                 {"\"/p\" -\"alpha\"", {"1", "2", "3"}},
                 {"\"/p\" -\"甲\"", {"1", "2", "3"}},
                 {"-\"beta\"", {"1", "3"}}};
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query), c.want) << c.query;
}

// The indexer compacts on this count: documents a copy took one by one since the last
// build from empty, removed ones included.
TEST_F(SennaTest, AddedCountGrowsWithCopiesOnly) {
    auto added = [&] {
        sen_index* i = sen_index_open(path_.c_str());
        long long n = i ? sen_index_added_count(i) : -2;
        if (i) sen_index_close(i);
        return n;
    };
    Build({{"1", "/p", "one"}, {"2", "/p", "two"}});
    EXPECT_EQ(added(), 0);
    Build({{"3", "/p", "three"}, {"4", "/p", "four"}}, true);
    EXPECT_EQ(added(), 2);
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_delete(w, "3"), sen_success);
    ASSERT_EQ(sen_index_put(w, "5", "/p", 2, "five", 4), sen_success);
    ASSERT_EQ(sen_index_publish(w), sen_success);
    EXPECT_EQ(added(), 3);
    EXPECT_EQ(Keys("\"four\" OR \"five\" OR \"one\""), (Keys_{"1", "4", "5"}));
    Build({{"1", "/p", "again"}});
    EXPECT_EQ(added(), 0);
    EXPECT_EQ(sen_index_added_count(nullptr), -1);
}

TEST_P(SennaSessionsTest, RareAndCommonTermsOverManyDocuments) {
    // Enough documents for the lists to be sampled: every third holds the rare term, all
    // hold the common one, the same texts in the path of a few.
    std::vector<Doc> docs;
    Keys_ rare, common_not_rare;
    for (int k = 1; k <= 600; ++k) {
        bool has = k % 3 == 0;
        std::string text = "common words " + std::to_string(k) + (has ? " qzjw" : "");
        bool in_path = k % 50 == 0;
        docs.push_back({std::to_string(k), in_path ? "/p/" + text : "/p", in_path ? "" : text});
        (has ? rare : common_not_rare).push_back(std::to_string(k));
    }
    Build(docs);
    EXPECT_EQ(Keys("\"qzjw\" \"common words\""), rare);
    EXPECT_EQ(Keys("\"common words\" \"qzjw\""), rare);
    EXPECT_EQ(Keys("\"common words\" -\"qzjw\""), common_not_rare);
    EXPECT_EQ(Keys("(\"qzjw\" OR \"none\") (\"words\")"), rare);
}

// The bulk builder committed every few hundred bytes fills a column per session, and every
// column is searched: the same documents as from one column, copies of it included.
TEST_F(SennaTest, BoundedSessionsSpreadBigramsOverColumns) {
    std::vector<Doc> docs;
    for (int k = 1; k <= 200; ++k)
        docs.push_back({std::to_string(k), "/p",
                        "文書 " + std::to_string(k) + (k % 7 == 0 ? " 甲乙丙" : "")});
    auto holding = [&](const std::string& term, bool has) {
        Keys_ keys;
        for (const Doc& d : docs)
            if ((d.text.find(term) != std::string::npos) == has) keys.push_back(d.key);
        return keys;
    };
    auto check = [&](const char* what) {
        EXPECT_EQ(Keys("\"甲乙\""), holding("甲乙", true)) << what;
        EXPECT_EQ(Keys("\"乙丙\" \"文書\""), holding("乙丙", true)) << what;
        EXPECT_EQ(Keys("\"書 1\""), holding("書 1", true)) << what;
        EXPECT_EQ(Keys("\"文書\" -\"甲乙\""), holding("甲乙", false)) << what;
    };
    Build(docs);
    const size_t one_session = ChunkFiles(path_);
    check("one session");
    path_ = (dir_ / "bounded").string();
    setenv("RUVUDAR_BULK_SESSION_BYTES", "300", 1);
    Build(docs);
    unsetenv("RUVUDAR_BULK_SESSION_BYTES");
    EXPECT_GT(ChunkFiles(path_), one_session + 5);
    check("sessions");
    docs.push_back({"201", "/p", "文書 201 甲乙丙"});
    Build({docs.back()}, true);
    check("copy");
}

TEST_F(SennaTest, QuerySyntaxOfGroongaIsPlainText) {
    Build({{"1", "/p", "key a:b value"},
           {"2", "/p", "open ( paren"},
           {"3", "/p", "minus -ABC and star * here"},
           {"4", "/p", "back\\slash at@mark it's \"quoted\""},
           {"5", "/p", "ABC plain"}});
    struct Case {
        const char* query;
        Keys_ want;
    } cases[] = {
        {"\"a:b\"", {"1"}},
        {"\"x\" OR \"(\"", {"2"}},
        {"\"-ABC\"", {"3"}},
        {"\"*\"", {"3"}},
        {"\"k\\\\s\"", {"4"}},  // escaped backslash
        {"\"@m\"", {"4"}},
        {"\"'s\"", {"4"}},
        {"\"\\\"quoted\\\"\"", {"4"}},  // escaped quotes
        {"\"ABC\"", {"3", "5"}},
        {"a:b", {"1"}},  // bare words too
        {"\"ABC\" OR \"a:b\" OR \"*\"", {"1", "3", "5"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Keys(c.query), c.want) << c.query;
}

TEST_F(SennaTest, ExpressionLimitLeavesRest) {
    Build({{"1", "/p", "t0 t1 t2 t3 t4 t5 t6 t7 t8 t9"},
           {"2", "/p", "t0 t1 t2 t3 t4 t5 t6 t7 t8 t9 tz"}});
    std::string ten =
        "(\"t0\") (\"t1\") (\"t2\") (\"t3\") (\"t4\") (\"t5\") (\"t6\") (\"t7\") "
        "(\"t8\") (\"t9\")";
    // The eleventh group is not parsed, so it does not narrow the candidates.
    std::string q = ten + " (\"tz\") (\"nowhere\")";
    EXPECT_EQ(Keys(q), (Keys_{"1", "2"}));
    sen_query* sq = sen_query_open(q.data(), q.size(), sen_sel_and, 10, sen_enc_utf8);
    const char* rest = nullptr;
    unsigned n = sen_query_rest(sq, &rest);
    EXPECT_EQ(std::string(rest, n), "(\"tz\") (\"nowhere\")");
    sen_query_close(sq);
    // Within the limit nothing is left and every group narrows.
    EXPECT_EQ(Keys(ten + " (\"tz\")", sen_sel_and, 11), Keys_{"2"});
    sq = sen_query_open(ten.data(), ten.size(), sen_sel_and, 10, sen_enc_utf8);
    EXPECT_EQ(sen_query_rest(sq, &rest), 0u);
    sen_query_close(sq);
    // Alternatives joined by OR are one expression: none of them is dropped.
    std::string alts = "\"t0\"";
    for (int k = 1; k < 12; ++k) alts += " OR \"nope" + std::to_string(k) + "\"";
    alts += " OR \"tz\"";
    EXPECT_EQ(Keys(alts), (Keys_{"1", "2"}));
}

TEST_F(SennaTest, KeysComeInNumericOrder) {
    Build({{"10", "/p", "common"},
           {"2", "/p", "common"},
           {"1", "/p", "common"},
           {"100", "/p", "common"},
           {"9", "/p", "common"}});
    EXPECT_EQ(Keys("common"), (Keys_{"1", "2", "9", "10", "100"}));
}

// Sets from a generation whose ids ascend with the keys are delivered in id order; any put
// that breaks that order, in this generation or one it was copied from, must not let it.
TEST_F(SennaTest, DeliveryOrderHoldsHoweverKeysWerePut) {
    struct Step {
        std::vector<Doc> put;
        std::vector<std::string> removed;
    };
    struct Case {
        const char* name;
        std::vector<Step> runs;  // the first fresh, the rest copies
        Keys_ want;
    } cases[] = {
        {"ascending through copies", {{{{"1", "/p", "common"}, {"2", "/p", "common"}}, {}},
                                      {{{"3", "/p", "common"}}, {"1"}}},
         {"2", "3"}},
        {"removed key put again", {{{{"1", "/p", "common"}, {"2", "/p", "common"},
                                     {"3", "/p", "common"}}, {}},
                                   {{{"2", "/p", "common"}}, {"2"}}},
         {"1", "2", "3"}},
        {"mixed order kept by a copy", {{{{"10", "/p", "common"}, {"2", "/p", "common"}}, {}},
                                        {{{"11", "/p", "common"}}, {}}},
         {"2", "10", "11"}},
        {"leading zero", {{{{"2", "/p", "common"}, {"010", "/p", "common"}}, {}},
                          {{{"011", "/p", "common"}}, {}}},
         {"2", "010", "011"}},
        {"key that is no number", {{{{"2", "/p", "common"}, {"b", "/p", "common"}}, {}},
                                   {{{"3", "/p", "common"}}, {}}},
         {"b", "2", "3"}},
    };
    for (const Case& c : cases) {
        fs::remove_all(path_);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        for (size_t run = 0; run < c.runs.size(); ++run) {
            sen_index* w = sen_index_create_next(path_.c_str(), run > 0);
            ASSERT_NE(w, nullptr) << c.name;
            for (const std::string& key : c.runs[run].removed)
                ASSERT_EQ(sen_index_delete(w, key.c_str()), sen_success) << c.name;
            for (const Doc& d : c.runs[run].put)
                ASSERT_EQ(sen_index_put(w, d.key.c_str(), d.path.data(), d.path.size(),
                                        d.text.data(), d.text.size()),
                          sen_success)
                    << c.name << " " << d.key;
            ASSERT_EQ(sen_index_publish(w), sen_success) << c.name;
        }
        EXPECT_EQ(Keys("common"), c.want) << c.name;
    }
}

// A set read in part keeps its place when it is counted, when its index is closed, and when
// a later query is merged into it.
TEST_F(SennaTest, RecordsReadInPartKeepTheirPlace) {
    std::vector<Doc> docs;
    for (int k = 1; k <= 40; ++k)
        docs.push_back({std::to_string(k), "/p", k % 2 ? "common odd" : "common even"});
    docs.push_back({"41", "/p", "nothing"});
    Build(docs);
    sen_index* i = sen_index_open(path_.c_str());
    ASSERT_NE(i, nullptr);
    auto run = [&](sen_records* r, const char* query, sen_sel_operator op) {
        sen_query* q = sen_query_open(query, std::strlen(query), sen_sel_and, 10, sen_enc_utf8);
        EXPECT_EQ(sen_query_exec(i, q, r, op), sen_success);
        sen_query_close(q);
    };
    char buf[128];
    auto next = [&](sen_records* r) {
        return sen_records_next(r, buf, sizeof buf, nullptr) > 0 ? std::string(buf) : "";
    };

    sen_records* r = sen_records_open(sen_rec_document, sen_rec_none, 0);
    run(r, "common", sen_sel_or);
    EXPECT_EQ(next(r), "1");
    EXPECT_EQ(next(r), "2");
    EXPECT_EQ(sen_records_nhits(r), 40);
    EXPECT_EQ(next(r), "3");
    sen_index_close(i);
    EXPECT_EQ(next(r), "4");  // the set outlives its index handle
    Keys_ rest;
    for (std::string k = next(r); !k.empty(); k = next(r)) rest.push_back(k);
    EXPECT_EQ(rest.size(), 36u);
    EXPECT_EQ(rest.back(), "40");
    sen_records_close(r);

    i = sen_index_open(path_.c_str());
    ASSERT_NE(i, nullptr);
    r = sen_records_open(sen_rec_document, sen_rec_none, 0);
    run(r, "common", sen_sel_or);
    EXPECT_EQ(next(r), "1");
    run(r, "even", sen_sel_and);  // a merge delivers the merged set from its start
    Keys_ even;
    for (std::string k = next(r); !k.empty(); k = next(r)) even.push_back(k);
    ASSERT_EQ(even.size(), 20u);
    EXPECT_EQ(even.front(), "2");
    EXPECT_EQ(even.back(), "40");
    sen_records_close(r);
    sen_index_close(i);
}

TEST_F(SennaTest, PutRefusesDuplicateAndBadKeys) {
    sen_index* w = sen_index_create_next(path_.c_str(), 0);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(sen_index_put(w, "1", "/a", 2, "x", 1), sen_success);
    EXPECT_EQ(sen_index_put(w, "1", "/a", 2, "y", 1), sen_invalid_argument);
    EXPECT_EQ(sen_index_put(w, "", "/a", 2, "y", 1), sen_invalid_argument);
    EXPECT_EQ(sen_index_put(w, std::string(128, '7').c_str(), "/a", 2, "y", 1),
              sen_invalid_argument);
    EXPECT_EQ(sen_index_delete(w, "5"), sen_invalid_argument);
    EXPECT_EQ(sen_index_put(w, "2", nullptr, 0, nullptr, 0), sen_success);  // nothing to index
    ASSERT_EQ(sen_index_publish(w), sen_success);
    EXPECT_EQ(Keys("\"x\""), Keys_{"1"});
}

TEST_F(SennaTest, FreshBuildTakesRemovalsBetweenAdditions) {
    sen_index* w = sen_index_create_next(path_.c_str(), 0);
    ASSERT_NE(w, nullptr);
    auto put = [&](const char* key, const std::string& text) {
        return sen_index_put(w, key, "/p", 2, text.data(), text.size());
    };
    ASSERT_EQ(put("1", "alpha beta"), sen_success);
    ASSERT_EQ(put("2", "beta gamma"), sen_success);
    ASSERT_EQ(put("3", "gamma delta"), sen_success);
    ASSERT_EQ(sen_index_delete(w, "2"), sen_success);
    ASSERT_EQ(put("4", "delta beta"), sen_success);
    ASSERT_EQ(put("2", "epsilon"), sen_success);  // a removed key comes back
    ASSERT_EQ(sen_index_delete(w, "1"), sen_success);
    ASSERT_EQ(sen_index_publish(w), sen_success);
    EXPECT_EQ(Keys("\"beta\""), Keys_{"4"});
    EXPECT_EQ(Keys("\"gamma\""), Keys_{"3"});
    EXPECT_EQ(Keys("\"alpha\""), Keys_{});
    EXPECT_EQ(Keys("\"epsilon\""), Keys_{"2"});
    EXPECT_EQ(Keys("\"/p\""), (Keys_{"2", "3", "4"}));
}

TEST_F(SennaTest, GenerationsSwitchOnlyOnPublish) {
    Build({{"1", "/p", "first generation"}});
    sen_index* reader = sen_index_open(path_.c_str());
    ASSERT_NE(reader, nullptr);

    // Built on a copy: the old document stays, one is removed, one is added.
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_put(w, "2", "/p", 2, "second one", 10), sen_success);
    ASSERT_EQ(sen_index_put(w, "3", "/p", 2, "third gen", 9), sen_success);
    ASSERT_EQ(sen_index_delete(w, "3"), sen_success);
    // Not published yet: readers see generation 1 only.
    EXPECT_EQ(Keys(reader, "\"second\""), Keys_{});
    EXPECT_EQ(Keys("\"second\""), Keys_{});
    ASSERT_EQ(sen_index_publish(w), sen_success);

    // The open handle keeps reading its generation; a new open sees the new one.
    EXPECT_EQ(Keys(reader, "\"second\""), Keys_{});
    EXPECT_EQ(Keys(reader, "\"first\""), Keys_{"1"});
    EXPECT_EQ(Keys("\"second\""), Keys_{"2"});
    EXPECT_EQ(Keys("\"first\""), Keys_{"1"});
    EXPECT_EQ(Keys("\"gen\""), Keys_{"1"});  // the removed document is gone
    // Even with its folder removed, the open handle reads the files it opened.
    ASSERT_EQ(sen_index_remove_stale(path_.c_str()), sen_success);
    EXPECT_EQ(Keys(reader, "\"first\""), Keys_{"1"});
    sen_index_close(reader);

    // A copy of a copy, opened afresh after its ancestors are gone, holds all of them.
    Build({{"4", "/p", "fourth"}}, true);
    ASSERT_EQ(sen_index_remove_stale(path_.c_str()), sen_success);
    EXPECT_EQ(Keys("\"first\" OR \"second\" OR \"fourth\""), (Keys_{"1", "2", "4"}));

    // An empty generation replaces everything.
    Build({{"7", "/q", "fresh"}});
    EXPECT_EQ(Keys("\"first\""), Keys_{});
    EXPECT_EQ(Keys("\"fresh\""), Keys_{"7"});
}

// Old generations go when a new one is published, unless a reader still holds one; a
// generation being built is never taken; a killed run's folder is.
TEST_F(SennaTest, StaleGenerationsGoOnceNoOneHoldsThem) {
    auto generations = [&] {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(dir_))
            if (e.path().filename() != "sindex" && fs::is_directory(e.symlink_status()))
                names.push_back(e.path().filename().string());
        return names.size();
    };
    Build({{"1", "/p", "one"}});
    Build({{"1", "/p", "two"}});
    EXPECT_EQ(generations(), 1u);

    // A reader on "two" keeps it through the next publish and a cleanup, and reads on.
    sen_index* reader = sen_index_open(path_.c_str());
    ASSERT_NE(reader, nullptr);
    Build({{"1", "/p", "three"}});
    EXPECT_EQ(sen_index_remove_stale(path_.c_str()), sen_success);
    EXPECT_EQ(generations(), 2u);
    EXPECT_EQ(Keys(reader, "\"two\""), Keys_{"1"});
    sen_index_close(reader);

    // A run in progress is kept; a killed run's folder (nobody holds it) and the
    // generation no one reads any more go; an unrelated folder stays.
    sen_index* running = sen_index_create_next(path_.c_str(), 0);
    ASSERT_NE(running, nullptr);
    fs::create_directories(dir_ / "sindex.g90.0123abcd");
    fs::create_directories(dir_ / "unrelated");
    EXPECT_EQ(Keys("\"three\""), Keys_{"1"});
    EXPECT_EQ(sen_index_remove_stale(path_.c_str()), sen_success);
    EXPECT_EQ(generations(), 3u);  // current, the running one and the unrelated folder
    EXPECT_TRUE(fs::exists(dir_ / "unrelated"));
    EXPECT_FALSE(fs::exists(dir_ / "sindex.g90.0123abcd"));
    EXPECT_GT(sen_index_disk_size(path_.c_str()), 0);
    EXPECT_EQ(sen_index_discard(running), sen_success);
    EXPECT_EQ(generations(), 2u);
}

TEST_F(SennaTest, DiscardLeavesCurrentUntouched) {
    Build({{"1", "/p", "kept"}});
    sen_index* w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_put(w, "2", "/p", 2, "dropped", 7), sen_success);
    EXPECT_EQ(sen_index_discard(w), sen_success);
    EXPECT_EQ(Keys("\"dropped\""), Keys_{});
    EXPECT_EQ(Keys("\"kept\""), Keys_{"1"});
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir_)) (void)e, ++entries;
    EXPECT_EQ(entries, 2);  // the name and its generation
}

TEST_F(SennaTest, IdentityRoundTrip) {
    sen_index* w = sen_index_create_next(path_.c_str(), 0);
    ASSERT_NE(w, nullptr);
    sen_file_identity id{123456789012LL, 1700000000123456789LL, 987654321ULL};
    ASSERT_EQ(sen_index_set_info_identity(w, &id), sen_success);
    ASSERT_EQ(sen_index_publish(w), sen_success);

    sen_index* i = sen_index_open(path_.c_str());
    ASSERT_NE(i, nullptr);
    sen_file_identity got{};
    ASSERT_EQ(sen_index_info_identity(i, &got), sen_success);
    EXPECT_EQ(got.size, id.size);
    EXPECT_EQ(got.mtime_ns, id.mtime_ns);
    EXPECT_EQ(got.inode, id.inode);
    sen_index_close(i);

    // A copied generation does not inherit the identity: it belongs to a new information file.
    w = sen_index_create_next(path_.c_str(), 1);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(sen_index_publish(w), sen_success);
    i = sen_index_open(path_.c_str());
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(sen_index_info_identity(i, &got), sen_invalid_argument);
    sen_index_close(i);
}

// Random documents over a small alphabet, a fresh build and then copies that add and
// remove documents: every document holding a term is found, and no removed one is. (The
// index may return more documents than hold the term; the caller checks the texts.) Under
// NOT, exactly the documents without the term are left.
TEST_P(SennaSessionsTest, RandomUpdatesNeverLoseOrRevivePostings) {
    std::mt19937 rng(20261210);
    const std::vector<std::string> letters = {"a", "b", "c", "甲", "乙"};
    auto text_of = [&](size_t length) {
        std::string t;
        for (size_t k = 0; k < length; ++k) t += letters[rng() % letters.size()];
        return t;
    };
    std::map<std::string, std::string> live;  // key -> text
    int next_key = 1;
    for (int round = 0; round < 4; ++round) {
        sen_index* w = sen_index_create_next(path_.c_str(), round > 0);
        ASSERT_NE(w, nullptr);
        for (int n = 0; n < (round == 0 ? 120 : 30); ++n) {
            if (!live.empty() && rng() % 3 == 0) {
                auto it = std::next(live.begin(), static_cast<long>(rng() % live.size()));
                ASSERT_EQ(sen_index_delete(w, it->first.c_str()), sen_success);
                live.erase(it);
            } else {
                std::string key = std::to_string(next_key++);
                std::string text = text_of(2 + rng() % 12);
                ASSERT_EQ(sen_index_put(w, key.c_str(), "/p", 2, text.data(), text.size()),
                          sen_success);
                live[key] = text;
            }
        }
        ASSERT_EQ(sen_index_publish(w), sen_success);
        for (int q = 0; q < 25; ++q) {
            std::string term = text_of(1 + rng() % 5);
            Keys_ found = Keys("\"" + term + "\"");
            for (const std::string& key : found)
                EXPECT_TRUE(live.count(key)) << "removed " << key << " found by " << term;
            Keys_ others;  // holding "a" but not term
            for (const auto& [key, text] : live) {
                if (text.find(term) == std::string::npos) {
                    if (text.find('a') != std::string::npos) others.push_back(key);
                    continue;
                }
                EXPECT_NE(std::find(found.begin(), found.end(), key), found.end())
                    << "round " << round << ": " << key << " (" << text << ") lost for " << term;
            }
            EXPECT_EQ(Keys("\"a\" -\"" + term + "\""), Numeric(others))
                << "round " << round << ": " << term;
        }
    }
}

// Latin terms come from the word lexicon, which must give exactly the documents whose path
// or text holds the term: random words over few letters (so most letter pairs are in most
// documents), runs longer than a lexicon piece, a fresh build, then copies that add and
// remove documents; also under NOT, where a set holding more would lose true hits.
TEST_P(SennaSessionsTest, LatinTermsFindExactlyTheDocumentsHoldingThem) {
    std::mt19937 rng(20261211);
    const std::string letters = "abrk";
    auto word = [&](size_t length) {
        std::string w;
        for (size_t k = 0; k < length; ++k) w += letters[rng() % letters.size()];
        return w;
    };
    auto text_of = [&]() {
        std::string t;
        int n = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < n; ++k) {
            size_t length = rng() % 9 == 0 ? 60 + rng() % 120 : 1 + rng() % 8;
            t += word(length);
            t += rng() % 4 == 0 ? "甲" : " ";  // words end at any other character
        }
        return t;
    };
    std::map<std::string, std::pair<std::string, std::string>> live;  // key -> path, text
    int next_key = 1;
    for (int round = 0; round < 3; ++round) {
        sen_index* w = sen_index_create_next(path_.c_str(), round > 0);
        ASSERT_NE(w, nullptr);
        for (int n = 0; n < 60; ++n) {
            if (round > 0 && !live.empty() && rng() % 4 == 0) {
                auto it = std::next(live.begin(), static_cast<long>(rng() % live.size()));
                ASSERT_EQ(sen_index_delete(w, it->first.c_str()), sen_success);
                live.erase(it);
                continue;
            }
            std::string key = std::to_string(next_key++);
            std::string path = "/d/" + word(1 + rng() % 5);
            std::string text = text_of();
            ASSERT_EQ(sen_index_put(w, key.c_str(), path.data(), path.size(), text.data(),
                                    text.size()),
                      sen_success);
            live[key] = {path, text};
        }
        ASSERT_EQ(sen_index_publish(w), sen_success);
        for (int q = 0; q < 40; ++q) {
            // Lengths around the piece step, so terms cross piece boundaries of long runs.
            std::string term = word(q % 5 == 4 ? 28 + rng() % 5 : 2 + rng() % 6);
            Keys_ holding, others;
            for (const auto& [key, doc] : live)
                (doc.first.find(term) != std::string::npos ||
                         doc.second.find(term) != std::string::npos
                     ? holding
                     : others)
                    .push_back(key);
            EXPECT_EQ(Keys("\"" + term + "\""), Numeric(holding)) << "round " << round << ": " << term;
            EXPECT_EQ(Keys("\"d\" -\"" + term + "\""), Numeric(others)) << term;
        }
    }
}

TEST_F(SennaTest, KeyBufferIsCut) {
    Build({{"12345678", "/p", "word"}});
    sen_index* i = sen_index_open(path_.c_str());
    ASSERT_NE(i, nullptr);
    sen_records* r = sen_records_open(sen_rec_document, sen_rec_none, 0);
    sen_query* q = sen_query_open("word", 4, sen_sel_and, 10, sen_enc_utf8);
    ASSERT_EQ(sen_query_exec(i, q, r, sen_sel_or), sen_success);
    char buf[5];
    EXPECT_EQ(sen_records_next(r, buf, sizeof buf, nullptr), 8);
    EXPECT_STREQ(buf, "1234");
    EXPECT_EQ(sen_records_next(r, buf, sizeof buf, nullptr), 0);
    sen_query_close(q);
    sen_records_close(r);
    sen_index_close(i);
}

}  // namespace
