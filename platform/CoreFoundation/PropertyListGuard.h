// Checks that a property-list file is safe to hand to libplist: its parsers recurse once per
// nesting level and expand every reference of a binary list anew, so a small hostile file could
// otherwise overflow the stack or take exponential time and memory.
#pragma once

#include <cstddef>
#include <string_view>

namespace MacPlatform {

constexpr size_t kMaxPropertyListDepth = 512;
// Objects after expanding shared references of a binary list.
constexpr size_t kMaxPropertyListObjects = size_t{1} << 20;

// False when the bytes nest deeper, or a binary list expands further, than the limits above,
// or the binary structure is inconsistent.
bool propertyListIsSafeToParse(std::string_view bytes);

} // namespace MacPlatform
