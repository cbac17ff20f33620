// make demo: the model at work, in two walks.
#include <iostream>

#include "walks.h"

int main() {
  std::cout << "== A tracked object and two observers ==\n";
  walkTrackedObject();
  std::cout << "\n== A router's first-hop-redundancy configuration ==\n";
  walkConfiguration();
  return 0;
}
