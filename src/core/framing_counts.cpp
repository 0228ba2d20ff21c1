#include "framing_counts.h"

namespace tavro {

const std::array<FramingCount, 13> kFramingCounts{{
    {"bytes", &FramingReport::bytes},           {"frames", &FramingReport::frames},
    {"housekeeping", &FramingReport::housekeeping}, {"stamps text", &FramingReport::stampsText},
    {"stamps binary", &FramingReport::stampsBinary}, {"other", &FramingReport::other},
    {"junk", &FramingReport::junkBytes},        {"broken escapes", &FramingReport::brokenEscapes},
    {"cut", &FramingReport::cutFrames},         {"bad", &FramingReport::badEntries},
    {"stored", &FramingReport::stored},         {"not stored", &FramingReport::notStored},
    {"duplicates", &FramingReport::duplicates},
}};

void FramingReport::Add(const FramingReport& o) {
    for (const FramingCount& c : kFramingCounts) this->*c.member += o.*c.member;
}

}  // namespace tavro
