// Registration as every process that links the library sees it: the
// descriptors its initialiser registered, and the .xel.type section.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/reflect/Registration.h>
#include <Xel/XelType.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "registered_attributes.h"

namespace {

using namespace Routing::Fhrp;

std::string fullName(char const* t) {
  return std::string("Routing::Fhrp::") + t;
}

TEST(Registration, EveryTypeIsRegisteredUnderItsFullNameInOrder) {
  std::vector<std::string> names;
  for (auto const& n : Xel::XelType::typeNodeNames()) {
    if (n.view().starts_with("Routing::Fhrp::")) names.push_back(n.stdString());
  }
  std::vector<std::string> expected;
  for (char const* t : reflect_test::kTypes) expected.push_back(fullName(t));
  EXPECT_EQ(names, expected);
}

TEST(Registration, OneDescriptorPerTypeWhoeverAsks) {
  EXPECT_EQ(TrackedObject::_fwkType(), TrackedObject::_fwkType());
  EXPECT_EQ(Xel::XelType::typeNode("Routing::Fhrp::TrackedObject"), TrackedObject::_fwkType());
  EXPECT_EQ(trackedObjectFactory("t")->fwkType(), TrackedObject::_fwkType());
  EXPECT_EQ(bfdPeerVrIdListFactory(Bfd::Peer())->fwkType(), BfdPeerVrIdList::_fwkType());
  EXPECT_EQ(Xel::XelType::typeNode("Routing::Fhrp::VrId"), VrId::_fwkType());
  EXPECT_EQ(TrackedObject::_fwkType()->name(), "TrackedObject");
  EXPECT_EQ(TrackedObject::_fwkType()->base(), Xel::Entity::_fwkType());
  EXPECT_EQ(BfdPeerVrIdList::_fwkType()->base(), Xel::PtrInterface::_fwkType());
  EXPECT_EQ(VrId::_fwkType()->base(), nullptr);
}

TEST(Registration, EntityTypesKnowTheirBaseAndDerivedTypes) {
  auto const& derived = Xel::Entity::_fwkType()->derivedTypes();
  auto const has = [&](Xel::XelType const* t) {
    for (auto const& d : derived) {
      if (d.ptr() == t) return true;
    }
    return false;
  };
  EXPECT_TRUE(has(Config::_fwkType()));
  EXPECT_TRUE(has(VrrpVirtualRouterConfig::_fwkType()));
  EXPECT_FALSE(has(BfdPeerVrIdList::_fwkType()));
}

TEST(Registration, NamedTypesAreMadeByNameThroughTheirDescriptor) {
  auto made = Config::_fwkType()->newEntity("root", nullptr);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->name(), "root");
  EXPECT_EQ(made->fwkType(), Config::_fwkType());
  EXPECT_TRUE(DynVarpConfigError::_fwkType()->newEntity("e", nullptr));
  EXPECT_FALSE(VarpIntfIdCol::_fwkType()->newEntity("x", nullptr));
  EXPECT_FALSE(VrrpIpAddrs::_fwkType()->newEntity("x", nullptr));  // made by its own factory only
  EXPECT_FALSE(TrackedObject::_fwkType()->newEntity("x", nullptr));
}

// The names in the library file's .xel.type section.
std::vector<std::string> sectionNames(char const* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
  auto read = [&](auto const& header) {
    using Header = std::decay_t<decltype(header)>;
    using Section =
        std::conditional_t<sizeof(Header) == sizeof(Elf64_Ehdr), Elf64_Shdr, Elf32_Shdr>;
    Header h;
    std::memcpy(&h, file.data(), sizeof h);
    auto section = [&](std::size_t i) {
      Section s;
      std::memcpy(&s, file.data() + h.e_shoff + i * h.e_shentsize, sizeof s);
      return s;
    };
    Section const strings = section(h.e_shstrndx);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < h.e_shnum; ++i) {
      Section const s = section(i);
      if (std::string(file.data() + strings.sh_offset + s.sh_name) != ".xel.type") continue;
      std::string run;
      for (std::size_t b = 0; b < s.sh_size; ++b) {
        char const c = file[s.sh_offset + b];
        if (c) {
          run += c;
        } else if (!run.empty()) {
          names.push_back(run);
          run.clear();
        }
      }
    }
    return names;
  };
  if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) return {};
  return file[EI_CLASS] == ELFCLASS64 ? read(Elf64_Ehdr{}) : read(Elf32_Ehdr{});
}

// attributeString answers from the generated member tables, registration
// from its own: both must give every id the transcribed name.
TEST(Registration, EveryEntityNamesItsAttributesAsRegistered) {
  auto const varp = varpConfigFactory("v");
  std::map<std::string, Xel::Ptr<Xel::Entity>> const entities = {
      {"Config", configFactory("c")},
      {"DynVarpConfig", dynVarpConfigFactory("d")},
      {"DynVarpConfigError", dynVarpConfigErrorFactory("e")},
      {"FhrpLinkLocal6IntfCol", fhrpLinkLocal6IntfColFactory(VirtualIp::VrfIpPair())},
      {"TrackedObject", trackedObjectFactory("t")},
      {"VarpConfig", varp},
      {"VarpIntfConfig", varpIntfConfigFactory(Pelno::IntfId("Ethernet1"))},
      {"VarpIntfIdCol", varp->virtualIpAddrIs(VirtualIp::VrfIpPair())},
      {"VrrpConfig", vrrpConfigFactory("r")},
      {"VrrpIntfConfig", vrrpIntfConfigFactory(Pelno::IntfId("Ethernet1"))},
      {"VrrpIp6Addrs", vrrpIp6AddrsFactory("6")},
      {"VrrpIpAddrs", vrrpIpAddrsFactory("4")},
      {"VrrpVirtualRouterConfig", vrrpVirtualRouterConfigFactory(VrId(1))},
  };
  std::map<std::string, Xel::AttributeId> last;
  for (auto const& a : reflect_test::kAttributes) {
    auto const e = entities.find(a.type);
    if (e == entities.end() || a.id < 258) continue;
    EXPECT_EQ(e->second->attributeString(a.id), a.name) << a.type << " " << a.id;
    last[a.type] = std::max(last[a.type], a.id);
  }
  ASSERT_EQ(last.size(), entities.size());
  for (auto const& [type, entity] : entities) {
    EXPECT_EQ(entity->attributeString(last[type] + 1), "") << type << ": nothing after the last";
    EXPECT_EQ(entity->attributeString(154), "xelHasAttrLogInterface") << type << ": the base's";
  }
}

// Each registered descriptor holds its type's table (whose rows the
// introspection walk checks against the transcription).
TEST(Registration, EveryDescriptorHoldsItsTypesTable) {
  for (char const* t : reflect_test::kTypes) {
    auto const* type = Xel::XelType::typeNode(Xel::Name(fullName(t).c_str()));
    ASSERT_NE(type, nullptr) << t;
    entity::TypeInfo const& info = static_cast<reflect::ModelType const*>(type)->info();
    EXPECT_EQ(info.descriptor(), type) << t;
    EXPECT_STREQ(info.name, t);
  }
}

TEST(Registration, LibraryFileListsTheTypesLastRegisteredFirst) {
  std::vector<std::string> expected;
  for (char const* t : reflect_test::kTypes) expected.insert(expected.begin(), fullName(t));
  EXPECT_EQ(sectionNames(FHRPCONF_LIBRARY), expected);
}

}  // namespace
