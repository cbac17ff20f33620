// fhrpconf._core: the generic interface, the type registry and the socket
// log, as Python sees them. Everything Pythonic (classes per type, mapping
// objects, conversions of Python values) is fhrpconf/__init__.py's; this
// module only carries calls across, with these rules:
//
//   - a Handle holds one generic interface; operations are the interface's
//     attribute operations, by id;
//   - every framework exception becomes the Python exception of its kind
//     (fhrpconf.RangeError, ...), with the framework's message;
//   - a Python callback runs inside the C++ call that changed the model
//     (a setter, a replica's poll); an exception it raises is held and
//     raised again when that call returns, so that it reaches the script
//     instead of the framework's handler of failed notifications;
//   - a blocking poll lets go of the interpreter while it waits, and a
//     signal (Ctrl-C) ends the wait with its exception.
#include <FhrpConf/FhrpConfig.h>
#include <FhrpConf/attrlog/Socket.h>
#include <FhrpConf/attrlog/SocketLog.h>
#include <FhrpConf/reflect/Registration.h>
#include <Xel/Dir.h>
#include <Xel/GenericIf.h>
#include <Xel/Text.h>
#include <Xel/XelType.h>
#include <poll.h>
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;
using Routing::Fhrp::attrlog::SocketLog;
using Xel::GenericIf;
using IfPtr = Xel::Ptr<GenericIf>;

namespace {

// The first exception a callback raised during the current call into the
// library; later ones are reported as unraisable.
std::optional<py::error_already_set> pendingError;

void raisePending() {
  if (!pendingError) return;
  py::error_already_set e = std::move(*pendingError);
  pendingError.reset();
  throw e;
}

// Runs `f`, a call that may fire callbacks, and raises what they raised.
template <class F>
auto guarded(F&& f) {
  if constexpr (std::is_void_v<decltype(f())>) {
    f();
    raisePending();
  } else {
    auto r = f();
    raisePending();
    return r;
  }
}

void holdError(py::error_already_set& e) {
  if (pendingError) {
    e.discard_as_unraisable("in a fhrpconf callback");
  } else {
    pendingError.emplace(std::move(e));
  }
}

Xel::XelType const* typeNamed(std::string const& name) {
  Xel::XelType const* t = Xel::XelType::typeNode(Xel::Name(Xel::String8(name)));
  if (!t) Xel::throwRangeException(("no type is registered as " + name).c_str());
  return t;
}

std::string fullName(Xel::XelType const* t) {
  return Xel::XelType::typeNodeName(t).stdString();
}

// One generic interface.
struct Handle {
  IfPtr iface;

  GenericIf& at() const { return *iface; }
  std::string typeName() const { return fullName(iface->type()); }

  // What a Python wrapper needs to know of the value: a builtin's value
  // as Python's own (bool, int, str), or None for anything else.
  py::object builtin() const {
    Xel::XelType const* t = iface->type();
    if (t == Xel::Builtin<bool>::_fwkType()) {
      return py::bool_(*static_cast<bool*>(iface->voidPtrIs(t)));
    }
    if (t == Xel::Builtin<Xel::U32>::_fwkType()) {
      return py::int_(*static_cast<Xel::U32*>(iface->voidPtrIs(t)));
    }
    if (t == Xel::Builtin<Xel::String8>::_fwkType()) {
      return py::str(static_cast<Xel::String8*>(iface->voidPtrIs(t))->stdString());
    }
    return py::none();
  }

  // The object the interface stands for, as a number that is equal for
  // two interfaces over the same object; None for a value.
  py::object identity() const {
    if (iface->type()->isValue()) return py::none();
    return py::int_(
        reinterpret_cast<std::uintptr_t>(iface->voidPtrIs(Xel::PtrInterface::_fwkType())));
  }
};

std::optional<Handle> wrap(IfPtr const& i) {
  if (!i) return std::nullopt;
  return Handle{i};
}

IfPtr unwrap(std::optional<Handle> const& h) {
  return h ? h->iface : nullptr;
}

py::tuple describe(GenericIf::AttributeDescription const& d) {
  return py::make_tuple(d.id, d.name.stdString(), fullName(d.valueType),
                        d.keyType ? py::object(py::str(fullName(d.keyType))) : py::none(),
                        d.collection, d.writable, d.valueType->isEntity());
}

// A Python callback on one object: its own interface, const, whose
// handlers call `fn(attribute id, key handle or None)`.
class Watch {
 public:
  Watch(Handle const& h, py::function fn) : fn_(std::move(fn)) {
    iface_ = h.iface->clone();
    iface_->attributeHandlerIs([this](Xel::AttributeId id) { call(id, py::none()); });
    iface_->memberHandlerIs(
        [this](Xel::AttributeId id, IfPtr const& key) { call(id, py::cast(Handle{key})); });
  }
  ~Watch() { cancel(); }

  void cancel() {
    if (!iface_) return;
    iface_->hasNotificationActiveIs(false);
    iface_ = nullptr;
  }
  bool active() const { return static_cast<bool>(iface_); }

 private:
  void call(Xel::AttributeId id, py::object key) {
    try {
      fn_(id, key);
    } catch (py::error_already_set& e) {
      holdError(e);
    }
  }

  IfPtr iface_;
  py::function fn_;
};

// Waits for `fds` up to `timeoutMs` (-1: no limit) with the interpreter
// free; a signal's handler that raises ends the wait with its exception.
int pollReleased(std::vector<pollfd>& fds, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  auto const until = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int ready;
    {
      py::gil_scoped_release free;
      ready = ::poll(fds.data(), fds.size(), timeoutMs);
    }
    if (ready >= 0) return ready;
    if (errno != EINTR) Xel::throwException(("poll: " + std::string(strerror(errno))).c_str());
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    if (timeoutMs >= 0) {
      auto const left =
          std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      timeoutMs = static_cast<int>(std::max<long long>(0, left));
    }
  }
}

int milliseconds(std::optional<double> seconds) {
  if (!seconds) return -1;
  return static_cast<int>(std::max(0.0, *seconds) * 1000.0);
}

// The connecting end of a socket log: a live replica of what the peer
// publishes, read only.
class Replica {
 public:
  explicit Replica(std::string const& path)
      : log_(std::make_unique<SocketLog>(Routing::Fhrp::attrlog::connectUnix(path),
                                         SocketLog::End::connecting)) {}

  bool poll(std::optional<double> timeout) {
    SocketLog& log = live();
    std::vector<pollfd> fds{{log.fd(), log.events(), 0}};
    if (fds[0].events == 0) return false;
    if (pollReleased(fds, milliseconds(timeout)) == 0) return false;
    guarded([&] { log.handle(fds[0].revents); });
    return true;
  }

  py::dict roots() const {
    py::dict out;
    if (!log_) return out;
    for (Xel::Ptr<Xel::Entity> const& root : log_->demuxer().dir()->entryList()) {
      out[py::str(root->name().stdString())] =
          Handle{root->fwkType()->genericIf_(root.ptr(), true)};
    }
    return out;
  }

  int fileno() const { return live().fd(); }
  Xel::U64 bytesReceived() const { return log_ ? log_->bytesReceived() : 0; }
  bool open() const { return log_ && log_->open(); }
  std::string failure() const { return log_ ? log_->failure() : "closed"; }
  void close() { log_.reset(); }

 private:
  SocketLog& live() const {
    if (!log_) Xel::throwException("the replica is closed");
    return *log_;
  }

  std::unique_ptr<SocketLog> log_;
};

// The accepting end: publishes one tree to every agent that connects at
// a Unix socket's path.
class Server {
 public:
  Server(Handle const& root, std::string path)
      : root_(static_cast<Xel::Entity*>(root.iface->voidPtrIs(Xel::Entity::_fwkType()))),
        path_(std::move(path)),
        listening_(Routing::Fhrp::attrlog::listenUnix(path_)) {}
  ~Server() { close(); }

  // Accepts agents, sends what waits and reads what they send, for up to
  // `timeout` seconds. False when nothing was ready.
  bool poll(std::optional<double> timeout) {
    if (listening_ < 0) Xel::throwException("the server is closed");
    std::vector<pollfd> fds{{listening_, POLLIN, 0}};
    for (auto const& a : agents_) fds.push_back({a->fd(), a->events(), 0});
    if (pollReleased(fds, milliseconds(timeout)) == 0) return false;
    guarded([&] {
      for (std::size_t i = 0; i < agents_.size(); ++i) agents_[i]->handle(fds[i + 1].revents);
    });
    if (fds[0].revents & POLLIN) {
      agents_.push_back(std::make_unique<SocketLog>(Routing::Fhrp::attrlog::acceptOn(listening_),
                                                    SocketLog::End::accepting));
      agents_.back()->publish(*root_);
      agents_.back()->flush();  // the full state goes as far as the socket takes it now
    }
    std::erase_if(agents_, [](auto const& a) { return !a->open(); });
    return true;
  }

  // Polls until every agent has taken all that waits for it, or `timeout`
  // seconds have passed; false then.
  bool flush(std::optional<double> timeout) {
    using Clock = std::chrono::steady_clock;
    auto const until = Clock::now() + std::chrono::milliseconds(milliseconds(timeout));
    for (;;) {
      for (auto const& a : agents_) a->flush();
      bool const idle =
          std::all_of(agents_.begin(), agents_.end(), [](auto const& a) { return a->idle(); });
      if (idle) return true;
      int wait = -1;
      if (timeout) {
        auto const left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) return false;
        wait = static_cast<int>(left);
      }
      poll(wait < 0 ? std::nullopt : std::optional<double>(wait / 1000.0));
    }
  }

  std::size_t agents() const { return agents_.size(); }

  void close() {
    agents_.clear();
    if (listening_ < 0) return;
    ::close(listening_);
    ::unlink(path_.c_str());
    listening_ = -1;
  }

 private:
  Xel::Ptr<Xel::Entity> root_;
  std::string path_;
  int listening_;
  std::vector<std::unique_ptr<SocketLog>> agents_;
};

// The constructor arguments of a type of the model, from its table: a
// named type's name, or its keys in order. None for a type without.
py::object constructorArgs(std::string const& type) {
  auto const* model = dynamic_cast<Routing::Fhrp::reflect::ModelType const*>(typeNamed(type));
  if (!model) return py::none();
  Routing::Fhrp::entity::TypeInfo const& info = model->info();
  py::list args;
  if (info.named) {
    args.append(py::make_tuple("name", fullName(Xel::Builtin<Xel::String8>::_fwkType())));
  } else {
    for (auto const& a : info.attrs) {
      if (a.flags.key) args.append(py::make_tuple(a.name, fullName(a.value.descriptor())));
    }
  }
  return args;
}

// Each framework exception class with its Python class, in the order
// made: a class after the classes it refines.
struct Translation {
  py::object type;
  bool (*is)(Xel::Exception const&);
};
std::vector<Translation>& translations() {
  static auto* t = new std::vector<Translation>;
  return *t;
}

template <class E>
void translate(py::module_& m, char const* name, py::object const& bases, char const* doc) {
  std::string const qualified = std::string("fhrpconf.") + name;
  PyObject* const type = PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), nullptr);
  if (!type) throw py::error_already_set();
  py::object const cls = py::reinterpret_steal<py::object>(type);
  m.attr(name) = cls;
  translations().push_back({cls, [](Xel::Exception const& e) {
                              if constexpr (std::is_same_v<E, Xel::Exception>) return true;
                              return dynamic_cast<E const*>(&e) != nullptr;
                            }});
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The library's generic interface, type registry and socket log (see fhrpconf).";

  py::module_ const builtins = py::module_::import("builtins");
  py::object const valueError = builtins.attr("ValueError");
  py::object const typeError = builtins.attr("TypeError");
  // Each class derives from the one before it that it refines, and from
  // the Python class of its kind; translation tries the last made first.
  translate<Xel::Exception>(m, "Error", py::make_tuple(builtins.attr("Exception")),
                            "A failure the library reports.");
  py::object const error = m.attr("Error");
  translate<Xel::InternalException>(m, "InternalError", py::make_tuple(error),
                                    "A broken invariant of the library.");
  translate<Xel::NameInUseException>(m, "NameInUseError", py::make_tuple(error),
                                     "A name already held by another entity.");
  translate<Xel::UnknownAttrException>(m, "UnknownAttrError",
                                       py::make_tuple(error, builtins.attr("AttributeError")),
                                       "An attribute name or id the type does not have.");
  translate<Xel::UnknownArgException>(m, "UnknownArgError", py::make_tuple(error, typeError),
                                      "More arguments than the type or collection takes.");
  translate<Xel::TypeException>(m, "ArgumentError", py::make_tuple(error, typeError),
                                "An argument missing, or of another type.");
  translate<Xel::OpNotSupportedException>(m, "OpNotSupportedError",
                                          py::make_tuple(error, typeError),
                                          "An operation the attribute does not support.");
  translate<Xel::BadIndexException>(m, "BadIndexError", py::make_tuple(error, typeError),
                                    "A key given to an attribute that holds one value.");
  translate<Xel::ConstException>(m, "ConstError", py::make_tuple(error),
                                 "A change through a read-only object.");
  translate<Xel::RangeException>(m, "RangeError", py::make_tuple(error, valueError),
                                 "A value outside the range its type allows.");
  translate<Xel::ParseException>(m, "ParseError", py::make_tuple(error, valueError),
                                 "Text that does not read as the value asked for.");
  translate<Xel::ConversionException>(m, "ConversionError", py::make_tuple(m.attr("ParseError")),
                                      "Text that reads as a value of another type.");
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (Xel::Exception const& e) {
      for (auto t = translations().rbegin(); t != translations().rend(); ++t) {
        if (t->is(e)) {
          PyErr_SetString(t->type.ptr(), e.what());
          return;
        }
      }
    }
  });

  py::class_<Handle>(m, "Handle", "One generic interface: an object, or a value.")
      .def_property_readonly("type_name", &Handle::typeName)
      .def_property_readonly("is_const", [](Handle const& h) { return h.at().isConst(); })
      .def_property_readonly("is_value", [](Handle const& h) { return h.at().type()->isValue(); })
      .def("text", [](Handle const& h) { return h.at().strRep().stdString(); })
      .def("builtin", &Handle::builtin)
      .def("identity", &Handle::identity)
      .def("read_only",
           [](Handle const& h) {
             auto* const object =
                 static_cast<Xel::PtrInterface*>(h.at().voidPtrIs(Xel::PtrInterface::_fwkType()));
             return Handle{h.at().type()->genericIf_(object, true)};
           })
      .def("attribute_id",
           [](Handle const& h, std::string const& name) {
             return h.at().attributeId(Xel::String8(name));
           })
      .def("describe",
           [](Handle const& h) {
             py::list out;
             for (auto const& d : h.at().attributeDescriptions()) out.append(describe(d));
             return out;
           })
      .def(
          "op",
          [](Handle const& h, int attr, int op, std::optional<Handle> const& index,
             std::optional<Handle> const& value) {
            return guarded([&] {
              return wrap(h.at().attributeOp({attr, op}, unwrap(index), unwrap(value)));
            });
          },
          py::arg("attr"), py::arg("op"), py::arg("index") = std::nullopt,
          py::arg("value") = std::nullopt)
      .def("items",
           [](Handle const& h, int attr) {
             py::list out;
             for (auto it = h.at().attributeIteratorConst(static_cast<Xel::AttributeId>(attr)); it;
                  it.inc()) {
               out.append(py::make_tuple(Handle{it.key()}, wrap(it.obj())));
             }
             return out;
           })
      .def("watch", [](Handle const& h, py::function fn) {
        return std::make_unique<Watch>(h, std::move(fn));
      });

  py::class_<Watch>(m, "Watch", "A callback on one object; it lasts until cancelled.")
      .def("cancel", &Watch::cancel, "Stops the callback.")
      .def_property_readonly("active", &Watch::active);

  py::class_<Replica>(m, "Replica")
      .def(py::init<std::string const&>())
      .def("poll", &Replica::poll, py::arg("timeout") = std::nullopt)
      .def("roots", &Replica::roots)
      .def("fileno", &Replica::fileno)
      .def_property_readonly("bytes_received", &Replica::bytesReceived)
      .def_property_readonly("open", &Replica::open)
      .def_property_readonly("failure", &Replica::failure)
      .def("close", &Replica::close);

  py::class_<Server>(m, "Server")
      .def(py::init<Handle const&, std::string>())
      .def("poll", &Server::poll, py::arg("timeout") = std::nullopt)
      .def("flush", &Server::flush, py::arg("timeout") = std::nullopt)
      .def_property_readonly("agents", &Server::agents)
      .def("close", &Server::close);

  m.def("type_names", [] {
    std::vector<std::string> out;
    for (auto const& n : Xel::XelType::typeNodeNames()) out.push_back(n.stdString());
    return out;
  });
  m.def(
      "from_text",
      [](std::string const& type, std::string const& text, bool isConst) {
        return wrap(typeNamed(type)->genericIf(Xel::String8(text), isConst));
      },
      py::arg("type"), py::arg("text"), py::arg("is_const") = false);
  m.def("default", [](std::string const& type) {
    return Handle{typeNamed(type)->genericIf(static_cast<void const*>(nullptr), false)};
  });
  m.def("from_str", [](std::string const& s) {
    Xel::String8 const v(s);
    return Handle{Xel::Builtin<Xel::String8>::_fwkType()->genericIf(&v, false)};
  });
  m.def("quote",
        [](std::string const& s) { return Xel::valueToStrep(Xel::String8(s)).stdString(); });
  m.def("arguments", [](std::vector<Handle> const& args) {
    Xel::Ptr<GenericIf::List_> const list = GenericIf::List_::listOf({});
    for (Handle const& a : args) list->itemIs(a.iface);
    return Handle{list};
  });
  m.def("construct", [](std::string const& type, Handle const& args) {
    return wrap(typeNamed(type)->genericIf(static_cast<GenericIf const*>(args.iface.ptr()), false));
  });
  m.def("constructor_args", &constructorArgs);
  m.def("is_entity", [](std::string const& type) { return typeNamed(type)->isEntity(); });
  m.def("is_value", [](std::string const& type) { return typeNamed(type)->isValue(); });
}
