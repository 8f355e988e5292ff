// Letting go of the pages of mapped index files. Groonga maps the files of a database and
// keeps every page it touched resident, so a process writing a large index would hold the
// whole index in memory. Dropping those pages from the process is safe for shared file
// mappings: what was written stays in the page cache and reaches the file, and a page read
// again is mapped again from there. Private and anonymous mappings are never touched.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace senna {

// Drops from this process the resident pages of the shared mappings of files inside dir (an
// absolute path without symbolic links). The caller must be the only one that maps or
// unmaps those files meanwhile. Returns the bytes of mappings advised.
size_t DropMappedPages(const std::string& dir);

// Bytes of this process's memory that map files (libraries included), as the kernel
// counts them; 0 when unknown.
size_t MappedResidentBytes();

// Asks the kernel to page out the resident pages of those mappings. Unlike dropping, this
// never loses data whatever the range holds by then, so another thread may be writing the
// files meanwhile, and even unmapping them.
size_t PageOutMappedPages(const std::string& dir);

// While it lives, pages out the mappings of dir every interval on a thread of its own: for
// a long call into Groonga that maps much of an index at once.
class MappedPagesWatch {
  public:
    MappedPagesWatch(std::string dir, std::chrono::milliseconds interval);
    ~MappedPagesWatch();
    MappedPagesWatch(const MappedPagesWatch&) = delete;
    MappedPagesWatch& operator=(const MappedPagesWatch&) = delete;

  private:
    std::string dir_;
    std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace senna
