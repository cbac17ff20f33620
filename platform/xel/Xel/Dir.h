// Dir: entities kept by name, outside any tree.
//
// OVERVIEW
//   A directory holds entities that have no parent of their own: the roots
//   a peer announces on an attribute log land in its log's directory, under
//   their names, and a reader that already holds a tree (a restarted agent)
//   puts it there before the peer's records arrive, so that the peer's
//   announcement of the same entity binds to it instead of making a new one.
//
// OWNERSHIP
//   A directory holds one reference to each entry.
//
// THREAD SAFETY
//   None: used by the thread that drives its log.
#pragma once

#include <map>
#include <vector>

#include "Xel/Entity.h"
#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/String8.h"

namespace Xel {

class XEL_EXPORT Dir : public PtrInterface {
 public:
  static Ptr<Dir> dirNew() { return Ptr<Dir>(new Dir()); }

  // The entry named `name`, or null.
  Entity* entry(String8 const& name) const noexcept;
  // Puts `entity` under its name (or `name`), replacing what was there.
  void entryIs(Ptr<Entity> const& entity) { entryIs(entity->name(), entity); }
  void entryIs(String8 const& name, Ptr<Entity> const& entity);
  void entryDel(String8 const& name) { entries_.erase(name); }
  std::size_t entries() const noexcept { return entries_.size(); }
  // The entries, in name order.
  std::vector<Ptr<Entity>> entryList() const;

  ~Dir() override;

 private:
  Dir() noexcept = default;

  std::map<String8, Ptr<Entity>> entries_;
};

}  // namespace Xel
