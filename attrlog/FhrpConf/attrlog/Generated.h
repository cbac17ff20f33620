// The one header generated model classes include.
//
// Meant only for code written by tools/fhrp-gen: it gathers what the
// generated classes call (the notification protocol, the collections, the
// attribute tables and their access functions, the attribute log's
// adapters, the export macro) and states the version of that contract,
// which every generated header checks.
#pragma once

#include <Xel/Demuxer.h>
#include <Xel/Entity.h>
#include <Xel/FlowOut.h>
#include <Xel/HashMap.h>
#include <Xel/NboAttrLog.h>
#include <Xel/Ptr.h>
#include <Xel/StreamAdapter.h>
#include <Xel/String8.h>

#include "FhrpConf/Export.h"
#include "FhrpConf/attrlog/Adapter.h"
#include "FhrpConf/attrlog/FlowOut.h"
#include "FhrpConf/attrlog/Install.h"
#include "FhrpConf/entity/AttrTable.h"
#include "FhrpConf/entity/Collections.h"
#include "FhrpConf/entity/Notification.h"

#define FHRPCONF_GENERATED_SUPPORT_VERSION 3
