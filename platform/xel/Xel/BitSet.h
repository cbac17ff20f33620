// Fixed-size bit sets held in one machine word.
//
// BitSet<N, Word> offers N positions, 0 to N-1, in a Word. Positions outside
// that range are a programming error and stop the process through the
// assertion "pos>=0 && pos<bits".
#pragma once

#include "Xel/Assert.h"
#include "Xel/Types.h"

namespace Xel {

template <int N, class Word>
class BitSet {
 public:
  static constexpr int bits = N;
  static_assert(N > 0 && N <= static_cast<int>(8 * sizeof(Word)), "BitSet does not fit its word");

  constexpr BitSet() noexcept = default;
  constexpr explicit BitSet(Word value) noexcept : value_(value) {}

  bool test(int pos) const noexcept {
    check(pos);
    return (value_ >> pos) & 1u;
  }
  void set(int pos) noexcept {
    check(pos);
    value_ |= Word(1) << pos;
  }
  void set(int pos, bool on) noexcept { on ? set(pos) : reset(pos); }
  void reset(int pos) noexcept {
    check(pos);
    value_ &= ~(Word(1) << pos);
  }

  constexpr Word value() const noexcept { return value_; }
  constexpr bool operator==(BitSet const&) const noexcept = default;

 protected:
  Word value_ = 0;

 private:
  static void check(int pos) noexcept {
    // The text is the framework's own and is matched by tools that scan logs.
    if (!(pos >= 0 && pos < bits)) ::Xel::assertionFailed("pos>=0 && pos<bits", __FILE__, __LINE__);
  }
};

}  // namespace Xel

// The notification-flag word carried by every notifiee. Bits inside
// notificationBitMask() describe how the notifiee wants to be notified;
// the others belong to the framework and survive notificationFlagsIs().
class Xel_BitSet : public Xel::BitSet<29, unsigned int> {
 public:
  using BitSet::BitSet;

  static constexpr unsigned int notificationBitMask() noexcept { return 0xfa8fffffu; }

  // Replaces exactly the bits under the notification mask with those of
  // `bits`, keeping every other bit of the word.
  void notificationFlagsIs(Xel_BitSet bits) noexcept {
    value_ = (value_ & ~notificationBitMask()) | (bits.value_ & notificationBitMask());
  }
};
