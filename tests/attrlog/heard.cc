#include "heard.h"

#include <Xel/NboAttrLog.h>

#include <set>
#include <stdexcept>

namespace attrlog_test {

using Routing::Fhrp::entity::AttrKind;
using Xel::NboAttrLog::Demuxer;
using Xel::NboAttrLog::Out;
using Op = Decoder::Op;

namespace {

bool single(AttrInfo const& a) {
  return a.kind == AttrKind::singleChild;
}

std::string member(std::string const& path, char const* attr, std::string const& key) {
  return path + "/" + attr + "[" + key + "]";
}

AttrInfo const& attrNamed(std::string const& type, std::string const& name) {
  TypeInfo const* const t = Decoder::typeNamed(Xel::String8(type));
  AttrInfo const* const a = t ? Routing::Fhrp::entity::findAttr(*t, name) : nullptr;
  if (!a) throw std::logic_error("no attribute " + name + " in " + type);
  return *a;
}

// Whether `path` is `prefix` or lies below it.
bool within(std::string const& path, std::string const& prefix) {
  return path.compare(0, prefix.size(), prefix) == 0 &&
         (path.size() == prefix.size() || path[prefix.size()] == '/' || path[prefix.size()] == '[');
}

template <class Map, class Visit>
void eachKey(Map const& a, Map const& b, Visit const& visit) {
  std::set<std::string> keys;
  for (auto const& [k, v] : a) keys.insert(k);
  for (auto const& [k, v] : b) keys.insert(k);
  for (auto const& k : keys) {
    auto const i = a.find(k);
    auto const j = b.find(k);
    visit(k, i == a.end() ? nullptr : &i->second, j == b.end() ? nullptr : &j->second);
  }
}

void diff(Tree const& before, Tree const& after, std::string const& path, Events const& heard,
          Events& out) {
  eachKey(before.values, after.values, [&](std::string const& name, auto b, auto a) {
    if (!b || !a || *b != *a) ++out[path + "/" + name];
  });
  eachKey(before.members, after.members, [&](std::string const& name, auto bm, auto am) {
    decltype(before.members.begin()->second) const none;
    eachKey(bm ? *bm : none, am ? *am : none, [&](std::string const& key, auto b, auto a) {
      if (!b || !a || *b != *a) ++out[member(path, name.c_str(), key)];
    });
  });
  eachKey(before.children, after.children, [&](std::string const& name, auto bc, auto ac) {
    decltype(before.children.begin()->second) const none;
    bool const isSingle = single(attrNamed(after.type, name));
    eachKey(bc ? *bc : none, ac ? *ac : none, [&](std::string const& key, auto b, auto a) {
      std::string const child = member(path, name.c_str(), key);
      std::string const event = isSingle ? path + "/" + name : child;
      if (!b || !a) {
        ++out[event];
      } else if (!heard.count(event)) {
        diff(*b, *a, child, heard, out);
      }
    });
  });
}

}  // namespace

Heard::Heard(Xel::Entity& root) : log_(Demuxer::demuxerNew(Out::outNew())) {
  root.xelNboAttrLogSaIs(Xel_BitSet(), 0, log_->out(), nullptr);
  take();
}

Events Heard::take() {
  log_->flowOutRun();
  Out& out = *log_->out();
  Xel::NboAttrLog::RecordReader reader(out.bytes());
  Xel::NboAttrLog::Record r;
  Events events;
  std::set<std::string> created;
  auto newlyCreated = [&](std::string const& path) {
    for (auto const& c : created) {
      if (within(path, c)) return true;
    }
    return false;
  };
  while (reader.next(&r)) {
    Decoder::Item const item = decoder_.decode(r);
    if (item.op == Op::entity) {
      paths_[item.child] = "";
      continue;
    }
    if (!item.attr) continue;
    std::string const& path = paths_.at(item.entity);
    std::string const key(item.key.view());
    std::string const at = path + "/" + item.attr->name;
    switch (item.op) {
      case Op::created:
        paths_[item.child] = member(path, item.attr->name, key);
        created.insert(paths_[item.child]);
        ++events[single(*item.attr) ? at : paths_[item.child]];
        break;
      case Op::deleted:
        ++events[single(*item.attr) ? at : member(path, item.attr->name, key)];
        break;
      case Op::set:
        if (!newlyCreated(path)) ++events[at];
        break;
      case Op::piece:
        // A text is heard once, however many pieces carry it.
        if (item.textOffset == 0 && !newlyCreated(path)) ++events[at];
        break;
      case Op::member:
      case Op::removed:
        if (!newlyCreated(path)) ++events[member(path, item.attr->name, key)];
        break;
      default:
        break;
    }
  }
  out.bytesDel(out.byteCount());
  return events;
}

bool below(std::string const& e, Events const& events) {
  for (std::size_t i = 1; i < e.size(); ++i) {
    if ((e[i] == '/' || e[i] == '[') && events.count(e.substr(0, i))) return true;
  }
  return false;
}

Events differences(Tree const& before, Tree const& after, Events const& heard) {
  Events out;
  diff(before, after, "", heard, out);
  return out;
}

}  // namespace attrlog_test
