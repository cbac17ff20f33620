// The framework's hash: 32-bit FNV-1a over bytes.
//
// Strings and value types all hash with it, so that a type built from text
// parts and address bytes mixes both alike. Hashes are for in-process
// tables only: they depend on the host's byte order and are never stored or
// sent.
#pragma once

#include <cstddef>

#include "Xel/Types.h"

namespace Xel {

inline constexpr U32 hashSeed = 2166136261u;

inline U32 hashBytes(void const* data, std::size_t size, U32 h = hashSeed) noexcept {
  auto const* bytes = static_cast<unsigned char const*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    h ^= bytes[i];
    h *= 16777619u;
  }
  return h;
}

// Folds the hash of one more part into the hash of the parts before it.
inline U32 hashCombine(U32 h, U32 part) noexcept {
  return hashBytes(&part, sizeof part, h);
}

}  // namespace Xel
