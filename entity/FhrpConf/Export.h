// Symbol visibility for libFhrpConf: built with hidden visibility, it
// exports exactly the declarations marked FHRPCONF_EXPORT.
#pragma once

#define FHRPCONF_EXPORT __attribute__((visibility("default")))
