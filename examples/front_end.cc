// A minimal front end: serves its configuration on a Unix socket to every
// agent that connects, and raises a virtual router's priority once a
// second, ten times (or as many as the second argument says).
//
//   fhrp-front-end /tmp/fhrp.sock &
//   fhrp-agent /tmp/fhrp.sock
#include <FhrpConf/FhrpConfig.h>
#include <Pelno/Text.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

using namespace Routing::Fhrp;
using attrlog::SocketLog;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  std::string const path = argc > 1 ? argv[1] : "/tmp/fhrp.sock";
  int const rounds = argc > 2 ? std::atoi(argv[2]) : 10;
  Xel::Ptr<Config> const config = configFactory("fhrp");
  Xel::Ptr<VrrpVirtualRouterConfig> const router =
      config->vrrpConfigIs("vrrp")
          ->vrrpIntfConfigIs(Pelno::IntfId("Ethernet1"))
          ->virtualRouterConfigIs(VrId(5));
  router->primaryAddrIs(Pelno::fromString<Pelno::IpAddr>("192.0.2.1"));

  int const listening = attrlog::listenUnix(path);
  std::vector<std::unique_ptr<SocketLog>> agents;
  Clock::time_point tick = Clock::now() + std::chrono::seconds(1);
  for (int round = 1; round <= rounds;) {
    // A slow agent must hold up neither the others nor the ticks: every
    // socket is polled at once, and each handled as far as it is ready.
    std::vector<pollfd> fds{{listening, POLLIN, 0}};
    for (auto const& a : agents) fds.push_back({a->fd(), a->events(), 0});
    auto const wait = std::chrono::duration_cast<std::chrono::milliseconds>(tick - Clock::now());
    ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long>(0, wait.count())));
    for (std::size_t i = 0; i < agents.size(); ++i) agents[i]->handle(fds[i + 1].revents);
    if (fds[0].revents & POLLIN) {
      agents.push_back(
          std::make_unique<SocketLog>(attrlog::acceptOn(listening), SocketLog::End::accepting));
      agents.back()->publish(*config);  // its full state, then every change
      std::cout << "front end: an agent connected\n";
    }
    std::erase_if(agents, [](auto const& a) {
      if (!a->open()) std::cout << "front end: an agent left: " << a->failure() << "\n";
      return !a->open();
    });
    if (Clock::now() >= tick) {
      router->priorityIs(100 + 10 * round++);
      std::cout << "front end: Ethernet1 vrid 5 priority " << router->priority() << std::endl;
      tick += std::chrono::seconds(1);
      for (auto const& a : agents) a->flush();
    }
  }
  // The last change goes out before the logs close.
  for (auto const& a : agents) {
    while (a->open() && !a->idle()) a->poll(1000);
  }
  ::unlink(path.c_str());
  return 0;
}
