// Symbol visibility for libxel. The library is built with hidden visibility by
// default; only declarations marked XEL_EXPORT form its public ABI.
#pragma once

#define XEL_EXPORT __attribute__((visibility("default")))
