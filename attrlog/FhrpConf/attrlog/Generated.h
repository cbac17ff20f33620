// The one header generated model classes include.
//
// Meant only for code written by tools/fhrp-gen: it gathers what the
// generated classes call (the notification protocol, the collections, the
// attribute tables and their access functions, the export macro) and states the version of that
// contract, which every generated header checks.
#pragma once

#include <Xel/Entity.h>
#include <Xel/HashMap.h>
#include <Xel/Ptr.h>
#include <Xel/String8.h>

#include "FhrpConf/Export.h"
#include "FhrpConf/entity/AttrTable.h"
#include "FhrpConf/entity/Collections.h"
#include "FhrpConf/entity/Notification.h"

#define FHRPCONF_GENERATED_SUPPORT_VERSION 2
