// The introspection reactor: where libraries report the types they define.
//
// OVERVIEW
//   A library's introspection walk reports its namespaces, types and
//   attributes to IntrospectionReactor::global(), which passes each report
//   to its handler. The walk runs only while a handler is installed and
//   enabled: a process that does not want the description pays nothing for
//   it. defNoninstantiatingAttr defines an attribute of a type (queued on
//   the type and known to its attribute node) and reports it.
//
// THREAD SAFETY
//   Registration runs in the thread that loads a library.
#pragma once

#include "Xel/Export.h"
#include "Xel/Ptr.h"
#include "Xel/PtrInterface.h"
#include "Xel/XelType.h"

namespace Xel {

// Receives the reports of introspection walks. The defaults ignore them.
class XEL_EXPORT IntrospectionHandler : public PtrInterface {
 public:
  bool enabled() const noexcept { return enabled_; }
  void enabledIs(bool enabled) noexcept { enabled_ = enabled; }

  virtual void handleNameSpace(char const* name);
  virtual void handleType(Ptr<XelType const> const& type, Ptr<XelType const> const& base);
  virtual void handleAttr(Ptr<XelAttr> const& attr);
  virtual void handleAttrContextExit();
  virtual void handleScopeExit();
  ~IntrospectionHandler() override;

 private:
  bool enabled_ = false;
};

class XEL_EXPORT IntrospectionReactor : public PtrInterface {
 public:
  // The process's reactor.
  static Ptr<IntrospectionReactor> global();

  IntrospectionHandler* handler() const noexcept { return handler_.ptr(); }
  void handlerIs(Ptr<IntrospectionHandler> const& handler) { handler_ = handler; }
  // Whether a walk may run now: a handler is installed and enabled.
  bool active() const noexcept { return handler_ && handler_->enabled(); }

  void handleNameSpace(char const* name);
  void handleType(Ptr<XelType const> const& type, Ptr<XelType const> const& base);
  void handleAttr(Ptr<XelAttr> const& attr);
  void handleAttrContextExit();
  void handleScopeExit();

  // Defines attribute `name` of `type`, queues it, and reports it.
  Ptr<XelAttr> defNoninstantiatingAttr(Ptr<XelType> const& type, Name name,
                                       Ptr<XelType> const& valueType, Ptr<XelType> const& keyType,
                                       XelAttr::AttrFlags const& flags,
                                       XelAttr::XelAttrIntrospectionFlags introspection,
                                       AttributeId id);

 private:
  Ptr<IntrospectionHandler> handler_;
};

// Keeps the given accessor reachable for tools that inspect a loaded
// library; nothing depends on what it does with it.
XEL_EXPORT void forcePointerAccessH(void const* accessor) noexcept;

}  // namespace Xel
