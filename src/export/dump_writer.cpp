#include "dump_writer.h"

#include <charconv>
#include <cmath>

namespace tavro {

std::string EscapedUtf8(std::string_view latin1) {
    std::string out;
    for (char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default:
                if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    out += static_cast<char>(0xC0 | c >> 6);
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
    return out;
}

void AppendShortest(std::string& out, double v) {
    if (std::isnan(v)) {  // to_chars writes a NaN with its sign bit as "-nan"
        out += "nan";
        return;
    }
    char buf[32];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::string DumpText(const RecordTable& table) {
    std::string out = "record\ttime\tstamp1\tstamp2\tstamp3";
    for (const ChannelInfo& c : ChannelCatalogue) {
        out += '\t';
        out += c.name;
    }
    out += '\n';
    for (int k = 0; k < table.RecordCount(); ++k) {
        const TelemetryRecord& r = table[k];
        out += std::to_string(k + 1);
        out += '\t';
        out += EscapedUtf8(r.TimeText);
        for (double v : {r.StampValue1, r.StampValue2, r.StampValue3}) {
            out += '\t';
            AppendShortest(out, v);
        }
        for (double v : r.Channels) {
            out += '\t';
            AppendShortest(out, v);
        }
        out += '\n';
    }
    return out;
}

}  // namespace tavro
