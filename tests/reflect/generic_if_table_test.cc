// Every registered attribute of every type, through the generic interface:
// what it serves and what it refuses, each refusal with its message. What
// to expect follows from the attribute's registered flags, not from the
// library's tables.
#include <FhrpConf/FhrpConfig.h>
#include <Xel/GenericIf.h>
#include <Xel/Text.h>
#include <Xel/XelType.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "registered_attributes.h"

namespace {

using reflect_test::ExpectedAttr;
using testing::HasSubstr;
using testing::IsNull;
using testing::NotNull;
using testing::ThrowsMessage;
using Xel::GenericIf;
using IfPtr = Xel::Ptr<GenericIf>;
using List = GenericIf::List_;

Xel::XelType const* descriptor(std::string const& listed) {
  Xel::XelType const* t =
      Xel::XelType::typeNode(Xel::Name(reflect_test::registered(listed).c_str()));
  EXPECT_THAT(t, NotNull()) << listed;
  return t;
}

IfPtr defaultOf(std::string const& listed) {
  return descriptor(listed)->genericIf(static_cast<void const*>(nullptr), false);
}

IfPtr op(IfPtr const& i, ExpectedAttr const& a, std::int32_t o, IfPtr const& index = nullptr,
         IfPtr const& value = nullptr) {
  return i->attributeOp({static_cast<std::int32_t>(a.id), o}, index, value);
}

std::string notSupported(std::string const& name, int o) {
  return "operation " + std::to_string(o) + " is not supported on attribute " + name;
}

std::string mistyped(std::string const& name) {
  return "missing or mistyped argument: " + name;
}

// The name of a type's key, as a child's creation asks for it.
std::string keyOf(std::string const& type) {
  for (ExpectedAttr const& a : reflect_test::kAttributes) {
    if (a.type == type && std::string(a.flags) == "K") return a.name;
  }
  return "name";
}

// An object (or value) of each type, over which a fresh interface stands:
// built from default arguments by the type's list constructor, or, for the
// one type that has none, by its parent.
IfPtr sample(std::string const& type, bool isConst) {
  Xel::XelType const* t = descriptor(type);
  IfPtr made;
  if (type == "VarpIntfIdCol") {
    IfPtr varp = sample("VarpConfig", false);
    made = varp->attributeOp({263, GenericIf::opWrite}, nullptr,
                             List::listOf({defaultOf("VirtualIp::VrfIpPair")}));
  } else {
    Xel::Ptr<List> args = List::listOf({});
    for (ExpectedAttr const& a : reflect_test::kAttributes) {
      if (a.type == type && std::string(a.flags) == "K") args->itemIs(defaultOf(a.valueType));
    }
    if (t->isEntity() && keyOf(type) == "name") args->itemIs(defaultOf("Xel::String8"));
    made = t->genericIf(args.ptr(), false);
  }
  if (!isConst) return made;
  if (t->isValue()) return t->genericIf(made->voidPtrIs(t), true);
  return t->genericIf_(
      static_cast<Xel::PtrInterface*>(made->voidPtrIs(Xel::PtrInterface::_fwkType())), true);
}

void singleValued(IfPtr const& i, ExpectedAttr const& a, bool writable) {
  IfPtr const read = op(i, a, GenericIf::opRead);
  ASSERT_THAT(read, NotNull());
  EXPECT_NO_THROW(read->voidPtrIs(descriptor(a.valueType)));
  EXPECT_THAT([&] { op(i, a, GenericIf::opRead, read); },
              ThrowsMessage<Xel::BadIndexException>("attribute " + std::string(a.name) +
                                                    " takes no index"));
  for (int o : {1, 2, 3, 100, 129}) {
    EXPECT_THAT([&] { op(i, a, o); },
                ThrowsMessage<Xel::OpNotSupportedException>(notSupported(a.name, o)));
  }
  if (!writable) {
    EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, nullptr, read); },
                ThrowsMessage<Xel::OpNotSupportedException>(notSupported(a.name, 128)));
    return;
  }
  EXPECT_THAT(op(i, a, GenericIf::opWrite, nullptr, read), IsNull());
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite); },
              ThrowsMessage<Xel::TypeException>(mistyped(a.name)));
}

std::string text(IfPtr const& i) {
  return i ? i->strRep().stdString() : "null";
}

void valueCollection(IfPtr const& i, ExpectedAttr const& a) {
  IfPtr const key = defaultOf(a.keyType);
  IfPtr const value = defaultOf(a.valueType);
  for (int o : {0, 3, 128, 129}) {
    EXPECT_THAT([&] { op(i, a, o, nullptr, value); },
                ThrowsMessage<Xel::TypeException>(mistyped("xel_index")));
  }
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, key); },
              ThrowsMessage<Xel::TypeException>(mistyped(a.name)));
  EXPECT_EQ(text(op(i, a, GenericIf::opContains, key)), "false");
  std::string const before = text(op(i, a, GenericIf::opModifications));
  EXPECT_THAT(op(i, a, GenericIf::opWrite, key, value), IsNull());
  EXPECT_NE(text(op(i, a, GenericIf::opModifications)), before);
  EXPECT_EQ(text(op(i, a, GenericIf::opCount)), "1");
  EXPECT_EQ(text(op(i, a, GenericIf::opContains, key)), "true");
  EXPECT_EQ(text(op(i, a, GenericIf::opRead, key)), text(value));
  EXPECT_EQ(text(op(i, a, GenericIf::opDelete, key)), text(value));
  EXPECT_EQ(text(op(i, a, GenericIf::opCount)), "0");
  EXPECT_THAT([&] { op(i, a, GenericIf::opEquals, key); },
              ThrowsMessage<Xel::OpNotSupportedException>(notSupported(a.name, 100)));
}

void childCollection(IfPtr const& i, ExpectedAttr const& a) {
  IfPtr const key = defaultOf(a.keyType);
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, nullptr, key); },
              ThrowsMessage<Xel::TypeException>(mistyped("Xel::GenericIf::List_")));
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, nullptr, List::listOf({})); },
              ThrowsMessage<Xel::TypeException>(mistyped(keyOf(a.valueType))));
  EXPECT_THAT(
      [&] {
        op(i, a, GenericIf::opWrite, nullptr, List::listOf({key, key}));
      },
      ThrowsMessage<Xel::UnknownArgException>("too many arguments for " + std::string(a.name)));
  EXPECT_THAT(op(i, a, GenericIf::opRead, key), IsNull());
  IfPtr const child = op(i, a, GenericIf::opWrite, nullptr, List::listOf({key}));
  ASSERT_THAT(child, NotNull());
  EXPECT_EQ(child->type(), descriptor(a.valueType));
  EXPECT_EQ(text(op(i, a, GenericIf::opCount)), "1");
  EXPECT_EQ(text(op(i, a, GenericIf::opContains, key)), "true");
  Xel::XelType const* entity = Xel::Entity::_fwkType();
  EXPECT_EQ(op(i, a, GenericIf::opRead, key)->voidPtrIs(entity), child->voidPtrIs(entity));
  EXPECT_EQ(op(i, a, GenericIf::opDelete, key)->voidPtrIs(entity), child->voidPtrIs(entity));
  EXPECT_THAT(op(i, a, GenericIf::opDelete, key), IsNull());
  EXPECT_EQ(text(op(i, a, GenericIf::opCount)), "0");
  EXPECT_THAT([&] { op(i, a, GenericIf::opEquals, key); },
              ThrowsMessage<Xel::OpNotSupportedException>(notSupported(a.name, 100)));
}

void singleChild(IfPtr const& i, ExpectedAttr const& a) {
  EXPECT_THAT(op(i, a, GenericIf::opRead), IsNull());
  EXPECT_THAT([&] { op(i, a, GenericIf::opRead, defaultOf("Xel::String8")); },
              ThrowsMessage<Xel::BadIndexException>("attribute " + std::string(a.name) +
                                                    " takes no index"));
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, nullptr, List::listOf({})); },
              ThrowsMessage<Xel::TypeException>(mistyped("name")));
  Xel::String8 const name("g");
  IfPtr const n = Xel::Builtin<Xel::String8>::_fwkType()->genericIf(&name, false);
  EXPECT_THAT([&] { op(i, a, GenericIf::opWrite, nullptr, n); },
              ThrowsMessage<Xel::TypeException>(mistyped("Xel::GenericIf::List_")));
  EXPECT_THAT(
      [&] {
        op(i, a, GenericIf::opWrite, nullptr, List::listOf({n, n}));
      },
      ThrowsMessage<Xel::UnknownArgException>("too many arguments for " + std::string(a.name)));
  IfPtr const child = op(i, a, GenericIf::opWrite, nullptr, List::listOf({n}));
  ASSERT_THAT(child, NotNull());
  EXPECT_EQ(text(child->attributeOp({Xel::Entity::nameId, GenericIf::opRead})), "'g'");
  EXPECT_EQ(op(i, a, GenericIf::opRead)->type(), descriptor(a.valueType));
  EXPECT_THAT(op(i, a, GenericIf::opDelete), NotNull());
  EXPECT_THAT(op(i, a, GenericIf::opRead), IsNull());
  EXPECT_THAT([&] { op(i, a, GenericIf::opCount); },
              ThrowsMessage<Xel::OpNotSupportedException>(notSupported(a.name, 1)));
}

TEST(GenericIfTable, EveryAttributeServesItsOperationsAndRefusesTheRest) {
  std::set<std::string> kinds;
  for (ExpectedAttr const& a : reflect_test::kAttributes) {
    SCOPED_TRACE(std::string(a.type) + "." + a.name);
    IfPtr const i = sample(a.type, false);
    std::string const flags = a.flags;
    kinds.insert(flags);
    EXPECT_EQ(i->attributeId(a.name), a.id);
    bool const collection =
        flags == "V" || flags == "VV" || flags == "P" || flags == "E" || flags == "EV";
    bool const writable =
        collection || flags == "E1" || flags == "S" || flags == "SV" || flags == "R";
    int described = 0;
    for (GenericIf::AttributeDescription const& d : i->attributeDescriptions()) {
      if (d.id != a.id) continue;
      ++described;
      EXPECT_EQ(d.name, a.name);
      EXPECT_EQ(d.valueType, descriptor(a.valueType));
      EXPECT_EQ(d.collection, collection);
      EXPECT_EQ(d.writable, writable);
      EXPECT_EQ(d.keyType != nullptr, collection || flags == "E1");
    }
    EXPECT_EQ(described, 1);
    if (flags == "V" || flags == "VV" || flags == "P") {
      valueCollection(i, a);
    } else if (flags == "E" || flags == "EV") {
      childCollection(i, a);
    } else if (flags == "E1") {
      singleChild(i, a);
    } else {
      singleValued(i, a, flags == "S" || flags == "SV" || flags == "R");
    }
  }
  // Every kind of attribute the registry knows was met.
  EXPECT_EQ(kinds.size(), std::size(reflect_test::kFlags));
}

TEST(GenericIfTable, AConstInterfaceRefusesEveryWriteBeforeLookingFurther) {
  std::string const refusal = "attempting to modify a const instance";
  for (char const* type : reflect_test::kTypes) {
    SCOPED_TRACE(type);
    IfPtr const i = sample(type, true);
    ASSERT_TRUE(i->isConst());
    // An id no type has, an index where none belongs, no value at all.
    for (std::int32_t id : {9999, 2, 258, 131}) {
      for (int o : {128, 129, 200}) {
        EXPECT_THAT(
            [&] {
              i->attributeOp({id, o}, i);
            },
            ThrowsMessage<Xel::ConstException>(refusal));
      }
    }
  }
}

TEST(GenericIfTable, IdsAndNamesTheTypeLacksGoToTheBase) {
  for (char const* type : reflect_test::kTypes) {
    SCOPED_TRACE(type);
    IfPtr const i = sample(type, false);
    std::string const shortName = i->type()->name().stdString();
    EXPECT_EQ(shortName, type);
    EXPECT_THAT(
        [&] {
          i->attributeOp({9999, GenericIf::opRead});
        },
        ThrowsMessage<Xel::UnknownAttrException>(shortName + " has no attribute with id 9999"));
    EXPECT_THAT(
        [&] { i->attributeId("nosuch"); },
        ThrowsMessage<Xel::UnknownAttrException>(shortName + " has no attribute named nosuch"));
    // Conversion to another type names the interface's own.
    EXPECT_THAT([&] { i->voidPtrIs(Xel::Builtin<bool>::_fwkType()); },
                ThrowsMessage<Xel::TypeException>(mistyped(shortName)));
    // A clone stands for the same object, or holds an equal value.
    IfPtr const copy = i->clone();
    EXPECT_EQ(copy->type(), i->type());
    if (i->type()->isValue()) {
      EXPECT_EQ(text(copy), text(i));
    } else {
      EXPECT_EQ(copy->voidPtrIs(i->type()), i->voidPtrIs(i->type()));
    }
    if (i->type()->isValue()) continue;
    // Over a foreign object: an interface over none, which says so.
    Xel::Ptr<Xel::Entity> const foreign = Routing::Fhrp::trackedObjectFactory("t");
    IfPtr const none =
        i->type()->genericIf_(i->type() == foreign->fwkType() ? nullptr : foreign.ptr(), false);
    EXPECT_THAT(
        [&] {
          none->attributeOp({static_cast<int>(i->attributeDescriptions().back().id), 0});
        },
        ThrowsMessage<Xel::Exception>("the " + shortName + " interface stands for no object"));
    if (!i->type()->isEntity()) continue;
    // What every entity has, answered by the framework's base.
    EXPECT_EQ(i->attributeId("name"), Xel::Entity::nameId);
    EXPECT_EQ(i->attributeId("parent"), Xel::Entity::parentId);
    EXPECT_EQ(text(i->attributeOp({154, GenericIf::opRead})), "true");
    EXPECT_THAT(
        [&] {
          i->attributeOp({Xel::Entity::nameId, GenericIf::opWrite});
        },
        ThrowsMessage<Xel::OpNotSupportedException>(notSupported("name", 128)));
  }
}

// Texts of the model's value types, and of the imported ones whose text
// the model's own values hold, at their extremes and in forms a person
// types, with what each writes back (empty: the same text). The other
// imported types' samples are the network values' own test's.
struct TextSample {
  std::string type, text, written;
};

std::vector<TextSample> textSamples() {
  std::string const longestVrf(100, 'v');
  std::string const pair = "Value('Routing::Fhrp::FhrpIntfIdPair', ** {";
  std::string const key = "Value('Routing::Fhrp::FhrpConfigKey', ** {";
  return {
      {"U32", "4294967295", ""},
      {"Routing::Fhrp::VrId", "256", ""},
      {"Routing::Fhrp::FhrpIntfIdPair",
       " Value ( 'Routing::Fhrp::FhrpIntfIdPair' , ** { 'vrId' : 256 , 'intfId' : 'Et1' } ) ",
       pair + "'intfId': 'Et1', 'vrId': 256})"},
      {"Routing::Fhrp::FhrpConfigKey",
       key + "'vrId': 7, 'reloadDelay': 4294967295, 'intfId': 'Ethernet1', 'af': ipv6})",
       key + "'intfId': 'Ethernet1', 'vrId': 7, 'af': ipv6, 'reloadDelay': 4294967295})"},
      {"Routing::Fhrp::FhrpConfigKey", key + "'af': ipv4})",
       key + "'intfId': '', 'vrId': 0, 'af': ipv4, 'reloadDelay': 0})"},
      {"Pelno::IntfId", "'Port-Channel10.4094'", ""},
      {"Pelno::Ip6Addr", "2001:DB8:0:0:0:0:0:1", "2001:db8::1"},
      {"Pelno::Ip6Addr", "2001:db8:0:0:1:0:0:1", "2001:db8::1:0:0:1"},
      {"Pelno::Ip6Addr", "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff", ""},
      {"VirtualIp::VrfIpPair", "('" + longestVrf + "', 198.51.100.1)", ""},
  };
}

// Text written by strRep reads back through the type's descriptor as an
// equal value, or as the same live object.
TEST(GenericIfTable, EveryRegisteredTypeReadsBackWhatItWrites) {
  auto roundTrip = [&](Xel::XelType const* t, IfPtr const& original) {
    std::string const written = text(original);
    IfPtr const back = t->genericIf(Xel::String8(written), true);
    EXPECT_TRUE(back->isConst());
    EXPECT_EQ(text(back), written);
    if (t->isValue()) {
      EXPECT_EQ(text(back->attributeOp({0, GenericIf::opEquals}, nullptr, original)), "true");
    } else {
      Xel::XelType const* const any = Xel::PtrInterface::_fwkType();
      EXPECT_EQ(back->voidPtrIs(any), original->voidPtrIs(any));
    }
    return written;
  };
  for (TextSample const& s : textSamples()) {
    SCOPED_TRACE(s.text);
    Xel::XelType const* const t = descriptor(s.type);
    EXPECT_EQ(roundTrip(t, t->genericIf(Xel::String8(s.text), false)),
              s.written.empty() ? s.text : s.written);
  }
  for (Xel::Name const& name : Xel::XelType::typeNodeNames()) {
    Xel::XelType const* const t = Xel::XelType::typeNode(name);
    if (t->isValue()) {
      roundTrip(t, defaultOf(name.stdString()));
    } else if (t != Xel::PtrInterface::_fwkType() && t != Xel::Entity::_fwkType()) {
      SCOPED_TRACE(name.stdString());
      EXPECT_THAT(roundTrip(t, sample(t->name().stdString(), false)), testing::StartsWith("Ref("));
      EXPECT_EQ(text(t->genericIf(Xel::String8(" None "), false)), "None");
    }
  }
}

TEST(GenericIfTable, AReferenceToAnotherTypeDoesNotConvert) {
  for (auto [from, to] : {std::pair<char const*, char const*>{"TrackedObject", "VrrpConfig"},
                          {"BfdPeerVrIdList", "TrackedObject"}}) {
    IfPtr const object = sample(from, false);
    std::string const written = text(object);
    std::string const message = "cannot convert to Routing::Fhrp::" + std::string(to) +
                                " at column " + std::to_string(written.size()) + " of " +
                                Xel::valueToStrep(Xel::String8(written)).stdString();
    EXPECT_THAT([&] { descriptor(to)->genericIf(Xel::String8(written), false); },
                ThrowsMessage<Xel::ConversionException>(message));
  }
}

}  // namespace
