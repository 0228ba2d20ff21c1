// Reading a selection of input files into the table, in slices, as the
// window's open commands and tavro-cli both do it:
//   one reset, then for each file: InputFilePath = path, read it (KISS or log);
//   a file that cannot be read is reported and the others are still read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "kiss_reader.h"
#include "log_reader.h"
#include "record_table.h"

namespace tavro {

enum class InputKind { Kiss, Log };

// ".log" (any case) is a log, anything else a KISS capture.
InputKind KindForPath(const std::string& path);

struct SelectionEntry {
    std::string path;
    InputKind kind;
};

// One file, read slice by slice; the file is open only while it is read.
class InputFileReader {
public:
    static constexpr std::size_t kSliceBytes = 64 * 1024;

    InputFileReader(TelemetryStore& store, InputKind kind, std::string path);
    ~InputFileReader();
    InputFileReader(const InputFileReader&) = delete;
    InputFileReader& operator=(const InputFileReader&) = delete;

    // False when the file cannot be opened; Error() says why.
    bool Open();
    // Reads and decodes up to maxBytes; false once the file is done or failed.
    bool ReadSlice(std::size_t maxBytes = kSliceBytes);

    const std::string& Error() const { return error_; }  // empty: no failure
    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    void Fail(int err);

    std::string path_;
    std::variant<KissReader, LogReader> reader_;
    std::FILE* file_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bytesRead_ = 0;
    std::string error_;
};

// "cannot read /x/y.kss: No such file or directory"
std::string CannotReadText(const std::string& path, const std::string& reason);

// Called around and between the slices of a selection.
class ReadObserver {
public:
    virtual ~ReadObserver() = default;
    // Before each file is opened; false stops the whole selection (the window closing).
    virtual bool FileStarting(const std::string& /*path*/) { return true; }
    // After every slice; false stops the whole selection.
    virtual bool SliceDone() { return true; }
    // error empty: the file was read to its end.
    virtual void FileDone(const std::string& /*path*/, const std::string& /*error*/) {}
};

struct SelectionResult {
    std::vector<std::string> failures;  // CannotReadText of each file
    bool stopped = false;               // an observer stopped the read
};

SelectionResult ReadSelection(TelemetryStore& store, const std::vector<SelectionEntry>& files, ReadObserver& observer,
                              std::size_t sliceBytes = InputFileReader::kSliceBytes);

// "250 records decoded, 0 frames not stored (table full), 0 files could not be read"
std::string SummaryText(const TelemetryStore& store, std::size_t unreadableFiles);

}  // namespace tavro
