#include "file_reading.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavro {

InputFile::~InputFile() {
    if (file_) std::fclose(file_);
}

void InputFile::Fail(int err) {
    error_ = std::strerror(err ? err : EIO);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool InputFile::Open() {
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
    return true;
}

std::span<const std::uint8_t> InputFile::Read(std::size_t maxBytes) {
    if (!file_) return {};
    if (buffer_.size() < maxBytes) buffer_.resize(maxBytes);
    const std::size_t n = std::fread(buffer_.data(), 1, maxBytes, file_);
    if (n < maxBytes) {
        if (std::ferror(file_)) {
            Fail(errno);
        } else {
            std::fclose(file_);
            file_ = nullptr;
        }
    }
    return {buffer_.data(), n};
}

bool ReadSelection(Session& session, const std::vector<SelectionEntry>& files, ReadObserver& observer,
                   std::size_t sliceBytes) {
    session.BeginSelection();
    for (const SelectionEntry& entry : files) {
        if (!observer.FileStarting(entry.path)) return false;
        session.BeginFile(entry.path, entry.kind);
        InputFile file(entry.path);
        if (file.Open()) {
            while (true) {
                session.Feed(file.Read(sliceBytes));
                if (file.Done()) break;
                if (!observer.SliceDone()) return false;
            }
        }
        // The records read so far stay; the frame or line cut off by the end is read too.
        session.EndFile(file.Error());
        observer.FileDone(entry.path);
    }
    session.EndSelection();
    return true;
}

}  // namespace tavro
