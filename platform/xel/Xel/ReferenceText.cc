#include "Xel/ReferenceText.h"

#include <string>
#include <string_view>

#include "Xel/Handle.h"
#include "Xel/XelType.h"

namespace Xel {

namespace {

Name typeNameOf(PtrInterface const* p) {
  XelType const* const type = p->fwkType();
  return type ? XelType::typeNodeName(type) : Name("Xel::PtrInterface");
}

// What a reference says about its object, besides the handle.
struct Described {
  Name type;
  bool named = false;
  String8 name;
};

Described describe(PtrInterface const* p) {
  Described d;
  d.type = typeNameOf(p);
  if (auto const* e = dynamic_cast<Entity const*>(p)) {
    d.named = true;
    d.name = e->name();
  }
  return d;
}

bool sameDescription(Described const& a, Described const& b) {
  return a.type == b.type && a.named == b.named && a.name == b.name;
}

}  // namespace

String8 valueToStrepOfRawPtr(Entity const* p) {
  return valueToStrepOfRawPtr(static_cast<PtrInterface const*>(p));
}

String8 valueToStrepOfRawPtr(PtrInterface const* p) {
  if (!p) return String8("None");
  Described const d = describe(p);
  std::string text = "Ref(";
  text += valueToStrep(static_cast<unsigned long long>(handleOf(p))).view();
  text += ", ";
  text += valueToStrep(String8(d.type)).view();
  if (d.named) {
    text += ", ";
    text += valueToStrep(d.name).view();
  }
  text += ')';
  return String8(text);
}

Ptr<PtrInterface> sequenceToValueOfPtr(String8::IteratorConst& pos,
                                       String8::IteratorConst const& end, PtrInterface*) {
  skipWhiteSpace(pos, end);
  String8::IteratorConst const start = pos;
  if (end - pos >= 4 && std::string_view(pos.ptr(), 4) == "None") {
    pos += 4;
    skipWhiteSpace(pos, end);
    return nullptr;
  }
  needString(pos, end, "Ref (");
  long long handle = 0;
  sequenceToValue(pos, end, &handle);
  needString(pos, end, " ,");
  Described said;
  String8 type;
  sequenceToValue(pos, end, &type);
  said.type = type;
  skipWhiteSpace(pos, end);
  if (!(pos == end) && *pos == ',') {
    ++pos;
    said.named = true;
    sequenceToValue(pos, end, &said.name);
  }
  needString(pos, end, " ) ");

  Ptr<PtrInterface> const object = handle > 0 ? handleObject(static_cast<U64>(handle)) : nullptr;
  if (!object || !sameDescription(describe(object.ptr()), said)) {
    std::string problem = "no live ";
    problem += said.type.view();
    if (said.named) {
      problem += ' ';
      problem += valueToStrep(said.name).view();
    }
    problem += " has handle ";
    problem += valueToStrep(handle).view();
    throwParseError(problem, start, end);
  }
  return object;
}

Ptr<Entity> sequenceToValueOfPtr(String8::IteratorConst& pos, String8::IteratorConst const& end,
                                 Entity*) {
  Ptr<PtrInterface> const object =
      sequenceToValueOfPtr(pos, end, static_cast<PtrInterface*>(nullptr));
  if (!object) return nullptr;
  auto* const entity = dynamic_cast<Entity*>(object.ptr());
  if (!entity) cannotConvert(pos, end, typeid(Entity));
  return entity;
}

}  // namespace Xel
