#include "plain_observer.h"

namespace bench {
namespace {

struct PlainWatcher : Observer {
  unsigned seen = 0;
  void onChange(unsigned value) override { seen += value; }
};

}  // namespace

std::unique_ptr<Observer> plainObserver() {
  return std::make_unique<PlainWatcher>();
}

}  // namespace bench
