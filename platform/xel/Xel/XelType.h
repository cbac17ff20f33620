// The type registry: descriptors of types and of their attributes.
//
// OVERVIEW
//   Every type that generic tools may handle is described once by an
//   XelType: its name, its base type, its size and kind, the names and type
//   names of its constructor arguments, and its attributes (XelAttr), each
//   with a name, an id, a value type, a key type for collections, and the
//   flag words the framework's tools read. Descriptors are registered under
//   their full names (typeNodeIs) and found again by them (typeNode).
//
// OWNERSHIP
//   Descriptors are created once and never freed (referencesLeak); the
//   registry and the attribute queues hold counted references besides.
//
// THREAD SAFETY
//   Registration runs in the thread that loads a library; reading the
//   registry afterwards is safe from any thread that does not register.
#pragma once

#include <vector>

#include "Xel/BitSet.h"
#include "Xel/Entity.h"
#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel {

namespace NboAttrLog {
class In;
class Out;
}  // namespace NboAttrLog
class Dir;
class GenericIf;
class XelAttr;

class XEL_EXPORT XelType : public PtrInterface {
 public:
  struct XelTypeFlags {
    U32 word = 0;
  };

  // `name`: the short name ("TrackedObject"); `base`: the base type's
  // descriptor, or null. The second argument is the framework's and unused.
  XelType(Name name, XelType* unused, XelType* base, XelTypeFlags const& flags);
  ~XelType() override;

  Name const& name() const noexcept { return name_; }
  XelType* base() const noexcept { return base_; }
  XelTypeFlags flags() const noexcept { return flags_; }

  std::size_t size() const noexcept { return size_; }
  void sizeIs(std::size_t size) noexcept { size_ = size; }
  bool isEntity() const noexcept { return isEntity_; }
  void isEntityIs(bool b) noexcept { isEntity_ = b; }
  bool isValue() const noexcept { return isValue_; }
  void isValueIs(bool b) noexcept { isValue_ = b; }
  bool hasGenericIfSupport() const noexcept { return hasGenericIfSupport_; }
  void hasGenericIfSupportIs(bool b) noexcept { hasGenericIfSupport_ = b; }

  std::vector<String8> const& constructorArgNames() const noexcept { return argNames_; }
  std::vector<String8> const& constructorArgTypes() const noexcept { return argTypes_; }
  void constructorArgNameQEnq(String8 name) { argNames_.push_back(std::move(name)); }
  void constructorArgTypeQEnq(String8 typeName) { argTypes_.push_back(std::move(typeName)); }

  // The attributes in the order they were defined, inherited ones first.
  std::vector<Ptr<XelAttr>> const& attributes() const noexcept { return attributes_; }
  // Appends to the queue, and makes the attribute known to the node.
  void attributeQEnq(Ptr<XelAttr> const& attr);
  // The node that knows the type's attributes by name.
  XelAttr* attributeNode() const noexcept { return node_.ptr(); }
  // The attribute that stands for the whole value of a wrapper type.
  XelAttr* valAttr() const noexcept { return valAttr_; }
  void valAttrIs(XelAttr* attr) noexcept { valAttr_ = attr; }

  std::vector<Ptr<XelType>> const& derivedTypes() const noexcept { return derived_; }
  void derivedTypeQEnq(Ptr<XelType> const& type) { derived_.push_back(type); }

  // Makes an object of this type keyed by `name`; null for types that
  // cannot be made so. The directory is the framework's and unused here.
  virtual Ptr<Entity> newEntity(Name const& name, Dir* dir) const;
  // Makes an entity of this type from the key (or name) that `in` holds
  // next, as an entity-creation record carries it, with no parent yet;
  // null for types the log does not carry.
  virtual Ptr<Entity> newEntity(NboAttrLog::In* in, Xel_BitSet flags, unsigned int n,
                                PtrInterface* parent) const;

  // Installs (or finds) the adapter for `out` of `child`, held by an entity
  // of this type under attribute `attr`, through the adapter of the
  // child's parent on `out`, and announces the child there. A type with
  // no such child attribute passes the call to its base; the base of all
  // has none and installs nothing (null).
  virtual Ptr<Entity::XelNboAttrLogSa> childAttrLogIs(Ptr<XelAttr const> const& attr,
                                                      Ptr<PtrInterface> const& child,
                                                      Ptr<NboAttrLog::Out> const& out) const;

  // Generic interfaces (Xel/GenericIf.h) over objects and values of this
  // type. The base builds none and raises Exception saying so.
  //
  // Over a copy of the value at `value` (a value type), or over its
  // default value when `value` is null.
  virtual Ptr<GenericIf> genericIf(void const* value, bool isConst) const;
  // Over a new object or value built from the argument list `args`.
  virtual Ptr<GenericIf> genericIf(GenericIf const* args, bool isConst) const;
  // Over the value (or the object reference) that `text` reads as.
  virtual Ptr<GenericIf> genericIf(String8 const& text, bool isConst) const;
  // Over the object `p`, which must be of this type (a null or foreign
  // object gives an interface over null).
  virtual Ptr<GenericIf> genericIf_(PtrInterface* p, bool isConst) const;

  // Registers `type` under its full name; a later registration of the same
  // name replaces the earlier one.
  static void typeNodeIs(XelType const* type, Name const& fullName);
  // The type registered under `fullName`, or null.
  static XelType const* typeNode(Name const& fullName);
  // Every registered full name, in registration order.
  static std::vector<Name> typeNodeNames();
  // The full name `type` is registered under, or its short name when it is
  // not registered.
  static Name typeNodeName(XelType const* type);

 private:
  Name name_;
  XelType* base_;
  XelTypeFlags flags_;
  std::size_t size_ = 0;
  bool isEntity_ = false;
  bool isValue_ = false;
  bool hasGenericIfSupport_ = false;
  std::vector<String8> argNames_;
  std::vector<String8> argTypes_;
  std::vector<Ptr<XelAttr>> attributes_;
  Ptr<XelAttr> node_;
  XelAttr* valAttr_ = nullptr;
  std::vector<Ptr<XelType>> derived_;
};

// What a type knows of one attribute. A type's attribute node is an XelAttr
// too: it holds the type's attributes by name (attr, attrDel, attrIs).
class XEL_EXPORT XelAttr : public PtrInterface {
 public:
  // The two flag words of an attribute.
  struct AttrFlags {
    U32 first = 0;
    U32 second = 0;
    friend bool operator==(AttrFlags, AttrFlags) = default;
  };
  using XelAttrIntrospectionFlags = U32;

  XelAttr(XelType* owner, Name name, Ptr<XelType const> valueType, Ptr<XelType const> keyType,
          AttrFlags const& flags, XelAttrIntrospectionFlags introspection, AttributeId id);
  ~XelAttr() override;

  XelType* owner() const noexcept { return owner_; }
  Name const& name() const noexcept { return name_; }
  XelType const* valueType() const noexcept { return valueType_.ptr(); }
  XelType const* keyType() const noexcept { return keyType_.ptr(); }
  AttrFlags flags() const noexcept { return flags_; }
  XelAttrIntrospectionFlags introspectionFlags() const noexcept { return introspection_; }
  AttributeId id() const noexcept { return id_; }
  XelAttr const* keyAttr() const noexcept { return keyAttr_.ptr(); }
  String8 const& keyAttrName() const noexcept { return keyAttrName_; }
  String8 const& keyTypeName() const noexcept { return keyTypeName_; }
  U32 value() const noexcept { return value_; }

  // A copy of this attribute owned by `owner`, as a derived type inherits it.
  virtual Ptr<XelAttr> copyFor(XelType* owner) const;
  // What a child-entity attribute records of its key.
  virtual void keyTypeIs(Ptr<XelType const> const& type);
  virtual void keyAttrNameIs(String8 name);
  virtual void keyTypeNameIs(String8 name);
  virtual void valueIs(U32 value);
  virtual void introspectionFlagsIs(XelAttrIntrospectionFlags flags);

  // As a node: the attribute named `name`, or null.
  XelAttr* attr(Name const& name);
  XelAttr const* attr(Name const& name) const;
  // As a node: forgets the attribute named `name`, if any.
  void attrDel(Name const& name);
  // As a node: creates an attribute of the node's type and knows it by name
  // (the type's queue is separate: see XelType::attributeQEnq).
  Ptr<XelAttr> attrIs(Name name, Ptr<XelType> const& valueType, XelAttr* keyAttr, XelAttr* unused,
                      AttrFlags const& flags, AttributeId id);
  // As a node: knows `attr` by its name.
  void attrAdd(Ptr<XelAttr> const& attr);

 private:
  XelType* owner_;
  Name name_;
  Ptr<XelType const> valueType_;
  Ptr<XelType const> keyType_;
  AttrFlags flags_;
  XelAttrIntrospectionFlags introspection_;
  AttributeId id_;
  Ptr<XelAttr const> keyAttr_;
  String8 keyAttrName_;
  String8 keyTypeName_;
  U32 value_ = 0;
  std::vector<Ptr<XelAttr>> children_;
};

// Descriptors of the framework's built-in value types (made, as every
// value type's, by valueTypeDescriptor in Xel/GenericIfValue.h).
template <class T>
struct Builtin {
  static XelType* _fwkType();
};
template <>
XEL_EXPORT XelType* Builtin<bool>::_fwkType();
template <>
XEL_EXPORT XelType* Builtin<unsigned int>::_fwkType();
template <>
XEL_EXPORT XelType* Builtin<String8>::_fwkType();

}  // namespace Xel
