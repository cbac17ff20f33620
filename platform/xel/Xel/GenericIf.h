// GenericIf: reading, writing and observing any object or value by
// attribute id, without knowing its C++ type.
//
// OVERVIEW
//   A generic interface stands for one object (an entity, a counted
//   object) or holds one value. A tool that knows only the type registry
//   sends it attribute operations: an attribute id and an operation id,
//   with an index (the key of a collection member) and a value (what to
//   write, or a constructor's argument list), each itself a generic
//   interface. The result is a new interface over what was read, or null.
//
//     op   0  read (a collection: the member under the index)
//          1  a collection's member count
//          2  a collection's modification count
//          3  whether a collection holds the index
//        100  equality of a value with the value argument (attribute 0)
//        128  write (a collection: set a member, or create a child)
//        129  delete a collection's member, or a single child
//
//   Operations from 128 up modify; a const interface refuses them all,
//   before it looks at anything else.
//
//   Each type's interface serves its own attributes and hands every other
//   id to its base: GenericIfEntity answers for what every entity has
//   (name, parent, the key as fwkKey), GenericIfPtrInterface for counted
//   objects, GenericIf itself for nothing and refuses the id.
//
// ITERATION
//   attributeIteratorConst(id) walks a collection's members in the
//   collection's own order. The iterator holds a reference to its current
//   member and the collection's modification count; when the collection
//   changed between steps it finds the member that follows its own in the
//   collection's order, so inserts and removals of other members, and of
//   its own, do not derail it.
//
// NOTIFICATION
//   An interface over an entity hears the entity's changes and reports each
//   one as onAttribute(id), a callback a generic client overrides (or, with
//   a member handler, a collection's member as onMember(id, key)). With an
//   ActivityConfig attached (activityIs), changes are not reported as they
//   happen but collected and reported when the activity runs: one id, or
//   allAttributes when several changed (see Xel/Activity.h).
//
// ERRORS
//   Every refusal raises one of the exceptions below through its throw...
//   function, with a message naming the attribute or argument at fault.
//
// TYPICAL USAGE
//   Xel::Ptr<Xel::GenericIf> vr = type->genericIf_(router, false);
//   Xel::AttributeId const priority = vr->attributeId("priority");
//   Xel::U32 const v = 120;
//   vr->attributeOp({priority, Xel::GenericIf::opWrite}, nullptr,
//                   Xel::Builtin<Xel::U32>::_fwkType()->genericIf(&v, false));
//   Xel::String8 now = vr->attributeOp({priority, Xel::GenericIf::opRead})->strRep();
//
// THREAD SAFETY
//   An interface is used by one thread at a time, like the object it wraps.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "Xel/Exception.h"
#include "Xel/Export.h"
#include "Xel/Notifiee.h"
#include "Xel/Ptr.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Xel {

class ActivityConfig;
class Entity;
class HashMapGeneric;
class XelType;

// Refusals of the generic interface.
class XEL_EXPORT ConstException : public Exception {  // a write on a const interface
 public:
  using Exception::Exception;
  ~ConstException() override;
};
class XEL_EXPORT BadIndexException : public Exception {  // an index where none belongs
 public:
  using Exception::Exception;
  ~BadIndexException() override;
};
class XEL_EXPORT OpNotSupportedException : public Exception {  // an op the attribute lacks
 public:
  using Exception::Exception;
  ~OpNotSupportedException() override;
};
class XEL_EXPORT TypeException : public Exception {  // an argument missing or of another type
 public:
  using Exception::Exception;
  ~TypeException() override;
};
class XEL_EXPORT UnknownArgException : public Exception {  // more arguments than taken
 public:
  using Exception::Exception;
  ~UnknownArgException() override;
};
class XEL_EXPORT UnknownAttrException : public Exception {  // an id or name the type lacks
 public:
  using Exception::Exception;
  ~UnknownAttrException() override;
};

class XEL_EXPORT GenericIf : public PtrInterface::NotifieeConst {
 public:
  class List_;
  class AttributeIterator;

  // An attribute id and an operation id.
  struct AttributeOp {
    std::int32_t attr = 0;
    std::int32_t op = 0;
  };

  static constexpr std::int32_t opRead = 0;
  static constexpr std::int32_t opCount = 1;
  static constexpr std::int32_t opModifications = 2;
  static constexpr std::int32_t opContains = 3;
  static constexpr std::int32_t opEquals = 100;
  static constexpr std::int32_t opWrite = 128;
  static constexpr std::int32_t opDelete = 129;
  static constexpr bool isModifying(std::int32_t op) noexcept { return op >= opWrite; }

  // Where an iterator stands: the four words it keeps.
  struct IteratorState {
    U32 modifications = 0;  // the collection's count when last in step
    int bucket = -1;        // -1 at the end
    HashMapGeneric const* map = nullptr;
    Ptr<PtrInterface> current;  // the current member, kept alive
  };

  bool isConst() const noexcept { return isConst_; }

  // The descriptor of the type the interface stands for.
  virtual XelType const* type() const = 0;
  // The object or value as type `t`: `t` must be the interface's own type
  // or one of its framework bases. Otherwise TypeException naming the
  // interface's type.
  virtual void* voidPtrIs(Ptr<XelType const> const& t) const;
  // The id of the attribute named `name`; UnknownAttrException when the
  // type has none.
  virtual AttributeId attributeId(String8 name) const;
  virtual Ptr<GenericIf> attributeOp(AttributeOp const& op,
                                     Ptr<GenericIf const> const& index = nullptr,
                                     Ptr<GenericIf> const& value = nullptr);
  // The text form of the value or of the reference.
  virtual String8 strRep() const;

  // What one attribute is, for tools that explore an interface.
  struct AttributeDescription {
    AttributeId id = 0;
    String8 name;
    // A single value's type; a collection's values' (a child collection's:
    // the children's); a single child's.
    XelType const* valueType = nullptr;
    // A collection's keys; a single child's, which is keyed by its name:
    // String. Null for a single value.
    XelType const* keyType = nullptr;
    bool collection = false;
    bool writable = false;  // op 128 serves it
  };
  // Every attribute the interface serves, its base's first, each in id
  // order.
  virtual std::vector<AttributeDescription> attributeDescriptions() const;

  // Iteration over collection `id` (see ITERATION), from the first member
  // or from the member with key `key`.
  virtual AttributeIterator attributeIteratorConst(AttributeId id) const;
  virtual AttributeIterator attributeIteratorKeyConst(AttributeId id,
                                                      Ptr<GenericIf const> const& key) const;
  // The iterator's primitives, which AttributeIterator calls. The base
  // walks any collection; a type with collections reads keys and values.
  virtual Ptr<GenericIf> attributeIterator_iterObj(AttributeIterator const& it) const;
  virtual Ptr<GenericIf> attributeIterator_iterObj(AttributeIterator const& it);
  virtual void attributeIterator_iterInc(AttributeIterator& it) const;
  virtual Ptr<GenericIf> attributeIterator_iterKey(AttributeIterator const& it) const;
  virtual AttributeIterator attributeIterator_iterClone(AttributeIterator const& it) const;
  virtual bool attributeIterator_nonNull(AttributeIterator const& it) const;
  virtual void attributeIterator_iterDel(AttributeIterator& it) const;

  // A new interface over the same object (a copy of the same value), with
  // the same const flag.
  virtual Ptr<GenericIf> clone() = 0;
  Ptr<GenericIf> clone() const { return const_cast<GenericIf*>(this)->clone(); }

  // Deferred delivery of changes (see NOTIFICATION); null: as they happen.
  // The activity must outlive the interface, or be detached first.
  void activityIs(ActivityConfig* activity) noexcept { activity_ = activity; }
  ActivityConfig* actsm() override;
  // For a client that cannot derive from the type's interface: called with
  // each attribute id onAttribute reports.
  using AttributeHandler = std::function<void(AttributeId)>;
  void attributeHandlerIs(AttributeHandler handler) { handler_ = std::move(handler); }
  void onAttribute(AttributeId id) override;
  // For a client that wants to know which member of a collection changed:
  // called instead of onAttribute for a change of one member reported as it
  // happens, with an interface over the member's key. A change an activity
  // deferred has lost its key; it goes to onAttribute.
  using MemberHandler = std::function<void(AttributeId, Ptr<GenericIf> const& key)>;
  void memberHandlerIs(MemberHandler handler) { memberHandler_ = std::move(handler); }
  bool hasMemberHandler() const noexcept { return static_cast<bool>(memberHandler_); }
  void onMember(AttributeId id, Ptr<GenericIf> const& key) { memberHandler_(id, key); }

  [[noreturn]] static void throwConstException(String8 const& text);
  [[noreturn]] static void throwBadIndexAttrException(String8 const& attr);
  [[noreturn]] static void throwOpNotSupportedException(String8 const& attr, std::int32_t op,
                                                        bool iterator);
  [[noreturn]] static void throwTypeException(String8 const& name);
  [[noreturn]] static void throwUnknownArgException(String8 const& name);
  [[noreturn]] static void throwUnknownAttrException(String8 const& type, String8 const& attr);

  ~GenericIf() override;

 protected:
  explicit GenericIf(bool isConst) noexcept : isConst_(isConst) {}

  // Raises ConstException when `op` modifies and the interface is const:
  // the first thing every attributeOp does.
  void constCheck(std::int32_t op) const;

  // For an iterator's primitives: its state.
  static IteratorState& state(AttributeIterator& it) noexcept;
  static IteratorState const& state(AttributeIterator const& it) noexcept;

 private:
  bool isConst_;
  ActivityConfig* activity_ = nullptr;
  AttributeHandler handler_;
  MemberHandler memberHandler_;
};

// A position in a collection, reached through an interface: a handle that
// calls the interface's primitives and lets go of its state when it goes.
class XEL_EXPORT GenericIf::AttributeIterator {
 public:
  AttributeIterator() noexcept = default;
  AttributeIterator(Ptr<GenericIf const> owner, AttributeId id, IteratorState state) noexcept;
  AttributeIterator(AttributeIterator&& o) noexcept;
  AttributeIterator& operator=(AttributeIterator&& o) noexcept;
  ~AttributeIterator();

  AttributeId id() const noexcept { return id_; }
  GenericIf const* owner() const noexcept { return owner_.ptr(); }

  explicit operator bool() const { return owner_ && owner_->attributeIterator_nonNull(*this); }
  void inc() { owner_->attributeIterator_iterInc(*this); }
  // The current member's key and value (a child: its interface).
  Ptr<GenericIf> key() const { return owner_->attributeIterator_iterKey(*this); }
  Ptr<GenericIf> obj() const { return owner_->attributeIterator_iterObj(*this); }
  AttributeIterator clone() const { return owner_->attributeIterator_iterClone(*this); }

 private:
  friend class GenericIf;

  Ptr<GenericIf const> owner_;
  AttributeId id_ = 0;
  IteratorState state_;
};

// An argument list: the arguments of a constructor, or the key of a child
// to create, each a generic interface.
class XEL_EXPORT GenericIf::List_ : public GenericIf {
 public:
  static Ptr<List_> listOf(std::initializer_list<Ptr<GenericIf>> items);

  U32 members() const noexcept { return static_cast<U32>(items_.size()); }
  // The argument at `i`, or null past the end.
  GenericIf* item(U32 i) const noexcept { return i < items_.size() ? items_[i].ptr() : nullptr; }
  void itemIs(Ptr<GenericIf> const& item) { items_.push_back(item); }

  // The descriptor of argument lists, "List_", registered as
  // "Xel::GenericIf::List_".
  static XelType* _fwkType();
  XelType const* type() const override;
  Ptr<GenericIf> clone() override;

  ~List_() override;

 private:
  List_() noexcept : GenericIf(true) {}

  std::vector<Ptr<GenericIf>> items_;
};

// The interface of a counted object: holds it as its notifier.
class XEL_EXPORT GenericIfPtrInterface : public GenericIf {
 public:
  PtrInterface* ptrObj() const noexcept { return const_cast<PtrInterface*>(notifier()); }

  // Also the object as a PtrInterface.
  void* voidPtrIs(Ptr<XelType const> const& t) const override;
  // The reference text of the object (Xel/ReferenceText.h); None over
  // nothing.
  String8 strRep() const override;

  ~GenericIfPtrInterface() override;

 protected:
  using GenericIf::GenericIf;
};

// The interface of an entity: also serves what every entity has,
//   name (1)                     its name, read only
//   parent (2)                   its parent's interface, or null
//   xelHasAttrLogInterface (154) whether it can be carried on a log
//   fwkKey (0)                   its key (xelKeyIf), where it has one
class XEL_EXPORT GenericIfEntity : public GenericIfPtrInterface {
 public:
  Entity* entityObj() const noexcept;

  void* voidPtrIs(Ptr<XelType const> const& t) const override;
  AttributeId attributeId(String8 name) const override;
  Ptr<GenericIf> attributeOp(AttributeOp const& op, Ptr<GenericIf const> const& index = nullptr,
                             Ptr<GenericIf> const& value = nullptr) override;
  std::vector<AttributeDescription> attributeDescriptions() const override;

  ~GenericIfEntity() override;

 protected:
  using GenericIfPtrInterface::GenericIfPtrInterface;

  // An interface over the entity's key, or null for an entity keyed by
  // its name.
  virtual Ptr<GenericIf> xelKeyIf() const;
};

}  // namespace Xel
