// The names the archive's tables and views give things, shared by every
// store: a channel's column is its catalogue name in lower case, every run
// of other characters one "_" ("MagX sample T" -> "magx_sample_t",
// "tot sys curr" -> "tot_sys_curr").
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "archive.h"

namespace tavro {

inline constexpr int kArchiveSchemaVersion = 2;

std::string ChannelColumnName(std::string_view catalogueName);
// The 47 column names by channel number.
const std::array<std::string, kChannelCount>& ChannelColumns();

// "kiss" / "log", as the view beacons shows a layout.
std::string_view LayoutText(RecordLayout layout);
std::optional<SourceKind> SourceKindOf(std::string_view text);

}  // namespace tavro
