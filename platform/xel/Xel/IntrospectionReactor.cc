#include "Xel/IntrospectionReactor.h"

namespace Xel {

void IntrospectionHandler::handleNameSpace(char const*) {}
void IntrospectionHandler::handleType(Ptr<XelType const> const&, Ptr<XelType const> const&) {}
void IntrospectionHandler::handleAttr(Ptr<XelAttr> const&) {}
void IntrospectionHandler::handleAttrContextExit() {}
void IntrospectionHandler::handleScopeExit() {}
IntrospectionHandler::~IntrospectionHandler() = default;

Ptr<IntrospectionReactor> IntrospectionReactor::global() {
  static IntrospectionReactor* const reactor = [] {
    auto* r = new IntrospectionReactor;
    r->referencesLeak();
    return r;
  }();
  return reactor;
}

void IntrospectionReactor::handleNameSpace(char const* name) {
  if (handler_) handler_->handleNameSpace(name);
}

void IntrospectionReactor::handleType(Ptr<XelType const> const& type,
                                      Ptr<XelType const> const& base) {
  if (handler_) handler_->handleType(type, base);
}

void IntrospectionReactor::handleAttr(Ptr<XelAttr> const& attr) {
  if (handler_) handler_->handleAttr(attr);
}

void IntrospectionReactor::handleAttrContextExit() {
  if (handler_) handler_->handleAttrContextExit();
}

void IntrospectionReactor::handleScopeExit() {
  if (handler_) handler_->handleScopeExit();
}

Ptr<XelAttr> IntrospectionReactor::defNoninstantiatingAttr(
    Ptr<XelType> const& type, Name name, Ptr<XelType> const& valueType, Ptr<XelType> const& keyType,
    XelAttr::AttrFlags const& flags, XelAttr::XelAttrIntrospectionFlags introspection,
    AttributeId id) {
  Ptr<XelAttr> attr(
      new XelAttr(type.ptr(), std::move(name), valueType, keyType, flags, introspection, id));
  type->attributeQEnq(attr);
  handleAttr(attr);
  handleAttrContextExit();
  return attr;
}

void forcePointerAccessH(void const* accessor) noexcept {
  // An opaque use: the accessor's address escapes, so it is kept.
  asm volatile("" : : "r"(accessor) : "memory");
}

}  // namespace Xel
