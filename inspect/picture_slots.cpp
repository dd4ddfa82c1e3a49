#include "picture_slots.h"

#include <cstdio>

namespace framestow::inspect {

std::string slot_name(const BitmapTable& table, std::size_t row) {
    if (!table.rows[row].comment_name.empty()) {
        return table.rows[row].comment_name;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%s_%03zu", table.app_id.substr(0, 8).c_str(), row + 1);
    return name;
}

std::vector<Slot> slots_of(const MappingSource& source) {
    std::vector<Slot> slots;
    for (const BitmapTable& table : source.tables) {
        if (table.zero_count) {
            continue;
        }
        for (std::size_t row = 0; row < table.rows.size(); ++row) {
            Slot slot;
            slot.app_id = table.app_id;
            slot.app = app_number(table.app_id).value_or(0);
            slot.picture = static_cast<int>(row + 1);
            slot.name = slot_name(table, row);
            slot.package = table.package;
            slot.offset = table.rows[row].offset;
            slot.size = table.rows[row].size;
            slot.line = table.rows[row].line;
            slots.push_back(std::move(slot));
        }
    }
    return slots;
}

}  // namespace framestow::inspect
