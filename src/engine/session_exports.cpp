// The session's exports: each one names its file, builds its text from the
// records and writes it with the safety rules of WriteFileAtomically.
#include "atomic_file.h"
#include "csv_writer.h"
#include "dump_writer.h"
#include "output_path.h"
#include "picture_path.h"
#include "session.h"
#include "tlm_writer.h"

namespace tavro {

std::string ExportResult::StatusText() const {
    if (path.empty()) return "no input file";
    return ok ? path + " has been written" : path + " could not be written: " + error;
}

// The files of the selection are never replaced, whatever name points at them.
ExportResult Session::Export(const std::string& path, std::string_view contents) const {
    const WriteResult written = WriteFileAtomically(path, contents, files_);
    return {written.ok, path, written.error};
}

ExportResult Session::Export(const std::string& path, const std::function<std::string_view()>& pieces) const {
    const WriteResult written = WriteFileAtomically(path, pieces, files_);
    return {written.ok, path, written.error};
}

std::string Session::TargetPath(const std::string& path, const char* extension) const {
    if (!path.empty() || inputFilePath_.empty()) return path;
    return DefaultOutputPath(inputFilePath_, extension, files_);
}

ExportResult Session::ExportCsv(const std::string& path) const {
    const std::string target = TargetPath(path, ".csv");
    if (target.empty()) return {false, {}, "no input file"};
    CsvPieces pieces(table_, separator_);  // written as it is made
    return Export(target, [&pieces] { return pieces.Next(); });
}

ExportResult Session::ExportTlm(int index, const std::string& path) const {
    const std::string target = TargetPath(path, ".tlm");
    if (target.empty()) return {false, {}, "no input file"};
    return Export(target, TlmText(DisplayTexts(index)));
}

ExportResult Session::ExportDump(const std::string& path) const { return Export(path, DumpText(table_)); }

ExportResult Session::SavePicture(const std::string& imageFolder, std::string_view bitmap) const {
    return Export(UnusedPicturePath(PicturePath(imageFolder, inputFilePath_)), bitmap);
}

}  // namespace tavro
