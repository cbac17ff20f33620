// The platform under the model, walked through once: network values read
// from the text an operator would type, a counted entity that records its
// changes, and the errors a front end would show for bad input.
#include <Pelno/EthAddr.h>
#include <Pelno/IntfId.h>
#include <Pelno/IpAddr.h>
#include <Pelno/IpAddrWithMask.h>
#include <Pelno/Text.h>
#include <Xel/Entity.h>
#include <Xel/Exception.h>
#include <Xel/Ptr.h>

#include <iostream>

namespace {

// A virtual-ARP gateway on one interface, written by hand the way the
// generated entities are: an equal value changes nothing; a new one is
// stored and counted.
class Gateway : public Xel::Entity {
 public:
  explicit Gateway(Pelno::IntfId intf) : Entity(intf.name()), intf_(intf) {}

  Pelno::IpAddrWithMask address() const { return address_; }
  void addressIs(Pelno::IpAddrWithMask const& a) {
    if (a == address_) return;
    address_ = a;
    changeCountInc();
  }

 private:
  Pelno::IntfId intf_;
  Pelno::IpAddrWithMask address_;
};

void tryParse(char const* what, Xel::String8 const& text) {
  try {
    Pelno::fromString<Pelno::IpAddrWithMask>(text);
    std::cout << "  accepted " << what << "\n";
  } catch (Xel::Exception const& e) {
    std::cout << "  rejected " << what << ": " << e.what() << "\n";
  }
}

}  // namespace

int main() {
  auto const mac = Pelno::fromString<Pelno::EthAddr>("00:1c:73:00:00:99");
  std::cout << "shared virtual MAC " << mac << "\n";

  Xel::Ptr<Gateway> gw(new Gateway(Pelno::IntfId("Vlan100")));
  for (char const* text : {"10.1.0.1/24", "10.1.0.1/24", "10.1.0.254/24"}) {
    gw->addressIs(Pelno::fromString<Pelno::IpAddrWithMask>(text));
    std::cout << gw->name() << " address " << gw->address() << ", change counter "
              << gw->changeCount() << "\n";
  }

  std::cout << "operator input:\n";
  tryParse("a mask of 33", "10.1.0.1/33");
  tryParse("a fifth octet", "10.1.0.1.5/24");
  tryParse("a host route", "10.1.0.1/32");
  return 0;
}
