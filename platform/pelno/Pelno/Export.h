// Symbol visibility for libpelno. The library is built with hidden visibility
// by default; only declarations marked PELNO_EXPORT form its public ABI.
#pragma once

#define PELNO_EXPORT __attribute__((visibility("default")))
