#include "search/index_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>

#include "platform/program_files.h"
#include "search/normalize.h"
#include "text/app_error.h"
#include "text/record_field.h"
#include "text/text_file.h"
#include "text/text_rules.h"
#include "text/utf8.h"

namespace index_files {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

FileIdentity IdentityOfStat(const struct stat& st) {
    FileIdentity id;
    id.size = static_cast<int64_t>(st.st_size);
    id.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    id.inode = static_cast<uint64_t>(st.st_ino);
    return id;
}

// Reads up to n bytes at offset; returns the bytes read before the end or an error.
size_t ReadAt(int fd, char* out, size_t n, int64_t offset) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return 0;  // a failed read counts as nothing read
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool WriteAllAt(int fd, const struct iovec* parts, int count, int64_t offset) {
    struct iovec local[2];
    for (int i = 0; i < count; ++i) local[i] = parts[i];
    int first = 0;
    while (first < count) {
        ssize_t n = ::pwritev(fd, local + first, count - first, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        offset += n;
        size_t left = static_cast<size_t>(n);
        while (first < count && left >= local[first].iov_len) {
            left -= local[first].iov_len;
            ++first;
        }
        if (first < count) {
            local[first].iov_base = static_cast<char*>(local[first].iov_base) + left;
            local[first].iov_len -= left;
        }
    }
    return true;
}

// A block as the catalogues store it: valid UTF-8, cut at a character boundary.
std::string StorableBlock(std::string_view block, size_t limit) {
    std::string text = IsValidUtf8(block) ? std::string(block) : RepairUtf8(block);
    text.resize(CutAtCharBoundary(text, limit));
    return text;
}

struct Cache {
    std::mutex mutex;
    std::string path;
    std::shared_ptr<const InformationFile> file;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

}  // namespace

std::string InformationFileName() { return program_files::kInformationFile; }

std::string DisplayCatalogueName(int32_t n) {
    return program_files::kDisplayCataloguePrefix + std::to_string(n) +
           program_files::kCatalogueSuffix;
}

std::string FoldedCatalogueName(int32_t n) {
    return program_files::kFoldedCataloguePrefix + std::to_string(n) +
           program_files::kCatalogueSuffix;
}

bool IsStorableField(std::string_view text) {
    if (text.find(kFieldSeparator) != std::string_view::npos) return false;
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
    if (!text.empty() && text.back() == ';') return false;
    return IsValidUtf8(text);
}

std::optional<std::string> FormatDocumentLine(const DocumentLine& doc) {
    if (!IsStorableField(doc.path) || !IsStorableField(doc.date) || !IsStorableField(doc.extra))
        return std::nullopt;
    std::string line;
    line.reserve(doc.path.size() + doc.date.size() + doc.extra.size() + 64);
    line += doc.path;
    for (const std::string& field : {doc.date, doc.extra, std::to_string(doc.size),
                                     std::to_string(doc.catalogue), std::to_string(doc.path_length),
                                     std::to_string(doc.text_length), std::to_string(doc.offset)}) {
        line += kFieldSeparator;
        line += field;
    }
    return line;
}

DocumentLine ParseDocumentLine(std::string_view line) {
    DocumentLine doc;
    doc.path = std::string(RecordField(line, 0));
    doc.date = std::string(RecordField(line, 1));
    doc.extra = std::string(RecordField(line, 2));
    doc.size = ReadDecimal(RecordField(line, 3));
    doc.catalogue = ReadDecimal(RecordField(line, 4));
    doc.path_length = ReadDecimal(RecordField(line, 5));
    doc.text_length = ReadDecimal(RecordField(line, 6));
    doc.offset = ReadDecimal(RecordField(line, 7));
    return doc;
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return IdentityOfStat(st);
}

std::string_view InformationFile::line(size_t i) const {
    const Entry& e = entries_[i];
    return std::string_view(text_).substr(e.start, e.length);
}

std::string_view InformationFile::path(size_t i) const {
    const Entry& e = entries_[i];
    return std::string_view(text_).substr(e.start, e.path_length_in_line);
}

std::shared_ptr<const InformationFile> InformationFile::Parse(std::string bytes,
                                                              std::optional<FileIdentity> id) {
    auto file = std::make_shared<InformationFile>();
    size_t skip = std::string_view(bytes).substr(0, kBom.size()) == kBom ? kBom.size() : 0;
    if (!IsValidUtf8(std::string_view(bytes).substr(skip))) throw AppError(kUtf8MappingError);
    file->text_ = std::move(bytes);
    file->identity_ = id;
    std::string_view text = file->text_;
    size_t start = skip;
    size_t n = text.size();
    auto add = [&](size_t begin, size_t end) {
        Entry e;
        e.start = begin;
        e.length = end - begin;
        std::string_view line = text.substr(begin, end - begin);
        e.path_length_in_line = RecordField(line, 0).size();
        e.catalogue = ReadDecimal(RecordField(line, 4));
        e.path_length = ReadDecimal(RecordField(line, 5));
        e.text_length = ReadDecimal(RecordField(line, 6));
        e.offset = ReadDecimal(RecordField(line, 7));
        file->entries_.push_back(e);
    };
    for (size_t i = skip; i < n; ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        add(start, i);
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < n) add(start, n);
    return file;
}

std::shared_ptr<const InformationFile> LoadInformationFile(const std::string& path) {
    static const std::shared_ptr<const InformationFile> kNoFile =
        InformationFile::Parse(std::string(), std::nullopt);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kNoFile;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kNoFile;
    }
    FileIdentity id = IdentityOfStat(st);
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.file && cache.path == path && cache.file->identity() == id) {
        ::close(fd);
        return cache.file;
    }
    // The identity is that of the opened file, so the text read belongs to it even when the
    // indexer renames a new file over the name meanwhile.
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t got = ReadAt(fd, bytes.data(), bytes.size(), 0);
    ::close(fd);
    if (got != bytes.size()) return kNoFile;
    auto file = InformationFile::Parse(std::move(bytes), id);
    cache.path = path;
    cache.file = file;
    return file;
}

CatalogueReader::~CatalogueReader() { Close(); }

bool CatalogueReader::Open(const std::string& file) {
    Close();
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

void CatalogueReader::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

RecordSizes CatalogueReader::Read(int64_t offset, int32_t path_length, int32_t text_length,
                                  char* head, size_t head_capacity, char* body,
                                  size_t body_capacity) const {
    RecordSizes sizes;
    if (fd_ < 0 || offset < 0) return sizes;
    size_t head_want =
        path_length > 0 ? std::min(static_cast<size_t>(path_length), head_capacity) : 0;
    size_t body_want =
        text_length > 0 ? std::min(static_cast<size_t>(text_length), body_capacity) : 0;
    if (head_want == static_cast<size_t>(std::max(path_length, 0))) {
        // The two blocks lie side by side in the file: one read fills both buffers.
        struct iovec parts[2] = {{head, head_want}, {body, body_want}};
        struct iovec* part = parts;
        int count = 2;
        size_t done = 0;
        bool failed = false;
        while (count > 0) {
            if (part->iov_len == 0) {
                ++part;
                --count;
                continue;
            }
            ssize_t got = ::preadv(fd_, part, count, static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR) continue;
                failed = true;  // a failed read counts as nothing read
                break;
            }
            if (got == 0) break;
            done += static_cast<size_t>(got);
            size_t left = static_cast<size_t>(got);
            while (count > 0 && left >= part->iov_len) {
                left -= part->iov_len;
                ++part;
                --count;
            }
            if (count > 0) {
                part->iov_base = static_cast<char*>(part->iov_base) + left;
                part->iov_len -= left;
            }
        }
        sizes.head = std::min(done, head_want);
        if (failed && sizes.head < head_want) sizes.head = 0;
        sizes.body = failed ? 0 : done - sizes.head;
        return sizes;
    }
    sizes.head = ReadAt(fd_, head, head_want, offset);
    sizes.body = ReadAt(fd_, body, body_want, offset + path_length);
    return sizes;
}

CatalogueWriter::~CatalogueWriter() {
    if (display_fd_ >= 0) ::close(display_fd_);
    if (folded_fd_ >= 0) ::close(folded_fd_);
}

void CatalogueWriter::Open(const std::string& display_file, const std::string& folded_file,
                           bool truncate) {
    if (is_open()) Close();
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    int display = ::open(display_file.c_str(), flags, 0644);
    if (display < 0) throw AppError(CannotWriteMessage(display_file));
    int folded = ::open(folded_file.c_str(), flags, 0644);
    if (folded < 0) {
        ::close(display);
        throw AppError(CannotWriteMessage(folded_file));
    }
    struct stat a, b;
    if (::fstat(display, &a) != 0 || ::fstat(folded, &b) != 0 || a.st_size != b.st_size) {
        ::close(display);
        ::close(folded);
        throw AppError(CannotWriteMessage(folded_file));
    }
    display_fd_ = display;
    folded_fd_ = folded;
    size_ = static_cast<int64_t>(a.st_size);
    display_name_ = display_file;
    folded_name_ = folded_file;
}

void CatalogueWriter::Close() {
    if (!is_open()) return;
    bool display_ok = ::fsync(display_fd_) == 0;
    display_ok = ::close(display_fd_) == 0 && display_ok;
    bool folded_ok = ::fsync(folded_fd_) == 0;
    folded_ok = ::close(folded_fd_) == 0 && folded_ok;
    display_fd_ = folded_fd_ = -1;
    if (!display_ok) throw AppError(CannotWriteMessage(display_name_));
    if (!folded_ok) throw AppError(CannotWriteMessage(folded_name_));
}

std::optional<RecordPlacement> CatalogueWriter::Append(std::string_view path_block,
                                                       std::string_view text_block) {
    if (!is_open()) throw AppError(CannotWriteMessage(display_name_));
    if (size_ > INT32_MAX) return std::nullopt;
    std::string path = StorableBlock(path_block, kMaxPathBlock);
    std::string text = StorableBlock(text_block, kMaxTextBlock);
    std::string folded_path = FoldedCopy(path);
    std::string folded_text = FoldedCopy(text);
    // Valid UTF-8 folds without changing any length; the record layout depends on it.
    if (folded_path.size() != path.size() || folded_text.size() != text.size())
        throw AppError(CannotWriteMessage(folded_name_));
    struct iovec display[2] = {{path.data(), path.size()}, {text.data(), text.size()}};
    struct iovec folded[2] = {{folded_path.data(), folded_path.size()},
                              {folded_text.data(), folded_text.size()}};
    if (!WriteAllAt(display_fd_, display, 2, size_))
        throw AppError(CannotWriteMessage(display_name_));
    if (!WriteAllAt(folded_fd_, folded, 2, size_)) throw AppError(CannotWriteMessage(folded_name_));
    RecordPlacement placement;
    placement.offset = static_cast<int32_t>(size_);
    placement.path_length = static_cast<int32_t>(path.size());
    placement.text_length = static_cast<int32_t>(text.size());
    size_ += static_cast<int64_t>(path.size() + text.size());
    return placement;
}

namespace {
// Written a megabyte at a time: the file of a large index is not held in memory.
constexpr size_t kInformationChunkBytes = 1u << 20;
}  // namespace

InformationFileWriter::InformationFileWriter(std::string staged_file)
    : file_(std::move(staged_file)) {
    fd_ = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw AppError(CannotWriteMessage(file_));
    pending_.reserve(kInformationChunkBytes);
}

InformationFileWriter::~InformationFileWriter() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(file_.c_str());
}

void InformationFileWriter::Append(std::string_view line) {
    pending_ += line;
    pending_ += "\r\n";
    ++lines_;
    if (pending_.size() >= kInformationChunkBytes) WriteOut();
}

void InformationFileWriter::WriteOut() {
    struct iovec part = {pending_.data(), pending_.size()};
    if (!WriteAllAt(fd_, &part, 1, at_)) throw AppError(CannotWriteMessage(file_));
    at_ += static_cast<int64_t>(pending_.size());
    pending_.clear();
}

FileIdentity InformationFileWriter::Finish() {
    WriteOut();
    struct stat st;
    bool ok = ::fsync(fd_) == 0 && ::fstat(fd_, &st) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (!ok) {
        ::unlink(file_.c_str());
        throw AppError(CannotWriteMessage(file_));
    }
    return IdentityOfStat(st);
}

FileIdentity WriteStagedInformationFile(const std::string& staged_file,
                                        const std::vector<std::string>& lines) {
    InformationFileWriter writer(staged_file);
    for (const std::string& line : lines) writer.Append(line);
    return writer.Finish();
}

void PublishInformationFile(const std::string& staged_file, const std::string& final_file) {
    if (::rename(staged_file.c_str(), final_file.c_str()) != 0)
        throw AppError(CannotWriteMessage(final_file));
}

}  // namespace index_files
