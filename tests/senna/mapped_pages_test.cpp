#include "senna/mapped_pages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr size_t kBytes = 64 * 4096;

// A file of kBytes in dir, mapped as asked; unmapped and closed at the end.
struct Mapped {
    Mapped(const std::string& path, int flags) {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(ftruncate(fd, kBytes), 0);
        p = static_cast<char*>(mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, flags, fd, 0));
        EXPECT_NE(p, MAP_FAILED);
    }
    ~Mapped() {
        munmap(p, kBytes);
        close(fd);
    }
    // Pages of the mapping present in this process's page table (not merely cached).
    size_t Resident() const {
        int pagemap = open("/proc/self/pagemap", O_RDONLY);
        uint64_t entries[kBytes / 4096] = {};
        off_t at = static_cast<off_t>(reinterpret_cast<uintptr_t>(p) / 4096 * 8);
        EXPECT_EQ(pread(pagemap, entries, sizeof entries, at), static_cast<ssize_t>(sizeof entries));
        close(pagemap);
        size_t n = 0;
        for (uint64_t e : entries) n += (e >> 63) & 1;
        return n;
    }
    int fd = -1;
    char* p = nullptr;
};

std::string RealDir(const fs::path& dir) {
    char real[PATH_MAX];
    return realpath(dir.c_str(), real) ? real : dir.string();
}

std::string FileBytes(int fd) {
    std::string s(kBytes, '\0');
    EXPECT_EQ(pread(fd, s.data(), s.size(), 0), static_cast<ssize_t>(kBytes));
    return s;
}

class MappedPagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("mapped_pages_" + std::to_string(getpid()));
        fs::create_directories(root_ / "gen");
        fs::create_directories(root_ / "gen2");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(MappedPagesTest, DroppedPagesKeepWhatWasWrittenAndOnlyTheFolderIsTouched) {
    Mapped shared((root_ / "gen" / "db.0").string(), MAP_SHARED);
    Mapped priv((root_ / "gen" / "db.1").string(), MAP_PRIVATE);
    Mapped other((root_ / "gen2" / "db.0").string(), MAP_SHARED);  // a name with gen as prefix
    std::string pattern(kBytes, '\0');
    for (size_t i = 0; i < kBytes; ++i) pattern[i] = static_cast<char>('a' + i % 23);
    std::memcpy(shared.p, pattern.data(), kBytes);
    std::memcpy(priv.p, pattern.data(), kBytes);
    std::memcpy(other.p, pattern.data(), kBytes);

    for (bool page_out : {false, true}) {
        SCOPED_TRACE(page_out ? "page out" : "drop");
        const size_t mapped_before = senna::MappedResidentBytes();
        size_t advised = page_out ? senna::PageOutMappedPages(RealDir(root_ / "gen"))
                                  : senna::DropMappedPages(RealDir(root_ / "gen"));
        EXPECT_EQ(advised, kBytes);  // the shared mapping in gen only
        if (!page_out) {
            EXPECT_EQ(shared.Resident(), 0u);
            EXPECT_LE(senna::MappedResidentBytes() + kBytes / 4, mapped_before);  // libraries may fault in
        }
        EXPECT_EQ(other.Resident(), kBytes / 4096);
        EXPECT_EQ(priv.Resident(), kBytes / 4096);
        // Written data survive in the mapping and reach the file; private copies stay.
        EXPECT_EQ(std::memcmp(shared.p, pattern.data(), kBytes), 0);
        EXPECT_EQ(FileBytes(shared.fd), pattern);
        EXPECT_EQ(std::memcmp(priv.p, pattern.data(), kBytes), 0);
        EXPECT_EQ(std::memcmp(other.p, pattern.data(), kBytes), 0);
    }
    EXPECT_EQ(senna::DropMappedPages(""), 0u);
}

TEST_F(MappedPagesTest, AWatchPagesOutWhileAnotherThreadWrites) {
    Mapped shared((root_ / "gen" / "db.0").string(), MAP_SHARED);
    {
        senna::MappedPagesWatch watch(RealDir(root_ / "gen"), std::chrono::milliseconds(1));
        for (int round = 0; round < 200; ++round)
            for (size_t i = 0; i < kBytes; i += 512) shared.p[i] = static_cast<char>(round);
    }
    for (size_t i = 0; i < kBytes; i += 512) ASSERT_EQ(shared.p[i], static_cast<char>(199));
    EXPECT_EQ(FileBytes(shared.fd)[kBytes - 512], static_cast<char>(199));
}

}  // namespace
