#include "archive_columns.h"

namespace tavro {

std::string_view SourceKindText(SourceKind kind) {
    switch (kind) {
    case SourceKind::KissFile: return "kiss";
    case SourceKind::LogFile: return "log";
    case SourceKind::SatnogsFile: return "satnogs";
    case SourceKind::KissTcp: return "kiss-tcp";
    case SourceKind::KissSerial: return "kiss-serial";
    case SourceKind::SatnogsDb: return "satnogs-db";
    }
    return "kiss";
}

std::optional<SourceKind> SourceKindOf(std::string_view text) {
    for (SourceKind k : {SourceKind::KissFile, SourceKind::LogFile, SourceKind::SatnogsFile, SourceKind::KissTcp,
                         SourceKind::KissSerial, SourceKind::SatnogsDb})
        if (SourceKindText(k) == text) return k;
    return std::nullopt;
}

std::string_view LayoutText(RecordLayout layout) { return layout == RecordLayout::Log ? "log" : "kiss"; }

std::string ChannelColumnName(std::string_view catalogueName) {
    std::string out;
    bool inRun = false;
    for (char c : catalogueName) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum) {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            inRun = false;
        } else if (!inRun) {
            out += '_';
            inRun = true;
        }
    }
    return out;
}

const std::array<std::string, kChannelCount>& ChannelColumns() {
    static const std::array<std::string, kChannelCount> columns = [] {
        std::array<std::string, kChannelCount> c;
        for (int i = 0; i < kChannelCount; ++i)
            c[static_cast<std::size_t>(i)] = ChannelColumnName(ChannelCatalogue[static_cast<std::size_t>(i)].name);
        return c;
    }();
    return columns;
}

}  // namespace tavro
