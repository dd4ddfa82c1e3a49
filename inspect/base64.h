#pragma once

#include <string>
#include <string_view>

// Bytes as base64 text (the standard alphabet, padded with '='), as a data URI holds them.
namespace framestow::inspect {

std::string base64(std::string_view bytes);

}  // namespace framestow::inspect
