// Uses a little of each installed library, through the installed headers
// only, and exits non-zero if anything behaves differently from the build
// tree's tests.
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/IpAddr.h>
#include <Pelno/Text.h>

#include <cstdio>

int main() {
  Xel::String8 text("192.0.2.1");
  Pelno::IpAddr addr = Pelno::fromString<Pelno::IpAddr>(text);
  if (Pelno::valueToStrep(addr) != text) return 1;
  try {
    Pelno::fromString<Pelno::IpAddr>("192.0.2.300");
    return 2;
  } catch (Xel::ParseException const& e) {
    // Exception types must be shared across the library boundary.
    std::printf("rejected as expected: %s\n", e.what());
  }
  auto tracked = Routing::Fhrp::trackedObjectFactory("uplink");
  tracked->trackActionIsShutdownIs(true);
  if (tracked->changeCount() != 1 || tracked->attributeString(259) != "trackActionIsShutdown") {
    return 3;
  }
  return 0;
}
