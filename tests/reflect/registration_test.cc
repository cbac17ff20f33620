// Registration as every process that links the library sees it: the
// descriptors its initialiser registered, and the .xel.type section.
#include <FhrpConf/FhrpConfig.h>
#include <Xel/XelType.h>
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
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

TEST(Registration, LibraryFileListsTheTypesLastRegisteredFirst) {
  std::vector<std::string> expected;
  for (char const* t : reflect_test::kTypes) expected.insert(expected.begin(), fullName(t));
  EXPECT_EQ(sectionNames(FHRPCONF_LIBRARY), expected);
}

}  // namespace
