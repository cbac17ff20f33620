// IntfId: the identifier of a network interface, such as "Ethernet1".
//
// An interface is known by its name; two ids are the same interface exactly
// when their names are equal. The id with the empty name stands for no
// interface in particular and is what a default-constructed id holds.
#pragma once

#include <compare>
#include <iosfwd>

#include "Pelno/Export.h"
#include "Xel/String8.h"
#include "Xel/Types.h"

namespace Pelno {

class PELNO_EXPORT IntfId {
 public:
  IntfId() noexcept = default;
  explicit IntfId(Xel::String8 name) noexcept : name_(static_cast<Xel::String8&&>(name)) {}

  Xel::String8 const& name() const noexcept { return name_; }
  Xel::U32 hash() const noexcept { return name_.hash(); }

  friend bool operator==(IntfId const& a, IntfId const& b) noexcept { return a.name_ == b.name_; }
  friend std::strong_ordering operator<=>(IntfId const& a, IntfId const& b) noexcept {
    return a.name_ <=> b.name_;
  }

 private:
  Xel::String8 name_;
};

// The name in quotes, as Xel::valueToStrep writes text: 'Ethernet1'.
PELNO_EXPORT Xel::String8 valueToStrep(IntfId const& id);
PELNO_EXPORT std::ostream& operator<<(std::ostream& os, IntfId const& id);
PELNO_EXPORT void sequenceToValue(Xel::String8::IteratorConst& pos,
                                  Xel::String8::IteratorConst const& end, IntfId* out);

}  // namespace Pelno
