#include "Xel/Dir.h"

namespace Xel {

Dir::~Dir() = default;

Entity* Dir::entry(String8 const& name) const noexcept {
  auto const it = entries_.find(name);
  return it == entries_.end() ? nullptr : it->second.ptr();
}

void Dir::entryIs(String8 const& name, Ptr<Entity> const& entity) {
  entries_[name] = entity;
}

std::vector<Ptr<Entity>> Dir::entryList() const {
  std::vector<Ptr<Entity>> list;
  list.reserve(entries_.size());
  for (auto const& [name, entity] : entries_) list.push_back(entity);
  return list;
}

}  // namespace Xel
