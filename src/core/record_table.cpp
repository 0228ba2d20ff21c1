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
    return &records_.emplace_back();
}

}  // namespace tavro
