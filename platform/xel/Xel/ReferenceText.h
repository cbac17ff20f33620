// The text of a reference to a live object.
//
// OVERVIEW
//   A reference is written with the object's handle (Xel/Handle.h), the
//   full name of its type and, for an entity, its name:
//
//     Ref(7, 'Routing::Fhrp::VrrpVirtualRouterConfig', '5')
//     Ref(9, 'Routing::Fhrp::BfdPeerVrIdList')
//     None                                  (no object)
//
//   Reading finds the same object again by its handle, and only while it
//   lives; the type and name must still be the object's, so that a text
//   edited by hand cannot quietly stand for another object than it says.
//   White space may stand before every piece and after the whole.
//
//   Typed references, Ptr<X>, write and read through valueToStrep and
//   sequenceToValue like any value, so Xel::strepToValue and
//   Xel::deserializeAttr take them too. Reading a reference to an object
//   that is not an X raises cannotConvert's ConversionException.
//
// ERRORS
//   ParseException, placed as every text error is (Xel/Text.h):
//     no live Routing::Fhrp::TrackedObject 't' has handle 7 at column 0 of '...'
//   for a handle whose object died, was never given, or is of another type
//   or name than the text says.
//
// TYPICAL USAGE
//   Xel::String8 text = Xel::valueToStrep(trackedObject);  // Ref(3, ...)
//   Xel::Ptr<TrackedObject> same =
//       Xel::strepToValue(text, static_cast<Xel::Ptr<TrackedObject>*>(nullptr));
#pragma once

#include "Xel/Entity.h"
#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"
#include "Xel/Text.h"

namespace Xel {

// The reference text of `p`, or None when `p` is null. An entity is written
// with its name whichever overload is called.
XEL_EXPORT String8 valueToStrepOfRawPtr(Entity const* p);
XEL_EXPORT String8 valueToStrepOfRawPtr(PtrInterface const* p);

// Reads one reference at pos and returns its object, or null for None. The
// pointer only names the kind of object wanted: the Entity form refuses an
// object that is not an entity with cannotConvert.
XEL_EXPORT Ptr<Entity> sequenceToValueOfPtr(String8::IteratorConst& pos,
                                            String8::IteratorConst const& end, Entity*);
XEL_EXPORT Ptr<PtrInterface> sequenceToValueOfPtr(String8::IteratorConst& pos,
                                                  String8::IteratorConst const& end, PtrInterface*);

template <class X>
String8 valueToStrep(Ptr<X> const& p) {
  return valueToStrepOfRawPtr(p.ptr());
}

template <class X>
void sequenceToValue(String8::IteratorConst& pos, String8::IteratorConst const& end, Ptr<X>* out) {
  // Read as any object, so that a wrong one is refused naming X.
  Ptr<PtrInterface> const object =
      sequenceToValueOfPtr(pos, end, static_cast<PtrInterface*>(nullptr));
  if (!object) {
    *out = nullptr;
    return;
  }
  X* const typed = dynamic_cast<X*>(object.ptr());
  if (!typed) cannotConvert(pos, end, typeid(X));
  *out = typed;
}

}  // namespace Xel
