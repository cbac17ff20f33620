// The library's registration as a process sees it when it loads the
// library: without a listening handler, with a disabled one, and with an
// enabled one that records the whole walk. Each case loads the library in
// a child process of its own, since a library loads once per process.
#include <Xel/IntrospectionReactor.h>
#include <Xel/XelType.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "registered_attributes.h"

namespace {

using reflect_test::kAttributes;
using reflect_test::kFlags;
using reflect_test::kTypes;
using reflect_test::registered;
using Xel::Ptr;

struct Recorder : Xel::IntrospectionHandler {
  std::vector<std::string> events;
  std::map<std::string, std::vector<Ptr<Xel::XelAttr>>> attrs;
  std::string current;
  int attrReports = 0, contextExits = 0;
  void handleNameSpace(char const* name) override { events.push_back(std::string("ns ") + name); }
  void handleType(Ptr<Xel::XelType const> const& type, Ptr<Xel::XelType const> const&) override {
    current = type->name().stdString();
    events.push_back("type " + current);
  }
  void handleAttr(Ptr<Xel::XelAttr> const& attr) override {
    attrs[current].push_back(attr);
    ++attrReports;
  }
  void handleAttrContextExit() override { ++contextExits; }
  void handleScopeExit() override { events.push_back("exit"); }
};

void loadLibrary() {
  if (!dlopen(FHRPCONF_LIBRARY, RTLD_NOW | RTLD_GLOBAL)) {
    std::fprintf(stderr, "cannot load %s: %s\n", FHRPCONF_LIBRARY, dlerror());
    std::exit(2);
  }
}

std::string fullName(std::string const& short_) {
  return "Routing::Fhrp::" + short_;
}

Xel::XelType const* type(std::string const& tableName) {
  return Xel::XelType::typeNode(Xel::Name(registered(tableName).c_str()));
}

// Exits 0 when `problems` is empty, else prints them and exits 1.
[[noreturn]] void finish(std::ostringstream const& problems) {
  std::string const text = problems.str();
  std::fputs(text.c_str(), stderr);
  std::exit(text.empty() ? 0 : 1);
}

// Without an enabled handler: every descriptor is registered, but no type
// has attributes of its own, and the handler hears nothing.
[[noreturn]] void checkQuietLoad(Recorder const* recorder) {
  loadLibrary();
  std::ostringstream problems;
  for (char const* t : kTypes) {
    auto const* d = type(t);
    if (!d) {
      problems << fullName(t) << " is not registered\n";
      continue;
    }
    for (auto const& a : d->attributes()) {
      if (a->owner() == d && a->id() >= 2) problems << t << " defined " << a->name() << "\n";
    }
  }
  if (recorder && !recorder->events.empty()) problems << "the disabled handler heard reports\n";
  finish(problems);
}

[[noreturn]] void checkEnabledWalk() {
  Ptr<Recorder> recorder(new Recorder);
  recorder->enabledIs(true);
  Xel::IntrospectionReactor::global()->handlerIs(recorder);
  loadLibrary();
  std::ostringstream problems;

  std::vector<std::string> expected{"ns Routing", "ns Fhrp"};
  for (char const* t : kTypes) {
    expected.push_back(std::string("type ") + t);
    expected.push_back("exit");
  }
  expected.insert(expected.end(), {"exit", "exit"});
  if (recorder->events != expected) problems << "the walk's reports are out of order\n";
  if (recorder->contextExits != recorder->attrReports) problems << "unbalanced attribute reports\n";

  std::size_t row = 0;
  for (char const* t : kTypes) {
    auto const* d = type(t);
    auto const& seen = recorder->attrs[t];
    // Copies of the base type's attributes come first, with the base's ids.
    std::size_t const inherited = d->base() ? d->base()->attributes().size() : 0;
    for (std::size_t i = 0; i < inherited && i < seen.size(); ++i) {
      if (seen[i]->id() != d->base()->attributes()[i]->id() || seen[i]->owner() != d) {
        problems << t << ": inherited attribute " << i << " is no copy of the base's\n";
      }
    }
    std::size_t own = inherited;
    for (; row < std::size(kAttributes) && t == std::string(kAttributes[row].type); ++row, ++own) {
      auto const& want = kAttributes[row];
      if (own >= seen.size()) {
        problems << t << ": " << want.name << " was never reported\n";
        continue;
      }
      auto const& got = *seen[own];
      std::string const where = std::string(t) + "." + want.name + ": ";
      if (got.name() != want.name) problems << where << "reported as " << got.name() << "\n";
      if (got.id() != want.id) problems << where << "id " << got.id() << "\n";
      if (got.valueType() != type(want.valueType)) problems << where << "wrong value type\n";
      bool const single = std::string(want.flags) == "E1";
      if (*want.keyType && got.keyType() != type(want.keyType))
        problems << where << "wrong key type\n";
      if (!*want.keyType && !single && got.keyType()) problems << where << "has a key type\n";
      for (auto const& f : kFlags) {
        if (std::string(f.key) != want.flags) continue;
        if (got.flags().first != f.first || got.flags().second != f.second) {
          problems << where << "flag words " << std::hex << got.flags().first << " "
                   << got.flags().second << std::dec << "\n";
        }
        if (got.introspectionFlags() != f.introspection)
          problems << where << "introspection flags\n";
      }
      if (single && got.keyTypeName() != "Xel::Name") problems << where << "key type name\n";
      if (*want.keyType && std::string(want.flags)[0] == 'E' &&
          got.keyTypeName() != registered(want.keyType).c_str()) {
        problems << where << "key type name " << got.keyTypeName() << "\n";
      }
    }
    if (own != seen.size()) problems << t << ": " << seen.size() - own << " attributes too many\n";
  }
  if (row != std::size(kAttributes)) problems << "not every expected attribute was met\n";

  auto const* vrId = type("VrId");
  if (!vrId->valAttr() || vrId->valAttr()->name() != "value")
    problems << "VrId's value attribute\n";
  auto const* key = type("FhrpConfigKey");
  if (key->constructorArgNames().size() != 3) problems << "FhrpConfigKey's arguments\n";
  auto const* list = type("BfdPeerVrIdList");
  if (list->isEntity() || list->isValue()) problems << "BfdPeerVrIdList's kind\n";
  if (!type("TrackedObject")->isEntity() || !type("VrId")->isValue()) problems << "kinds\n";
  if (type("TrackedObject")->constructorArgTypes() != std::vector<Xel::String8>{"Xel::String"}) {
    problems << "TrackedObject's argument type\n";
  }
  finish(problems);
}

TEST(Introspection, WithoutAHandlerDescriptorsExistButDefineNothing) {
  EXPECT_EXIT(checkQuietLoad(nullptr), ::testing::ExitedWithCode(0), "");
}

TEST(Introspection, ADisabledHandlerHearsNothingAndNothingIsDefined) {
  EXPECT_EXIT(
      {
        Ptr<Recorder> recorder(new Recorder);
        Xel::IntrospectionReactor::global()->handlerIs(recorder);
        checkQuietLoad(recorder.ptr());
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Introspection, AnEnabledHandlerHearsEveryTypeAndAttributeAsRegistered) {
  EXPECT_EXIT(checkEnabledWalk(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
