// The state of the main window: a plain struct owned by TForm1 and handed to the GUI-free
// operations (search, ordering, page writers, navigation, schedule, document actions).
// Plain data with no behaviour beyond its buffers, so every layer of the core may share it.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "state/term_group.h"

// A byte buffer allocated once at start-up; absent (null) when the allocation failed.
struct ByteBuffer {
    std::unique_ptr<char[]> data;
    size_t size = 0;

    void Allocate(size_t n) {
        data.reset(new (std::nothrow) char[n]);
        size = data ? n : 0;
    }
    bool present() const { return data != nullptr; }
};

inline constexpr size_t kBodyBufferSize = 5'000'010;
inline constexpr size_t kHeadBufferSize = 100'010;

struct ViewerState {
    // The current search.
    int32_t SortKey = 0;
    int32_t PageIndex = 0;
    int32_t PageSize = 100;
    int32_t ElapsedMinutes = 0;
    int32_t MaxHits = 5000;
    int32_t FrameHeight = 120;
    std::string LastTickTime;
    std::string Keyword;
    std::vector<std::string> Results;            // hit records, ";;"-joined
    std::vector<std::string> CheckedCategories;
    std::vector<TermGroup> TermGroups;

    // Scratch buffers for one catalogue record: folded (Match*) and display (Show*) texts.
    ByteBuffer MatchBody;
    ByteBuffer ShowBody;
    ByteBuffer MatchHead;
    ByteBuffer ShowHead;

    std::string AppDir;                // executable folder with a trailing "/"
    std::string ReadmeDir;             // folder of the shipped README when not AppDir
    std::string PageTitle = "Ruvudar";
    std::string PathSeparator = "/";

    // Settings read from ruvudar.ini and daradiv.ini by LoadSettings.
    int32_t ScheduleType = 3;
    int32_t ScheduleDelay = 0;
    int32_t ScheduleHour = 0;
    int32_t ScheduleMinute = 0;
    std::vector<std::string> SearchDirs;  // "folder;;category" lines of [SearchDir]
    std::vector<std::string> Categories;  // distinct categories in order of first appearance

    // Allocates the four buffers, in the order MatchBody, ShowBody, MatchHead, ShowHead.
    void AllocateBuffers() {
        MatchBody.Allocate(kBodyBufferSize);
        ShowBody.Allocate(kBodyBufferSize);
        MatchHead.Allocate(kHeadBufferSize);
        ShowHead.Allocate(kHeadBufferSize);
    }

    // Every program file is AppDir + its name.
    std::string AppFile(const std::string& name) const { return AppDir + name; }
    // Every page is AppDir + "page" + PathSeparator + its name.
    std::string PageFile(const std::string& name) const {
        return AppDir + "page" + PathSeparator + name;
    }
};
