// How values travel on the attribute log: one write and one read for every
// type an attribute, a key or a field of a value type may have.
//
// OVERVIEW
//   write(out, v) puts v on the log, read(in, &v) takes it back, and
//   codec<T> is the pair as the attribute table holds it. On the log:
//
//     bool, unsigned int, String8   the framework's primitives
//     an enumeration                its number as an int; read back as an
//                                   unsigned int and checked, so that a
//                                   number the enumeration lacks raises
//                                   Xel::RangeException
//     a network value               the network library's form
//     a value type of the model     its own form (its fields in order)
//
//   A bool and an unsigned int are fixed-size primitives (1 and 4 bytes),
//   which a record header announces; everything else is of variable size.
//
//   text(in) reads a value and gives its text form, for tools that show
//   what a log holds: a number in decimal, a bool as true or false,
//   anything else in its type's own text form.
//
// ERRORS
//   Reading raises Xel::RangeException for bytes that make no value.
#pragma once

#include <FhrpConf/entity/AttrTable.h>
#include <FhrpConf/reflect/ValueText.h>
#include <Pelno/NboAttrLog.h>
#include <Xel/NboAttrLog.h>
#include <Xel/String8.h>

#include <type_traits>

namespace Routing::Fhrp::attrlog {

using OutPtr = Xel::Ptr<Xel::NboAttrLog::Out>;
using In = Xel::NboAttrLog::In;

template <class T>
void write(OutPtr const& out, T const& v) {
  if constexpr (std::is_enum_v<T>) {
    out << static_cast<int>(v);
  } else {
    out << v;
  }
}

template <class T>
void read(In& in, T* v) {
  if constexpr (std::is_same_v<T, bool>) {
    *v = in.nextBool();
  } else if constexpr (std::is_same_v<T, Xel::U32>) {
    *v = in.nextU32();
  } else if constexpr (std::is_base_of_v<Xel::String8, T>) {
    *v = T(in.nextString8());
  } else if constexpr (std::is_constructible_v<T, In*, Xel::StreamBogon>) {
    *v = T(&in, Xel::StreamBogon{});
  } else {
    nboAttrLogToValue(&in, v);
  }
}

// The size a record header gives a value of type T: that of a fixed-size
// primitive, or 0 for one of variable size.
template <class T>
inline constexpr std::uint8_t fixedSize = std::is_same_v<T, bool>       ? 1
                                          : std::is_same_v<T, Xel::U32> ? 4
                                                                        : 0;

namespace internal {
template <class T>
void writeErased(OutPtr const& out, void const* v) {
  write(out, *static_cast<T const*>(v));
}
template <class T>
void readErased(In& in, void* v) {
  read(in, static_cast<T*>(v));
}
template <class T>
Xel::String8 textOf(In& in) {
  if constexpr (std::is_same_v<T, bool>) {
    return Xel::String8(in.nextBool() ? "true" : "false");
  } else if constexpr (std::is_constructible_v<T, In*, Xel::StreamBogon>) {
    return reflect::fieldText(T(&in, Xel::StreamBogon{}));
  } else {
    T v{};
    read(in, &v);
    return reflect::fieldText(v);
  }
}
}  // namespace internal

template <class T>
inline constexpr entity::Codec codec{fixedSize<T>, &internal::writeErased<T>,
                                     &internal::readErased<T>, &internal::textOf<T>};

}  // namespace Routing::Fhrp::attrlog
