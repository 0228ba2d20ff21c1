// Files as a source of the session: a selection is read file by file, in
// slices, as the window's open commands and tavro-cli both do it:
//   BeginSelection, then for each file BeginFile, Feed slice by slice,
//   EndFile (with the reason if it could not be read); EndSelection.
// A file that cannot be read is reported and the others are still read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "session.h"

namespace tavro {

// One file's bytes, slice by slice; open only while it is read.
class InputFile {
public:
    static constexpr std::size_t kSliceBytes = 64 * 1024;

    explicit InputFile(std::string path) : path_(std::move(path)) {}
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False when the file cannot be opened; Error() says why.
    bool Open();
    // The next slice of up to maxBytes; empty at the end (Done()) or on a failure.
    std::span<const std::uint8_t> Read(std::size_t maxBytes = kSliceBytes);
    bool Done() const { return file_ == nullptr; }

    const std::string& Error() const { return error_; }  // empty: no failure

private:
    void Fail(int err);

    std::string path_;
    std::FILE* file_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    std::string error_;
};

struct SelectionEntry {
    std::string path;
    InputKind kind;
};

// Called around and between the slices of a selection.
class ReadObserver {
public:
    virtual ~ReadObserver() = default;
    // Before each file is opened; false stops the whole selection (the window closing).
    virtual bool FileStarting(const std::string& /*path*/) { return true; }
    // After every slice; false stops the whole selection.
    virtual bool SliceDone() { return true; }
    // After each file, read to its end or not.
    virtual void FileDone(const std::string& /*path*/) {}
};

// false: an observer stopped the read.
bool ReadSelection(Session& session, const std::vector<SelectionEntry>& files, ReadObserver& observer,
                   std::size_t sliceBytes = InputFile::kSliceBytes);

}  // namespace tavro
