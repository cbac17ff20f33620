#include "plain_replica.h"

#include <FhrpConf/reflect/Registration.h>
#include <Xel/Text.h>
#include <Xel/XelType.h>

#include <iterator>
#include <stdexcept>

namespace attrlog_test {

using Routing::Fhrp::entity::AttrKind;
using Op = Decoder::Op;

Replay::Node& Replay::node(Decoder::Item const& item) {
  auto const it = nodes_.find(item.entity);
  if (it == nodes_.end()) {
    throw std::logic_error("record of an entity not created on the log: " +
                           std::string(item.line().view()));
  }
  return it->second;
}

void Replay::drop(Xel::EntityId id) {
  auto const it = nodes_.find(id);
  if (it == nodes_.end()) return;
  std::vector<Xel::EntityId> below;
  for (auto const& [name, m] : it->second.children) {
    for (auto const& [k, child] : m) below.push_back(child);
  }
  nodes_.erase(it);
  for (Xel::EntityId child : below) drop(child);
}

void Replay::apply(std::span<Xel::U8 const> bytes) {
  Xel::NboAttrLog::RecordReader reader(bytes);
  Xel::NboAttrLog::Record r;
  while (reader.next(&r)) apply(decoder_.decode(r));
}

void Replay::apply(Decoder::Item const& item) {
  ++records_;
  auto fail = [&item](char const* what) {
    throw std::logic_error(std::string(what) + ": " + std::string(item.line().view()));
  };
  if (item.op == Op::entity) {
    drop(item.child);
    nodes_[item.child].type = item.type->fullName;
    lastRoot_ = item.child;
    return;
  }
  if (item.op == Op::unknown) fail("record of an entity not created on the log");
  Node& n = node(item);
  std::string const name = item.attr ? item.attr->name : "";
  std::string const key(item.key.view());
  switch (item.op) {
    case Op::set:
      n.values[name] = std::string(item.value.view());
      break;
    case Op::piece:
      if (item.textOffset == 0) {
        n.textAttr = name;
        n.text.clear();
      } else if (n.textAttr != name || n.text.size() != item.textOffset) {
        fail("a text piece out of order");
      }
      n.text += item.value.view();
      if (n.text.size() == item.textTotal) {
        n.values[name] = n.text;
        n.textAttr.clear();
        n.text.clear();
      }
      break;
    case Op::member:
      n.members[name][key] = std::string(item.value.view());
      n.marked[name].erase(key);
      break;
    case Op::removed:
      n.members[name].erase(key);
      if (n.members[name].empty()) n.members.erase(name);
      n.marked[name].erase(key);
      break;
    case Op::created: {
      auto& slot = n.children[name];
      // A single child is replaced by one of another name.
      if (item.attr->kind == AttrKind::singleChild) {
        for (auto const& [k, child] : slot) {
          if (k != key) drop(child);
        }
        for (auto it = slot.begin(); it != slot.end();) {
          it = it->first != key ? slot.erase(it) : std::next(it);
        }
      }
      auto const present = slot.find(key);
      if (present == slot.end() || present->second != item.child) {
        if (present != slot.end()) drop(present->second);
        slot[key] = item.child;
        drop(item.child);
        nodes_[item.child].type = Decoder::typeNamed(item.attr->value.name)->fullName;
      }
      n.marked[name].erase(key);
      break;
    }
    case Op::deleted: {
      auto& slot = n.children[name];
      if (item.attr->kind == AttrKind::singleChild) {
        for (auto const& [k, child] : slot) drop(child);
        slot.clear();
      } else if (auto const it = slot.find(key); it != slot.end()) {
        drop(it->second);
        slot.erase(it);
      }
      if (slot.empty()) n.children.erase(name);
      n.marked[name].erase(key);
      break;
    }
    case Op::start: {
      auto& marks = n.marked[name];
      if (auto const it = n.members.find(name); it != n.members.end()) {
        for (auto const& [k, v] : it->second) marks[k] = true;
      }
      if (auto const it = n.children.find(name); it != n.children.end()) {
        for (auto const& [k, child] : it->second) marks[k] = true;
      }
      n.open.insert(name);
      break;
    }
    case Op::end: {
      if (!n.open.erase(name)) fail("a transaction end without its start");
      for (auto const& [k, marked] : n.marked[name]) {
        if (auto const it = n.members.find(name); it != n.members.end()) it->second.erase(k);
        if (auto const it = n.children.find(name); it != n.children.end()) {
          if (auto const c = it->second.find(k); c != it->second.end()) {
            drop(c->second);
            it->second.erase(c);
          }
        }
      }
      n.marked.erase(name);
      if (n.members.count(name) && n.members[name].empty()) n.members.erase(name);
      if (n.children.count(name) && n.children[name].empty()) n.children.erase(name);
      break;
    }
    case Op::abort:
      // Marks stay until the next end.
      n.open.erase(name);
      break;
    default:
      fail("an unexpected record");
  }
}

Tree Replay::tree(Xel::EntityId id) const {
  auto const it = nodes_.find(id);
  if (it == nodes_.end()) throw std::logic_error("no entity with that id on the log");
  Node const& n = it->second;
  Tree t;
  t.type = n.type;
  t.values = n.values;
  t.members = n.members;
  for (auto const& [name, m] : n.children) {
    for (auto const& [k, child] : m) t.children[name][k] = tree(child);
  }
  return t;
}

}  // namespace attrlog_test
