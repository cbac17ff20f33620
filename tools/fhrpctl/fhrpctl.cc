// fhrpctl: reads and sets a configuration's attributes by path, through the
// generic interface alone.
//
//   fhrpctl FILE get [PATH]          prints what PATH names
//   fhrpctl FILE set PATH VALUE [-o OUT]
//                                    sets it; with -o, writes the tree to OUT
//                                    in FILE's form
//   fhrpctl FILE del PATH [-o OUT]   removes a member or a child
//   fhrpctl FILE dump                prints the whole tree as settings
//   fhrpctl FILE serve SOCKET        publishes the tree on a Unix socket and
//                                    takes edits on standard input (below)
//
// FILE is a capture of an attribute log (what fhrp-logdump reads; its first
// byte is 0) or a text of settings, one per line:
//
//   root 'fhrp'                                       the root Config's name
//   vrrpConfig['vrrp']/vrrpIntfConfig['Ethernet1']    makes what it names
//   vrrpConfig/vrrpIntfConfig['Ethernet1']/virtualRouterConfig[5]/priority = 120
//
// A path walks from the root: attribute names joined by '/', a collection's
// member or a single child's name in brackets, in the text form of its key.
// A value is in the text form of its type. Lines starting with '#' are
// comments. `dump` prints a tree in this form, so that its output reads back
// as the same tree.
//
// serve is a front end for agents to follow: it prints "serving SOCKET"
// once agents can connect, and each that does gets the tree, then every
// change. It reads one edit a line from standard input: a setting as in
// FILE ("PATH = VALUE", or "PATH" to make what it names) or "del PATH".
// Once the edit has been sent to every agent it answers on standard output
// with "ok" and, for each agent, the bytes sent to it so far, or with
// "error: " and the refusal. A refused edit changes nothing. It ends when
// its input does.
//
// Exit status: 0, 1 on a refusal (the message on stderr), 2 on bad usage or
// a file that cannot be read.
#include <FhrpConf/FhrpConfig.h>
#include <Xel/Demuxer.h>
#include <Xel/Dir.h>
#include <Xel/GenericIf.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Xel::GenericIf;
using IfPtr = Xel::Ptr<GenericIf>;
using Description = GenericIf::AttributeDescription;

// Ends the run: a refusal (status 1) or bad usage (status 2).
struct Failure {
  std::string what;
  int status = 1;
};

// One step of a path: an attribute, and the text of a key when bracketed.
struct Step {
  std::string name;
  std::optional<std::string> key;
};

// Splits a path at the '/' that stand outside brackets and quotes.
std::vector<Step> parsePath(std::string const& path) {
  std::vector<Step> steps;
  std::size_t i = 0;
  while (i < path.size()) {
    if (path[i] == '/') {
      ++i;
      continue;
    }
    Step step;
    while (i < path.size() && path[i] != '/' && path[i] != '[') step.name += path[i++];
    if (i < path.size() && path[i] == '[') {
      int depth = 0;
      bool quoted = false;
      std::size_t const start = ++i;
      for (; i < path.size(); ++i) {
        char const c = path[i];
        if (quoted) {
          if (c == '\\') ++i;
          if (c == '\'') quoted = false;
        } else if (c == '\'') {
          quoted = true;
        } else if (c == '[' || c == '(') {
          ++depth;
        } else if (c == ')' || (c == ']' && depth > 0)) {
          --depth;
        } else if (c == ']') {
          break;
        }
      }
      if (i == path.size()) throw Failure{"no closing ']' in path " + path, 2};
      step.key = path.substr(start, i - start);
      ++i;
    }
    if (step.name.empty()) throw Failure{"an empty attribute name in path " + path, 2};
    steps.push_back(std::move(step));
  }
  return steps;
}

Description describe(GenericIf const& at, std::string const& name) {
  Xel::AttributeId const id = at.attributeId(Xel::String8(name.c_str()));
  for (Description const& d : at.attributeDescriptions()) {
    if (d.id == id) return d;
  }
  throw Failure{"no description of attribute " + name};
}

bool isChild(Description const& d) {
  return d.keyType && d.valueType->isEntity();
}

IfPtr fromText(Xel::XelType const* type, std::string const& text) {
  return type->genericIf(Xel::String8(text.c_str()), false);
}

IfPtr op(IfPtr const& at, Description const& d, std::int32_t o, IfPtr const& index = nullptr,
         IfPtr const& value = nullptr) {
  return at->attributeOp({static_cast<std::int32_t>(d.id), o}, index, value);
}

std::string text(IfPtr const& i) {
  return i ? i->strRep().stdString() : "(none)";
}

// Where a path ends: the entity it names (`entity`), or the attribute of
// `owner` it names, with its key when it names a collection's member.
struct Target {
  IfPtr owner;
  std::optional<Description> attr;
  IfPtr key;
  IfPtr entity;
};

// Walks `path` from `root`. With `make`, children on the way that do not
// exist yet are made, from the key (or name) in brackets.
Target walk(IfPtr const& root, std::vector<Step> const& path, bool make) {
  Target t{nullptr, std::nullopt, nullptr, root};
  for (std::size_t i = 0; i < path.size(); ++i) {
    Step const& step = path[i];
    if (!t.entity) throw Failure{"path goes on past a value: " + step.name};
    IfPtr const owner = t.entity;
    Description const d = describe(*owner, step.name);
    if (step.key && !d.keyType) throw Failure{step.name + " takes no key"};
    IfPtr const key = step.key ? fromText(d.keyType, *step.key) : nullptr;
    t = Target{owner, d, nullptr, nullptr};
    if (!isChild(d)) {
      t.key = d.collection ? key : nullptr;
      if (i + 1 != path.size()) throw Failure{"path goes on past a value: " + step.name};
      return t;
    }
    IfPtr child = op(owner, d, GenericIf::opRead, d.collection ? key : nullptr);
    if (!child && make) {
      if (!key) throw Failure{step.name + " does not exist; name it in brackets to make it"};
      child = op(owner, d, GenericIf::opWrite, nullptr, GenericIf::List_::listOf({key}));
    }
    if (!child) {
      throw Failure{"no " + step.name + (step.key ? "[" + *step.key + "]" : std::string())};
    }
    // A single child is there under one name only.
    if (!d.collection && key) {
      std::string const name = text(child->attributeOp({Xel::Entity::nameId, GenericIf::opRead}));
      if (name != text(key)) throw Failure{step.name + " is " + name + ", not " + text(key)};
    }
    t.entity = child;
    t.key = d.collection ? key : nullptr;
  }
  return t;
}

std::string keyed(std::string const& path, Description const& d, IfPtr const& key) {
  std::string line = path.empty() ? "" : path + "/";
  line += d.name.stdString();
  if (key) line += "[" + text(key) + "]";
  return line;
}

// Prints every setting of `at` under `path`: values a setter takes,
// collections' members, and children, each child followed by its own.
void dump(std::ostream& os, IfPtr const& at, std::string const& path) {
  for (Description const& d : at->attributeDescriptions()) {
    if (!d.writable) continue;
    if (!d.collection && !d.keyType) {
      os << keyed(path, d, nullptr) << " = " << text(op(at, d, GenericIf::opRead)) << '\n';
    } else if (!d.collection) {
      if (IfPtr const child = op(at, d, GenericIf::opRead)) {
        IfPtr const name = child->attributeOp({Xel::Entity::nameId, GenericIf::opRead});
        os << keyed(path, d, name) << '\n';
        dump(os, child, keyed(path, d, nullptr));
      }
    } else {
      for (auto it = at->attributeIteratorConst(d.id); it; it.inc()) {
        IfPtr const key = it.key();
        if (isChild(d)) {
          os << keyed(path, d, key) << '\n';
          dump(os, it.obj(), keyed(path, d, key));
        } else {
          os << keyed(path, d, key) << " = " << text(it.obj()) << '\n';
        }
      }
    }
  }
}

void get(std::ostream& os, Target const& t) {
  if (t.entity) {
    dump(os, t.entity, "");
  } else if (t.attr->collection && !t.key) {
    for (auto it = t.owner->attributeIteratorConst(t.attr->id); it; it.inc()) {
      os << '[' << text(it.key()) << "] = " << text(it.obj()) << '\n';
    }
  } else {
    os << text(op(t.owner, *t.attr, GenericIf::opRead, t.key)) << '\n';
  }
}

void needsKey(Target const& t) {
  if (t.attr->collection && !t.key)
    throw Failure{t.attr->name.stdString() + " needs a key in brackets"};
}

void set(Target const& t, std::string const& value) {
  if (!t.attr || isChild(*t.attr)) throw Failure{"set names a value, not an object"};
  needsKey(t);
  op(t.owner, *t.attr, GenericIf::opWrite, t.key, fromText(t.attr->valueType, value));
}

void del(Target const& t) {
  if (!t.attr || (!t.attr->collection && !isChild(*t.attr))) {
    throw Failure{"del names a collection's member or a child"};
  }
  needsKey(t);
  op(t.owner, *t.attr, GenericIf::opDelete, t.key);
}

// A tree and the form it came in.
struct Tree {
  IfPtr root;
  bool capture = false;
};

std::string trim(std::string s) {
  std::size_t const first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Reads every key of `path` and the value for its end, as the types on the
// way take them, without making anything: a line refused there leaves the
// tree as it was. A child not there yet stands as an interface over none.
void check(IfPtr const& root, std::vector<Step> const& path, std::optional<std::string> value) {
  IfPtr at = root;
  for (std::size_t i = 0; i < path.size(); ++i) {
    Step const& step = path[i];
    if (!at) throw Failure{"path goes on past a value: " + step.name};
    Description const d = describe(*at, step.name);
    IfPtr const key = step.key && d.keyType ? fromText(d.keyType, *step.key) : nullptr;
    if (!isChild(d)) {
      if (i + 1 != path.size()) throw Failure{"path goes on past a value: " + step.name};
      if (!value) return;
      if (!d.writable) GenericIf::throwOpNotSupportedException(d.name, GenericIf::opWrite, false);
      fromText(d.valueType, *value);
      return;
    }
    IfPtr child;
    if (at->voidPtrIs(Xel::PtrInterface::_fwkType())) {
      child = op(at, d, GenericIf::opRead, d.collection ? key : nullptr);
    }
    at = child ? child : d.valueType->genericIf_(nullptr, true);
  }
}

// A line of settings: "PATH = VALUE" sets a value, "PATH" makes what it
// names.
void applySetting(IfPtr const& root, std::string const& line) {
  std::size_t const eq = line.find(" = ");
  std::vector<Step> const path = parsePath(trim(line.substr(0, eq)));
  std::optional<std::string> const value =
      eq == std::string::npos ? std::nullopt : std::optional(trim(line.substr(eq + 3)));
  check(root, path, value);
  Target const t = walk(root, path, true);
  if (value) set(t, *value);
}

Tree readText(std::string const& bytes) {
  std::istringstream in(bytes);
  std::string line;
  IfPtr root;
  auto rootNamed = [&](std::string const& name) {
    Xel::XelType const* config = Xel::XelType::typeNode("Routing::Fhrp::Config");
    auto const args =
        GenericIf::List_::listOf({fromText(Xel::Builtin<Xel::String8>::_fwkType(), name)});
    return config->genericIf(args.ptr(), false);
  };
  for (int n = 1; std::getline(in, line); ++n) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    try {
      if (!root && line.rfind("root ", 0) == 0) {
        root = rootNamed(trim(line.substr(5)));
        continue;
      }
      if (!root) root = rootNamed("'fhrp'");
      applySetting(root, line);
    } catch (Xel::Exception const& e) {
      throw Failure{"line " + std::to_string(n) + ": " + e.what()};
    } catch (Failure const& u) {
      throw Failure{"line " + std::to_string(n) + ": " + u.what, u.status};
    }
  }
  if (!root) root = rootNamed("'fhrp'");
  return {root, false};
}

Tree readCapture(std::string const& bytes) {
  auto const log = Xel::NboAttrLog::Demuxer::demuxerNew(Xel::NboAttrLog::Out::outNew());
  std::span<Xel::U8 const> const data(reinterpret_cast<Xel::U8 const*>(bytes.data()), bytes.size());
  if (log->flowInRun(data) != data.size()) throw Failure{"the capture ends inside a record"};
  std::vector<Xel::Ptr<Xel::Entity>> const roots = log->dir()->entryList();
  if (roots.size() != 1) {
    throw Failure{"the capture holds " + std::to_string(roots.size()) +
                  " roots; fhrpctl reads one"};
  }
  Xel::Entity* const root = roots.front().ptr();
  // The tree outlives the log it came from.
  return {root->fwkType()->genericIf_(root, false), true};
}

std::string writeCapture(IfPtr const& root) {
  using Xel::NboAttrLog::Out;
  Xel::Ptr<Out> const out = Out::outNew();
  auto const log = Xel::NboAttrLog::Demuxer::demuxerNew(out);
  auto* const entity = static_cast<Xel::Entity*>(root->voidPtrIs(Xel::Entity::_fwkType()));
  entity->xelNboAttrLogSaIs(Xel_BitSet(), 0, out, nullptr);
  log->flowOutRun();
  auto const bytes = out->bytes();
  return std::string(reinterpret_cast<char const*>(bytes.data()), bytes.size());
}

std::string rootLine(IfPtr const& root) {
  return "root " + text(root->attributeOp({Xel::Entity::nameId, GenericIf::opRead})) + "\n";
}

std::string readFile(std::string const& name) {
  if (name == "-") return {std::istreambuf_iterator<char>(std::cin), {}};
  std::ifstream file(name, std::ios::binary);
  if (!file) throw Failure{"cannot read " + name, 2};
  return {std::istreambuf_iterator<char>(file), {}};
}

void writeFile(std::string const& name, Tree const& tree) {
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  if (tree.capture) {
    file << writeCapture(tree.root);
  } else {
    file << rootLine(tree.root);
    dump(file, tree.root, "");
  }
  if (!file) throw Failure{"cannot write " + name, 2};
}

// serve: the tree on `socketPath` for every agent that connects, and the
// edits of standard input applied to it.
void serve(Tree const& tree, std::string const& socketPath) {
  using Routing::Fhrp::attrlog::SocketLog;
  auto* const root = static_cast<Xel::Entity*>(tree.root->voidPtrIs(Xel::Entity::_fwkType()));
  int const listening = Routing::Fhrp::attrlog::listenUnix(socketPath);
  std::cout << "serving " << socketPath << std::endl;
  std::vector<std::unique_ptr<SocketLog>> agents;
  std::string pending;
  auto answer = [&](std::string const& line) {
    try {
      if (line.rfind("del ", 0) == 0) {
        del(walk(tree.root, parsePath(trim(line.substr(4))), false));
      } else {
        applySetting(tree.root, line);
      }
    } catch (Xel::Exception const& e) {
      return std::string("error: ") + e.what();
    } catch (Failure const& f) {
      return "error: " + f.what;
    }
    std::string reply = "ok";
    for (auto const& a : agents) {
      while (a->open() && !a->idle()) a->poll(-1);
      reply += " " + std::to_string(a->bytesSent());
    }
    return reply;
  };
  for (bool input = true; input;) {
    std::vector<pollfd> fds{{listening, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (auto const& a : agents) fds.push_back({a->fd(), a->events(), 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) continue;
    for (std::size_t i = 0; i < agents.size(); ++i) agents[i]->handle(fds[i + 2].revents);
    std::erase_if(agents, [](auto const& a) { return !a->open(); });
    // An agent that connected before an edit was written sees the edit.
    if (fds[0].revents & POLLIN) {
      agents.push_back(std::make_unique<SocketLog>(Routing::Fhrp::attrlog::acceptOn(listening),
                                                   SocketLog::End::accepting));
      agents.back()->publish(*root);
    }
    if (!(fds[1].revents & (POLLIN | POLLHUP))) continue;
    char buffer[4096];
    ssize_t const n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) input = false;
    if (n > 0) pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string const line = trim(pending.substr(0, end));
      pending.erase(0, end + 1);
      if (line.empty() || line[0] == '#') continue;
      std::cout << answer(line) << std::endl;
    }
  }
  for (auto const& a : agents) {
    while (a->open() && !a->idle()) a->poll(-1);
  }
  ::close(listening);
  ::unlink(socketPath.c_str());
}

int run(std::vector<std::string> args) {
  std::string out;
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-o") {
      out = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                 args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  if (args.size() < 2) throw Failure{"", 2};
  std::string const bytes = readFile(args[0]);
  Tree const tree = !bytes.empty() && bytes[0] == '\0' ? readCapture(bytes) : readText(bytes);
  std::string const& command = args[1];
  std::vector<Step> const path =
      args.size() > 2 && command != "serve" ? parsePath(args[2]) : std::vector<Step>{};
  if (command == "get" && args.size() <= 3) {
    get(std::cout, walk(tree.root, path, false));
  } else if (command == "dump" && args.size() == 2) {
    std::cout << rootLine(tree.root);
    dump(std::cout, tree.root, "");
  } else if (command == "set" && args.size() == 4) {
    set(walk(tree.root, path, false), args[3]);
  } else if (command == "del" && args.size() == 3) {
    del(walk(tree.root, path, false));
  } else if (command == "serve" && args.size() == 3) {
    serve(tree, args[2]);
  } else {
    throw Failure{"", 2};
  }
  if (!out.empty()) writeFile(out, tree);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run({argv + 1, argv + argc});
  } catch (Xel::Exception const& e) {
    std::cerr << "fhrpctl: " << e.what() << '\n';
    return 1;
  } catch (Failure const& f) {
    if (!f.what.empty()) std::cerr << "fhrpctl: " << f.what << '\n';
    if (f.status == 2) {
      std::cerr << "usage: fhrpctl FILE get [PATH] | set PATH VALUE | del PATH | dump [-o OUT] | "
                   "serve SOCKET\n";
    }
    return f.status;
  }
}
