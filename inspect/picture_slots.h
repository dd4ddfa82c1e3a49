#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mapping_source.h"

// The picture slots that the firmware's tables hold: one for every row of every package table of
// BitmapMapping.cpp, placeholders included.
namespace framestow::inspect {

struct Slot {
    std::string app_id;  // A001
    int app = 0;         // 1; 0 when the table's name does not carry a number
    int picture = 0;     // the row's position from 1: the number the firmware asks for
    std::string name;    // the picture named by the row's comment, else Annn_ppp
    std::string package;
    uint64_t offset = 0;
    uint64_t size = 0;
    std::size_t line = 0;  // of its row in BitmapMapping.cpp

    bool placeholder() const { return size == 0; }
    // "gui01.bin A001_002.png": how problem lines name the slot.
    std::string label() const { return package + " " + name; }
};

// The picture a row stands for: the name in its comment, else Annn_ppp from its table and
// position.
std::string slot_name(const BitmapTable& table, std::size_t row);

// The slots in file order: package by package, application by application, row by row.
std::vector<Slot> slots_of(const MappingSource& source);

}  // namespace framestow::inspect
