// The framework runtime in one include.
#pragma once

#include "Xel/BitSet.h"
#include "Xel/Entity.h"
#include "Xel/Exception.h"
#include "Xel/Expect.h"
#include "Xel/Hash.h"
#include "Xel/HashMap.h"
#include "Xel/IntrospectionReactor.h"
#include "Xel/ListRaw.h"
#include "Xel/Notifiee.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/StreamAdapter.h"
#include "Xel/String8.h"
#include "Xel/Text.h"
#include "Xel/Types.h"
#include "Xel/XelType.h"
