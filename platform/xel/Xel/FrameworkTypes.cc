// The descriptors of the framework's own bases, PtrInterface and Entity.
#include "Xel/Entity.h"
#include "Xel/XelType.h"

namespace Xel {
namespace {

constexpr XelAttr::AttrFlags frameworkAttrFlags{0x00220001u, 0x00000400u};

XelType* leaked(XelType* type, char const* fullName, std::size_t size) {
  type->referencesLeak();
  type->sizeIs(size);
  XelType::typeNodeIs(type, Name(fullName));
  return type;
}

}  // namespace

XelType* PtrInterface::_fwkType() {
  static XelType* const type = leaked(new XelType(Name("PtrInterface"), nullptr, nullptr, {}),
                                      "Xel::PtrInterface", sizeof(PtrInterface));
  return type;
}

XelType* Entity::_fwkType() {
  static XelType* const type = [] {
    XelType* base = PtrInterface::_fwkType();
    XelType* t =
        leaked(new XelType(Name("Entity"), nullptr, base, {}), "Xel::Entity", sizeof(Entity));
    t->isEntityIs(true);
    for (auto const& inherited : base->attributes()) t->attributeQEnq(inherited->copyFor(t));
    t->attributeQEnq(Ptr<XelAttr>(new XelAttr(t, Name("name"), Builtin<String8>::_fwkType(),
                                              nullptr, frameworkAttrFlags, 0, nameId)));
    t->attributeQEnq(
        Ptr<XelAttr>(new XelAttr(t, Name("parent"), t, nullptr, frameworkAttrFlags, 0, parentId)));
    t->attributeQEnq(
        Ptr<XelAttr>(new XelAttr(t, Name("xelNboAttrLogSaForMsgChannel"), nullptr, nullptr,
                                 frameworkAttrFlags, 0, xelNboAttrLogSaForMsgChannelId)));
    base->derivedTypeQEnq(t);
    return t;
  }();
  return type;
}

XelType const* Entity::fwkType() const {
  return _fwkType();
}

}  // namespace Xel
