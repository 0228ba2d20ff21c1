#include "framing_report.h"

#include <algorithm>

#include "output_path.h"

namespace tavro {

namespace {

std::vector<std::string> Cells(const std::string& name, const FramingReport& r) {
    std::vector<std::string> cells{name};
    for (const FramingCount& c : kFramingCounts) cells.push_back(std::to_string(r.*c.member));
    return cells;
}

}  // namespace

std::vector<std::vector<std::string>> ReportRows(const std::vector<FramingReport>& reports) {
    std::vector<std::string> header{"file"};
    for (const FramingCount& c : kFramingCounts) header.push_back(c.title);
    std::vector<std::vector<std::string>> rows{header};
    FramingReport total;
    for (const FramingReport& r : reports) {
        rows.push_back(Cells(FileNamePart(r.file) + (r.error.empty() ? "" : " (" + r.error + ")"), r));
        total.Add(r);
    }
    rows.push_back(Cells("total", total));
    return rows;
}

std::string AlignedTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    std::string out;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::string line;
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const std::string& cell = rows[r][c];
            const std::string pad(widths[c] - cell.size(), ' ');
            if (c > 0) line += "  ";
            // The file names and the header stand left, the numbers right.
            line += c == 0 || r == 0 ? cell + pad : pad + cell;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + '\n';
    }
    return out;
}

std::string NoRecordsText(const FramingReport& r) {
    if (r.stored > 0 || !r.error.empty()) return {};
    const std::string text = "no housekeeping frames in " + FileNamePart(r.file);
    std::string reason;
    if (r.bytes == 0) reason = "the file is empty";
    else if (r.housekeeping > 0 && r.duplicates == r.housekeeping) reason = "all were duplicates";
    else if (r.housekeeping > 0) reason = "the table is full";
    else if (r.frames == 0 && r.junkBytes > 0) reason = "no KISS frames: no FEND byte";
    else if (r.badEntries > 0 && r.badEntries >= r.other) reason = std::to_string(r.badEntries) + " bad lines or entries";
    else if (r.other > 0) reason = std::to_string(r.other) + " frames of other stations or types";
    else if (r.stampsText + r.stampsBinary > 0) reason = "only time stamp frames";
    return reason.empty() ? text : text + " (" + reason + ")";
}

std::string LiveStatusText(const std::string& server, const std::string& state, const FramingReport& counts,
                           const std::string& recordingPath, const std::string& recordingError) {
    std::string text = server + " " + state + "; " + std::to_string(counts.frames) + " frames, " +
                       std::to_string(counts.stored) + " records, " + std::to_string(counts.notStored) + " not stored";
    if (counts.notStored > 0) text += " (table full)";
    if (counts.duplicates > 0) text += ", " + std::to_string(counts.duplicates) + " duplicates";
    if (recordingPath.empty()) return text;  // not connected yet
    if (recordingError.empty()) return text + "; recording " + recordingPath;
    return text + "; recording to " + recordingPath + " failed: " + recordingError;
}

}  // namespace tavro
