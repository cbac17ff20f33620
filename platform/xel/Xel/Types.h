// Scalar vocabulary shared by the whole framework.
#pragma once

#include <cstdint>

namespace Xel {

using U8 = std::uint8_t;
using U16 = std::uint16_t;
using U32 = std::uint32_t;
using U64 = std::uint64_t;

// The number of an attribute within its type. Ids below 258 belong to the
// framework's own bases; a generated type numbers its members from 258 up.
using AttributeId = unsigned int;

}  // namespace Xel
