// Generic interfaces over plain values, and the descriptors of value types
// that make them.
//
// OVERVIEW
//   GenericIfValue<T> holds a copy of one T. It reads as that value (its
//   text form is strRep), converts to a T* for the operations that take it
//   as an argument (voidPtrIs with T's descriptor), and compares with
//   another value of T (attribute 0, op 100). A value type of the model
//   derives from it to serve its fields as attributes.
//
//   ValueType<T> is the descriptor of a built-in or imported value type:
//   genericIf(&v) copies v into an interface, genericIf(text) reads text
//   as one T. valueTypeDescriptor<T>(short, full) makes one, registered
//   under the full name and never freed.
//
//   T has a default value, ==, and a text form found by argument-dependent
//   lookup: valueToStrep(T const&) and sequenceToValue(pos, end, T*).
#pragma once

#include <utility>

#include "Xel/GenericIf.h"
#include "Xel/Text.h"
#include "Xel/XelType.h"

namespace Xel {

template <class T>
class GenericIfValue : public GenericIf {
 public:
  GenericIfValue(XelType const* type, T value, bool isConst)
      : GenericIf(isConst), type_(type), value_(std::move(value)) {}

  T const& val() const noexcept { return value_; }
  void valIs(T value) { value_ = std::move(value); }

  XelType const* type() const override { return type_; }
  void* voidPtrIs(Ptr<XelType const> const& t) const override {
    if (t.ptr() == type_) return const_cast<T*>(&value_);
    return GenericIf::voidPtrIs(t);
  }
  String8 strRep() const override { return valueToStrep(value_); }

  Ptr<GenericIf> attributeOp(AttributeOp const& op, Ptr<GenericIf const> const& index = nullptr,
                             Ptr<GenericIf> const& value = nullptr) override {
    if (op.attr == 0 && op.op == opEquals) {
      if (!value) throwTypeException("xelOpArg");
      bool const equal = *static_cast<T const*>(value->voidPtrIs(type_)) == value_;
      return Builtin<bool>::_fwkType()->genericIf(&equal, isConst());
    }
    return GenericIf::attributeOp(op, index, value);
  }

  Ptr<GenericIf> clone() override {
    Ptr<GenericIf> copy(new GenericIfValue(type_, value_, isConst()));
    return copy;
  }

 private:
  XelType const* type_;
  T value_;
};

template <class T>
class ValueType : public XelType {
 public:
  explicit ValueType(char const* shortName) : XelType(Name(shortName), nullptr, nullptr, {}) {
    sizeIs(sizeof(T));
    isValueIs(true);
    hasGenericIfSupportIs(true);
  }

  using XelType::genericIf;
  Ptr<GenericIf> genericIf(void const* value, bool isConst) const override {
    return new GenericIfValue<T>(this, value ? *static_cast<T const*>(value) : T{}, isConst);
  }
  Ptr<GenericIf> genericIf(String8 const& text, bool isConst) const override {
    return new GenericIfValue<T>(this, strepToValue(text, static_cast<T*>(nullptr)), isConst);
  }
};

template <class T>
XelType* valueTypeDescriptor(char const* shortName, char const* fullName) {
  auto* type = new ValueType<T>(shortName);
  type->referencesLeak();
  XelType::typeNodeIs(type, Name(fullName));
  return type;
}

}  // namespace Xel
