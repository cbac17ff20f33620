// The model in one process, in two walks: the change protocol step by
// step, and a configuration watched the way protocol agents watch it.
#include <iostream>

#include "walks.h"

int main() {
  std::cout << "== A tracked object and two observers ==\n";
  walkTrackedObject();
  std::cout << "\n== A router's first-hop-redundancy configuration ==\n";
  walkConfiguration();
  return 0;
}
