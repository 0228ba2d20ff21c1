#include "record_table.h"

namespace tavro {

void RecordTable::Reset() {
    records_.clear();
    notStored_ = 0;
}

TelemetryRecord* RecordTable::Append() {
    if (RecordCount() >= kCapacity) {
        ++notStored_;
        return nullptr;
    }
    if (records_.empty()) records_.reserve(kCapacity);  // one allocation; records never move while the table fills
    return &records_.emplace_back();
}

}  // namespace tavro
