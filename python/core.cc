// fhrpconf._core: the generic interface, the type registry and the socket
// log, as Python sees them. Everything Pythonic (classes per type, mapping
// objects, conversions of Python values) is the package's (fhrpconf/*.py);
// this module only carries calls across, with these rules:
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
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;
using Routing::Fhrp::attrlog::SocketLog;
using Xel::GenericIf;
using IfPtr = Xel::Ptr<GenericIf>;

namespace {

// The first exception a callback raised during the outermost call into
// the library now running; later ones are reported as unraisable. A call
// a callback makes is nested in it: what its callbacks raise goes to the
// outermost call too.
std::optional<py::error_already_set> pendingError;
int callDepth = 0;

void dropPending() {
  if (!pendingError) return;
  pendingError->discard_as_unraisable("in a fhrpconf callback");
  pendingError.reset();
}

// Runs `f`, a call that may fire callbacks; the outermost call raises what
// they raised. When `f` itself fails, its failure is what the caller sees.
template <class F>
auto guarded(F&& f) {
  ++callDepth;
  struct Leave {
    ~Leave() {
      if (--callDepth == 0 && std::uncaught_exceptions() > 0) dropPending();
    }
  } leave;
  auto raise = [] {
    if (callDepth != 1 || !pendingError) return;
    py::error_already_set e = std::move(*pendingError);
    pendingError.reset();
    throw e;
  };
  if constexpr (std::is_void_v<decltype(f())>) {
    f();
    raise();
  } else {
    auto r = f();
    raise();
    return r;
  }
}

// Text between the library and Python. The library's strings are bytes;
// bytes that are not UTF-8 come through as Python's surrogate escapes, and
// go back as the same bytes.
py::str pyText(std::string_view s) {
  PyObject* const o =
      PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
  if (!o) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(o);
}

std::string bytesOf(py::str const& s) {
  PyObject* const b = PyUnicode_AsEncodedString(s.ptr(), "utf-8", "surrogateescape");
  if (!b) throw py::error_already_set();
  std::string out(PyBytes_AS_STRING(b), static_cast<std::size_t>(PyBytes_GET_SIZE(b)));
  Py_DECREF(b);
  return out;
}

void holdError(py::error_already_set& e) {
  // Outside every call (no one to raise it to) or after the first: printed.
  if (pendingError || callDepth == 0) {
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
      return pyText(static_cast<Xel::String8*>(iface->voidPtrIs(t))->view());
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

// A Python callback on one object: an interface of its own over it, whose
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
    // The callback may cancel this watch, or drop the last reference to
    // it: what the call runs in stays until it returns.
    IfPtr const keep = iface_;
    py::function const fn = fn_;
    try {
      fn(id, key);
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

// A timeout for poll: -1 for none, and no more than poll can wait.
int milliseconds(std::optional<double> seconds) {
  if (!seconds) return -1;
  double const ms = std::ceil(*seconds * 1000.0);
  if (!(ms < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return ms > 0 ? static_cast<int>(ms) : 0;
}

// What a replica and a server share: the socket calls run in poll(), and
// nothing may close what a poll is using. A close() from a callback inside
// the poll, or from another thread while the poll waits, wakes the poll and
// is carried out as it ends.
class Endpoint {
 public:
  Endpoint() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wake_ < 0) Xel::throwException(("eventfd: " + std::string(strerror(errno))).c_str());
  }
  virtual ~Endpoint() { ::close(wake_); }
  Endpoint(Endpoint const&) = delete;
  Endpoint& operator=(Endpoint const&) = delete;

  void close() {
    if (!polling_) {
      shut();
      return;
    }
    closing_ = true;
    std::uint64_t const one = 1;
    [[maybe_unused]] auto const n = ::write(wake_, &one, sizeof one);
  }

 protected:
  // Runs one poll, `f(wake)`: `wake` is a descriptor to poll beside the
  // sockets, readable once close() was asked for.
  template <class F>
  bool polled(F&& f) {
    if (polling_) Xel::throwException("polled while a poll of it runs");
    polling_ = true;
    struct End {
      Endpoint& e;
      ~End() {
        e.polling_ = false;
        if (!e.closing_) return;
        e.closing_ = false;
        std::uint64_t drained;
        [[maybe_unused]] auto const n = ::read(e.wake_, &drained, sizeof drained);
        e.shut();
      }
    } end{*this};
    return f(wake_);
  }
  virtual void shut() = 0;

 private:
  int wake_;
  bool polling_ = false;
  bool closing_ = false;
};

// The connecting end of a socket log: a live replica of what the peer
// publishes, read only.
class Replica : public Endpoint {
 public:
  explicit Replica(std::string const& path)
      : log_(std::make_unique<SocketLog>(Routing::Fhrp::attrlog::connectUnix(path),
                                         SocketLog::End::connecting)) {}

  bool poll(std::optional<double> timeout) {
    SocketLog& log = live();
    return polled([&](int wake) {
      std::vector<pollfd> fds{{log.fd(), log.events(), 0}, {wake, POLLIN, 0}};
      if (fds[0].events == 0) return false;
      if (pollReleased(fds, milliseconds(timeout)) == 0 || fds[1].revents) return false;
      guarded([&] { log.handle(fds[0].revents); });
      return true;
    });
  }

  py::dict roots() const {
    py::dict out;
    if (!log_) return out;
    for (Xel::Ptr<Xel::Entity> const& root : log_->demuxer().dir()->entryList()) {
      out[pyText(root->name().view())] = Handle{root->fwkType()->genericIf_(root.ptr(), true)};
    }
    return out;
  }

  int fileno() const { return live().fd(); }
  Xel::U64 bytesReceived() const { return log_ ? log_->bytesReceived() : 0; }
  bool open() const { return log_ && log_->open(); }
  std::string failure() const { return log_ ? log_->failure() : "closed"; }

 private:
  void shut() override { log_.reset(); }

  SocketLog& live() const {
    if (!log_) Xel::throwException("the replica is closed");
    return *log_;
  }

  std::unique_ptr<SocketLog> log_;
};

// The accepting end: publishes one tree to every agent that connects at
// a Unix socket's path.
class Server : public Endpoint {
 public:
  Server(Handle const& root, std::string path)
      : root_(static_cast<Xel::Entity*>(root.iface->voidPtrIs(Xel::Entity::_fwkType()))),
        path_(std::move(path)),
        listening_(Routing::Fhrp::attrlog::listenUnix(path_)) {}
  ~Server() override { shut(); }

  // Accepts agents, sends what waits and reads what they send, for up to
  // `timeout` seconds. False when nothing was ready.
  bool poll(std::optional<double> timeout) {
    if (listening_ < 0) Xel::throwException("the server is closed");
    return polled([&](int wake) { return pollAgents(wake, timeout); });
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

 private:
  bool pollAgents(int wake, std::optional<double> timeout) {
    std::vector<pollfd> fds{{listening_, POLLIN, 0}, {wake, POLLIN, 0}};
    for (auto const& a : agents_) fds.push_back({a->fd(), a->events(), 0});
    if (pollReleased(fds, milliseconds(timeout)) == 0 || fds[1].revents) return false;
    guarded([&] {
      for (std::size_t i = 0; i < agents_.size(); ++i) agents_[i]->handle(fds[i + 2].revents);
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

  void shut() override {
    agents_.clear();
    if (listening_ < 0) return;
    ::close(listening_);
    ::unlink(path_.c_str());
    listening_ = -1;
  }

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
          PyErr_SetObject(t->type.ptr(), pyText(e.message().view()).ptr());
          return;
        }
      }
    }
  });

  py::class_<Handle>(m, "Handle", "One generic interface: an object, or a value.")
      .def_property_readonly("type_name", &Handle::typeName)
      .def_property_readonly("is_const", [](Handle const& h) { return h.at().isConst(); })
      .def_property_readonly("is_value", [](Handle const& h) { return h.at().type()->isValue(); })
      .def("text", [](Handle const& h) { return pyText(h.at().strRep().view()); })
      .def("builtin", &Handle::builtin)
      .def("identity", &Handle::identity)
      .def("read_only",
           [](Handle const& h) {
             auto* const object =
                 static_cast<Xel::PtrInterface*>(h.at().voidPtrIs(Xel::PtrInterface::_fwkType()));
             return Handle{h.at().type()->genericIf_(object, true)};
           })
      .def("attribute_id",
           [](Handle const& h, py::str const& name) {
             return h.at().attributeId(Xel::String8(bytesOf(name)));
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
      [](std::string const& type, py::str const& text, bool isConst) {
        return wrap(typeNamed(type)->genericIf(Xel::String8(bytesOf(text)), isConst));
      },
      py::arg("type"), py::arg("text"), py::arg("is_const") = false);
  m.def("default", [](std::string const& type) {
    return Handle{typeNamed(type)->genericIf(static_cast<void const*>(nullptr), false)};
  });
  m.def("from_str", [](py::str const& s) {
    Xel::String8 const v(bytesOf(s));
    return Handle{Xel::Builtin<Xel::String8>::_fwkType()->genericIf(&v, false)};
  });
  m.def("quote", [](py::str const& s) {
    return pyText(Xel::valueToStrep(Xel::String8(bytesOf(s))).view());
  });
  m.def("arguments", [](std::vector<Handle> const& args) {
    Xel::Ptr<GenericIf::List_> const list = GenericIf::List_::listOf({});
    for (Handle const& a : args) list->itemIs(a.iface);
    return Handle{list};
  });
  m.def("construct", [](std::string const& type, Handle const& args) {
    return wrap(typeNamed(type)->genericIf(static_cast<GenericIf const*>(args.iface.ptr()), false));
  });
  m.def("constructor_args", &constructorArgs);
  m.def("is_value", [](std::string const& type) { return typeNamed(type)->isValue(); });
}
