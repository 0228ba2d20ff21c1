// The session's inner parts, shared by its source files.
#pragma once

#include <string>
#include <variant>

#include "archive_feed.h"
#include "archive_writer.h"
#include "growing_file.h"
#include "kiss_reader.h"
#include "log_reader.h"
#include "satnogs_reader.h"
#include "session.h"

namespace tavro {

struct Session::FileReader {
    std::variant<KissReader, LogReader, SatnogsReader> reader;
    // The table's counts when the file began, for the file's own counts.
    int stored = 0;
    long long notStored = 0, duplicates = 0;
};

struct Session::Live {
    StreamOptions options;
    GrowingFile recording;
    std::string held;  // the bytes of the frame in progress, up to kRecordedFrameBytes
    std::unique_ptr<GrowingFile> csv;
    int csvRows = 0;  // records written to the CSV
};

struct Session::ArchiveSide {
    std::string location;
    ArchiveWriter writer;
    ArchiveFeed feed;
    int ticket = -1;           // of the file or stream being read
    std::vector<int> tickets;  // of the files ended, one per report
};

}  // namespace tavro
