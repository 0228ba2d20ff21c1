#include "file_reading.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavro {

InputKind KindForPath(const std::string& path) {
    if (path.size() < 4) return InputKind::Kiss;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".log" ? InputKind::Log : InputKind::Kiss;
}

namespace {
std::variant<KissReader, LogReader> MakeReader(TelemetryStore& store, InputKind kind) {
    if (kind == InputKind::Log) return std::variant<KissReader, LogReader>(std::in_place_type<LogReader>, store);
    return std::variant<KissReader, LogReader>(std::in_place_type<KissReader>, store);
}
}  // namespace

InputFileReader::InputFileReader(TelemetryStore& store, InputKind kind, std::string path)
    : path_(std::move(path)), reader_(MakeReader(store, kind)) {}

InputFileReader::~InputFileReader() {
    if (file_) std::fclose(file_);
}

void InputFileReader::Fail(int err) {
    error_ = std::strerror(err ? err : EIO);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool InputFileReader::Open() {
    // Not blocking on open: a pipe nobody writes to reads as an empty file
    // instead of hanging the window. Reads block as usual afterwards.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 || !(file_ = ::fdopen(fd, "rb"))) {
        const int err = errno;
        if (fd >= 0) ::close(fd);
        Fail(err);
        return false;
    }
    struct stat st {};
    if (fstat(fileno(file_), &st) == 0 && S_ISDIR(st.st_mode)) {
        Fail(EISDIR);
        return false;
    }
    buffer_.resize(kSliceBytes);
    return true;
}

bool InputFileReader::ReadSlice(std::size_t maxBytes) {
    if (!file_) return false;
    if (buffer_.size() < maxBytes) buffer_.resize(maxBytes);
    const std::size_t n = std::fread(buffer_.data(), 1, maxBytes, file_);
    bytesRead_ += n;
    std::visit([&](auto& r) { r.Feed(std::span<const std::uint8_t>(buffer_.data(), n)); }, reader_);
    if (n == maxBytes) return true;
    if (std::ferror(file_)) {
        Fail(errno);
    } else {
        std::fclose(file_);
        file_ = nullptr;
    }
    // The records read so far stay; the frame or line cut off by the end is read too.
    std::visit([](auto& r) { r.Finish(); }, reader_);
    return false;
}

std::string CannotReadText(const std::string& path, const std::string& reason) {
    return "cannot read " + path + ": " + reason;
}

SelectionResult ReadSelection(TelemetryStore& store, const std::vector<SelectionEntry>& files, ReadObserver& observer,
                              std::size_t sliceBytes) {
    SelectionResult result;
    store.ResetForOpen();
    for (const SelectionEntry& entry : files) {
        store.InputFilePath = entry.path;
        if (!observer.FileStarting(entry.path)) {
            result.stopped = true;
            return result;
        }
        InputFileReader reader(store, entry.kind, entry.path);
        if (reader.Open()) {
            while (reader.ReadSlice(sliceBytes)) {
                if (!observer.SliceDone()) {
                    result.stopped = true;
                    return result;
                }
            }
        }
        if (!reader.Error().empty()) result.failures.push_back(CannotReadText(entry.path, reader.Error()));
        observer.FileDone(entry.path, reader.Error());
    }
    return result;
}

std::string SummaryText(const TelemetryStore& store, std::size_t unreadableFiles) {
    return std::to_string(store.table.RecordCount()) + " records decoded, " +
           std::to_string(store.table.FramesNotStored()) + " frames not stored (table full), " +
           std::to_string(unreadableFiles) + " files could not be read";
}

}  // namespace tavro
