// Shared by the engine tests: bytes from hex text, and streams read into a
// session whole, cut in two at every position and byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dump_writer.h"
#include "session.h"

namespace tavro::test {

using Bytes = std::vector<std::uint8_t>;

// "C0 09 3A" -> {0xC0, 0x09, 0x3A}; blanks and line breaks between pairs are skipped.
inline Bytes Hex(std::string_view text) {
    Bytes out;
    auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' || text[i] == '\n') continue;
        out.push_back(static_cast<std::uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
        ++i;
    }
    return out;
}

inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// One selection of one file of kind, fed in slices that end at cuts.
inline std::unique_ptr<Session> Read(InputKind kind, std::span<const std::uint8_t> stream,
                                     const std::vector<std::size_t>& cuts = {}) {
    auto session = std::make_unique<Session>();
    session->BeginSelection();
    session->BeginFile("capture", kind);
    std::size_t from = 0;
    for (std::size_t cut : cuts) session->Feed(stream.subspan(from, cut - from)), from = cut;
    session->Feed(stream.subspan(from));
    session->EndFile();
    session->EndSelection();
    return session;
}

// Everything read: the time text left, then every record at full precision.
inline std::string Seen(const Session& s) { return s.CurrentTimeText() + "\n" + DumpText(s.Records()); }

// Reads stream whole, cut in two at every position and byte by byte: all must agree.
inline std::unique_ptr<Session> ReadAllWays(InputKind kind, std::span<const std::uint8_t> stream) {
    auto whole = Read(kind, stream);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < stream.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Seen(*Read(kind, stream, {k})), Seen(*whole)) << "cut at " << k;
    }
    EXPECT_EQ(Seen(*Read(kind, stream, everyByte)), Seen(*whole)) << "byte by byte";
    return whole;
}

}  // namespace tavro::test
