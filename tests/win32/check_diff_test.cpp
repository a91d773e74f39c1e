// qndcheck script against the real DoReg and UndoReg: random registry scripts over random
// registries of every root (pre-existing keys and values, registry links, loops of links, long
// paths, macros, repeated entries), and fixed rows for the known traps. What explain says is
// written, and what coverage says is left behind or taken away, must be exactly what snapshots
// of the registry show after DoReg and after UndoReg; their results must be the ones the
// listing gives; and qndcheck must change nothing.
//
// QND_CHECK_SEEDS=N runs seeds 1 to N instead of the fixed set (make fuzz-check SEEDS=N);
// QND_CHECK_FIRST_SEED moves the first. A failing case prints its registry and its script.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench.h"

namespace {

constexpr unsigned kFixedSeeds = 120;

// The test's own key below each root it writes to, and the token that names it: "@CU@" in a
// script stands for "HKEY_CURRENT_USER\Software\QndDiff", "@CU\@" for the same with a
// backslash before the sub-key path ("HKEY_CURRENT_USER\\Software\QndDiff").
struct Base {
  const char* token;
  HKEY root;
  const char* root_name;
  const char* key;
};
const Base kBases[] = {
    {"CU", HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\QndDiff"},
    {"LM", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\QndDiff"},
    {"CR", HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "QndDiff"},
    {"U", HKEY_USERS, "HKEY_USERS", ".Default\\Software\\QndDiff"},
    {"CC", HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "Software\\QndDiff"},
    {"DD", HKEY_DYN_DATA, "HKEY_DYN_DATA", "QndDiff"},
    {"PD", HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "QndDiff"},  // takes no keys
};
constexpr int kWritable = 6;  // the bases before "PD"

const Base* FindBase(const std::string& token) {
  for (const Base& b : kBases) {
    if (token == b.token) return &b;
  }
  return nullptr;
}

// A key of a base: "CU" and "T\A".
std::string BasePath(const Base& b, const std::string& sub) {
  return sub.empty() ? b.key : std::string(b.key) + "\\" + sub;
}

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
  return text;
}

// As the checker shows text: control characters escaped.
std::string Shown(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : c < 0x20 || c == 0x7F ? hex
                                                                      : std::string(1, (char)c);
  }
  return out;
}

// ---- the registry of a case ----
// One line per item: "k CU T\A" a key, "v CU T name=data" a value ("@" the default value, "^"
// a line break in the name), "l CU T\L LM A" a registry link at CU T\L to LM A ("LM" alone:
// that base's own key).
void Apply(const std::string& world) {
  std::vector<std::string> links;
  for (size_t at = 0; at < world.size();) {
    const size_t end = std::min(world.find('\n', at), world.size());
    const std::string line = world.substr(at, end - at);
    at = end + 1;
    const size_t sp1 = line.find(' ', 2), sp2 = line.find(' ', sp1 + 1);
    const Base* b = FindBase(line.substr(2, sp1 - 2));
    const std::string sub = line.substr(sp1 + 1, sp2 == std::string::npos ? sp2 : sp2 - sp1 - 1);
    if (line[0] == 'l') {
      links.push_back(line);
    } else if (line[0] == 'k') {
      HKEY key;
      if (!RegCreateKeyA(b->root, BasePath(*b, sub).c_str(), &key)) RegCloseKey(key);
    } else {
      const std::string rest = line.substr(sp2 + 1);
      std::string name = rest.substr(0, rest.rfind('='));
      std::replace(name.begin(), name.end(), '^', '\n');
      bench::WriteString(b->root, BasePath(*b, sub), name == "@" ? "" : name.c_str(),
                         rest.substr(name.size() + 1));
    }
  }
  for (const std::string& line : links) {  // after the keys, which are never made through one
    char from[8], sub[256], to[8], target[256] = "";
    if (std::sscanf(line.c_str(), "l %7s %255s %7s %255s", from, sub, to, target) < 3) continue;
    const Base *b = FindBase(from), *t = FindBase(to);
    const std::string path = BasePath(*b, sub);
    HKEY parent;  // made first: a link's own parents would be volatile, and refuse keys below
    if (!RegCreateKeyA(b->root, path.substr(0, path.rfind('\\')).c_str(), &parent)) {
      RegCloseKey(parent);
    }
    const std::wstring base = bench::RegistryName(t->root, t->key);
    std::wstring rest;
    for (const char* p = target; *p; ++p) rest += (wchar_t)*p;
    bench::MakeLink(b->root, path, rest.empty() ? base : base + L"\\" + rest);
  }
}

void Clean() {
  for (int i = 0; i < kWritable; ++i) bench::RemoveTree(kBases[i].root, kBases[i].key);
}

// Every key below the bases as "KEY" (a link too, never followed), every value as
// "KEY: "NAME" = TYPE DATA" ("KEY: @" for the default value): names in upper case and text as
// the checker shows it, so that lines compare with its listing.
void Snapshot(HKEY key, const std::string& path, std::set<std::string>& out) {
  out.insert(Upper(Shown(path)));
  if (bench::IsLink(key)) return;
  char name[512];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name, size = sizeof data - 1, type = 0;
    if (RegEnumValueA(key, i, name, &n, nullptr, &type, data, &size)) break;
    data[size] = 0;
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lx", *(DWORD*)data);
    out.insert(Upper(Shown(path + ": " + (n ? "\"" + std::string(name) + "\"" : "@"))) + " = " +
               (type == REG_DWORD ? "REG_DWORD " + std::string(number)
                                  : "REG_SZ \"" + Shown((char*)data) + "\""));
  }
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    HKEY sub;
    if (RegOpenKeyExA(key, name, REG_OPTION_OPEN_LINK, KEY_READ, &sub)) continue;
    Snapshot(sub, path + "\\" + name, out);
    RegCloseKey(sub);
  }
}

std::set<std::string> Snapshot() {
  std::set<std::string> out;
  for (int i = 0; i < kWritable; ++i) {
    HKEY key;
    if (RegOpenKeyExA(kBases[i].root, kBases[i].key, REG_OPTION_OPEN_LINK, KEY_READ, &key)) continue;
    Snapshot(key, std::string(kBases[i].root_name) + "\\" + kBases[i].key, out);
    RegCloseKey(key);
  }
  return out;
}

// What a snapshot line names, without its data.
std::string Identity(const std::string& line) { return line.substr(0, line.find(" = ")); }

// ---- the script of a case ----
// `body` with every "@XX@" and "@XX\@" token replaced by its base's key.
std::string Expand(std::string body) {
  for (const Base& b : kBases) {
    for (const bool lead : {false, true}) {
      const std::string token = std::string("@") + b.token + (lead ? "\\@" : "@");
      const std::string key = std::string(b.root_name) + (lead ? "\\\\" : "\\") + b.key;
      for (size_t at; (at = body.find(token)) != std::string::npos;) body.replace(at, token.size(), key);
    }
  }
  return body;
}

// ---- random cases ----
class Random {
 public:
  explicit Random(unsigned seed) : s_(seed * 2654435761u + 1) {}
  unsigned Below(unsigned n) { return ((s_ = s_ * 1103515245u + 12345u) >> 8) % n; }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) { return items[Below(N)]; }

 private:
  unsigned s_;
};

const char* const kLevels[] = {"A", "b", "T", "Sub", "New", "L", "M", "Loop", "Nowhere"};

// A sub-key path of `levels` levels (at least one) from `from` of the level names.
std::string RandomPath(Random& r, unsigned most, unsigned names) {
  std::string path;
  for (unsigned n = 1 + r.Below(most); n > 0; --n) {
    path += (path.empty() ? "" : "\\") + std::string(kLevels[r.Below(names)]);
  }
  return path;
}

// Keys and values of other programs below one to three bases, and links among them: to keys
// that are there or not, to links, and back to their own tree.
std::string RandomWorld(Random& r, std::vector<std::string>& bases) {
  bases = {"CU"};
  for (int i = 1; i < kWritable; ++i) {
    if (r.Chance(30)) bases.push_back(kBases[i].token);
  }
  std::string world;
  for (const std::string& b : bases) {
    world += "k " + b + " \n";
    for (unsigned n = r.Below(6); n > 0; --n) {
      const std::string path = RandomPath(r, 3, 4);
      world += "k " + b + " " + path + "\n";
      if (r.Chance(60)) world += "v " + b + " " + path + " " + (r.Chance(30) ? "@" : "keep") +
                                 "=pre" + std::to_string(r.Below(9)) + "\n";
    }
    for (unsigned n = r.Below(4); n > 0; --n) {
      const char* const kNames[] = {"L", "M", "Loop"};
      const std::string parent = r.Chance(40) ? "" : RandomPath(r, 2, 4) + "\\";
      const std::string target = r.Chance(25) ? "" : RandomPath(r, 2, 9);
      world += "l " + b + " " + parent + r.Pick(kNames) + " " + bases[r.Below(bases.size())] +
               " " + target + "\n";
    }
  }
  return world;
}

// The root and sub-key path of a key section or removal entry, mostly below a base of the
// case, now and then through a link, too long, with a leading backslash, with a macro, or
// below HKEY_PERFORMANCE_DATA.
std::string RandomKey(Random& r, const std::vector<std::string>& bases) {
  const std::string b = r.Chance(4) ? "PD" : bases[r.Below(bases.size())];
  std::string key = "@" + b + (r.Chance(6) ? "\\@" : "@") + "\\" + RandomPath(r, 4, 9);
  if (r.Chance(6)) key += "\\" + std::string(230 + r.Below(26), 'x');  // 261 or more, or near
  if (r.Chance(5)) key += "\\$0k";
  return key;
}

std::string RandomScript(Random& r, const std::vector<std::string>& bases) {
  const char* const kNames[] = {"v", "V", "n", "@", "\"Q\"", "x$0"};
  const char* const kData[] = {"text",    "dword:1f", "$0x.exe", "`$0a b` %1", "C:\\\\dir",
                               "dword:ffffffff", "",  "Dword:2", "a\x07z",     "$*0"};
  std::string body;
  for (unsigned n = 2 + r.Below(5); n > 0; --n) {
    body += "[" + RandomKey(r, bases) + "]\r\n";
    for (unsigned m = 1 + r.Below(3); m > 0; --m) {
      body += std::string(r.Pick(kNames)) + "=" + r.Pick(kData) + "\r\n";
    }
    if (r.Chance(5)) body += "Bad=$Z\r\n";
  }
  body += "[UNINSTALL]\r\n";
  const char* const kRemove[] = {"", "", "", "v", "keep", "@", "n"};
  for (unsigned n = 1 + r.Below(5); n > 0; --n) {
    body += RandomKey(r, bases) + "=" + r.Pick(kRemove) + "\r\n";
  }
  return body;
}

// ---- comparing ----
// What the checker's listing of one run says.
struct Listing {
  std::map<std::string, std::string> written;  // identity -> line, the last write of each
  bool reg_gives_1 = false, undo_gives_1 = false;
  std::set<std::string> left, removed;  // identities
  size_t more_left = 0, more_removed = 0;  // items beyond those listed
};

// The identity of the item a coverage finding names: "key K ..." as "K", "value "V" of K" as
// "K: "V"", "the default value of K" as "K: @".
std::string ItemOf(const std::string& words) {
  if (words.compare(0, 4, "key ") == 0) return Upper(words.substr(4, words.find_first_of(" ,", 4) - 4));
  const size_t of = words.find(" of ") + 4;
  const std::string key = words.substr(of, words.find_first_of(" ,", of) - of);
  return Upper(key + ": " + (words[0] == 'v' ? words.substr(6, words.find('"', 7) - 5) : "@"));
}

Listing Read(const std::vector<std::string>& lines, const std::string& script) {
  Listing l;
  for (const std::string& line : lines) {
    if (line.compare(0, script.size() + 1, script + ":") != 0) continue;
    std::string text = line.substr(line.find(": ", script.size()) + 2);
    const size_t code = text.rfind(" [Q");
    const std::string id = code == std::string::npos ? "" : text.substr(code + 2, 4);
    if (!id.empty()) text = text.substr(text.find(": ") + 2, code - text.find(": ") - 2);
    const size_t eq = text.find(" = "), colon = text.find(": ");
    if (id.empty() && eq != std::string::npos && colon < eq) {
      l.written[Upper(text.substr(0, eq))] = Upper(text.substr(0, eq)) + text.substr(eq);
    }
    l.reg_gives_1 |= text.find("DoReg writes ") == 0;
    l.undo_gives_1 |= text.find("UndoReg carries out ") == 0;
    const std::string item = text.substr(text.find(": ") + 2);  // after "left behind too: "
    if (id == "Q201" || id == "Q202" || id == "Q210") l.left.insert(ItemOf(text.substr(21)));
    if (id == "Q203") l.left.insert(ItemOf(item));
    if (id == "Q207") l.removed.insert(ItemOf(text.substr(22)));
    if (id == "Q208") l.removed.insert(ItemOf(item));
    if (id == "Q204") l.more_left += std::strtoul(text.c_str() + 8, nullptr, 10);  // "... and "
    if (id == "Q209") l.more_removed += std::strtoul(text.c_str() + 8, nullptr, 10);
  }
  return l;
}

// `real` holds `listed` and `more` items besides.
void ExpectCovers(const std::set<std::string>& real, const std::set<std::string>& listed,
                  size_t more, const char* what) {
  if (more == 0) {
    EXPECT_EQ(real, listed) << what;
    return;
  }
  EXPECT_EQ(real.size(), listed.size() + more) << what;
  EXPECT_TRUE(std::includes(real.begin(), real.end(), listed.begin(), listed.end())) << what;
}

class CheckDiff : public testing::Test {
 protected:
  CheckDiff() : dir_("diff") { Clean(); }
  ~CheckDiff() override { Clean(); }

  // Runs qndcheck, then DoReg and UndoReg, on `body` over the registry `world`, and compares.
  // Gives qndcheck's lines.
  std::vector<std::string> Case(const std::string& world, const std::string& body) {
    Clean();
    Apply(world);
    const int failures = testing::UnitTest::GetInstance()->current_test_info()->result()
                             ->total_part_count();
    const std::string script = dir_.File("case.srg");
    bench::WriteTextFile(script, Expand(body));
    const QndPathContext context = {dir_.path().c_str(), nullptr};
    const std::set<std::string> before = Snapshot();
    const bench::ProgramRun run = bench::RunWithOutput(
        "\"" + bench::ProgramDir() + "\\qndcheck.exe\" script \"" + script + "\" --dir0 \"" +
            dir_.path() + "\"",
        dir_.File("qndcheck.out"), 30000);
    EXPECT_NE(259u, run.status) << "qndcheck did not finish";
    EXPECT_EQ(before, Snapshot()) << "qndcheck changed the registry";
    const int installed = bench::Qnd().DoReg(script.c_str(), &context, 0);
    const std::set<std::string> after_install = Snapshot();
    const int undone = bench::Qnd().UndoReg(script.c_str(), &context, 0);
    const std::set<std::string> after_uninstall = Snapshot();
    Compare(Read(run.lines, script), installed, undone, before, after_install, after_uninstall);
    if (testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() >
        failures) {
      std::string out;
      for (const std::string& l : run.lines) out += l + "\n";
      ADD_FAILURE() << "registry:\n" << world << "script:\n" << body << "qndcheck:\n" << out;
    }
    return run.lines;
  }

  void Compare(const Listing& l, int installed, int undone, const std::set<std::string>& before,
               const std::set<std::string>& installed_set, const std::set<std::string>& after) {
    EXPECT_EQ(l.reg_gives_1, installed == 1) << "DoReg's result";
    EXPECT_EQ(l.undo_gives_1, undone == 1) << "UndoReg's result";
    std::set<std::string> written, listed;
    for (const std::string& line : installed_set) {
      if (line.find(" = ") != std::string::npos && !before.count(line)) written.insert(line);
    }
    for (const auto& w : l.written) listed.insert(w.second);
    EXPECT_EQ(listed, written) << "what explain says DoReg writes";
    std::set<std::string> ids_after, left, removed;
    for (const std::string& line : after) ids_after.insert(Identity(line));
    for (const std::string& line : after) {
      if (!before.count(line)) left.insert(Identity(line));
    }
    for (const std::string& line : before) {
      const std::string id = Identity(line);
      if (!ids_after.count(id) && !l.written.count(id)) removed.insert(id);
    }
    ExpectCovers(left, l.left, l.more_left, "what coverage says is left behind");
    ExpectCovers(removed, l.removed, l.more_removed, "what coverage says is taken away");
  }

  bench::TempDir dir_;
};

unsigned EnvNumber(const char* name, unsigned fallback) {
  char text[32] = "";
  GetEnvironmentVariableA(name, text, sizeof text);
  return *text ? (unsigned)std::strtoul(text, nullptr, 10) : fallback;
}

TEST_F(CheckDiff, RandomScripts) {
  const unsigned first = EnvNumber("QND_CHECK_FIRST_SEED", 1);
  const unsigned seeds = EnvNumber("QND_CHECK_SEEDS", kFixedSeeds);
  for (unsigned seed = first; seed < first + seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random r(seed);
    std::vector<std::string> bases;
    const std::string world = RandomWorld(r, bases);
    Case(world, RandomScript(r, bases));
  }
}

// The sample script with its keys moved below the test's key of HKEY_CURRENT_USER.
std::string Sample() {
  std::string text = bench::ReadTextFile(QND_EXAMPLES "/QUINDO.SRG");
  for (size_t at = 0; (at = text.find("HKEY_", at)) != std::string::npos;) text.replace(at, 5, "@CU@\\");
  return text;
}

// The traps found so far, each a fixed registry and script.
TEST_F(CheckDiff, KnownTraps) {
  const std::string tree = "k CU T\\A\nk CU T\\B\nv CU T keep=pre\nv CU T\\A keep=pre\n";
  const std::string x261(252 - 17, 'x');  // "Software\QndDiff\" and this: 252 characters
  struct Row {
    std::string world;
    std::string body;
  } rows[] = {
      /* 0: the sample script */ {"k CU \n", Sample()},
      /* 1: repeated sections and entries, "dword:" traps, a leading backslash */
      {"k CU \n",
       "[@CU@\\Dup]\r\nA=1\r\na=2\r\n[@CU@\\Dup]\r\nB=3\r\n[@CU@\\T]\r\nX=see dword:10\r\n"
       "Y=DWORD:1\r\n@=dword:5\r\n[@CU\\@\\Lead]\r\nZ=1\r\n[UNINSTALL]\r\n@CU@\\Dup=\r\n"
       "@CU@\\T=Y\r\n@CU@\\T=X\r\n"},
      /* 2: two links back into the tree: the walk ends, and the links go as links */
      {tree + "l CU T\\A\\Loop1 CU T\nl CU T\\B\\Loop2 CU T\n",
       "[@CU@\\T\\A\\Loop1\\B\\Loop2\\A\\New]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\T=\r\n"},
      /* 3: one loop: only the tree's own items are taken */
      {tree + "l CU T\\Loop CU T\n", "[@CU@\\T\\Loop\\A]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\T\\Loop\\A=\r\n"
                                     "@CU@\\T=\r\n"},
      /* 4: a link in a key path: the value lands in the link's target */
      {tree + "l CU L CU T\nl LM M CU T\\A\n",
       "[@CU@\\L\\New]\r\nv=1\r\n[@LM@\\M]\r\n@=2\r\n[UNINSTALL]\r\n@CU@\\L\\New=\r\n@CU@\\L=\r\n"},
      /* 5: sub-key paths of 260 and 261 characters: the platform refuses the longer */
      {"k CU \n", "[@CU@\\" + x261 + "12345678]\r\nv=1\r\n[@CU@\\" + x261 + "123456789]\r\nv=1\r\n"
                  "[UNINSTALL]\r\n@CU@\\" + x261 + "123456789=\r\n@CU@\\" + x261 + "12345678=\r\n"},
      /* 6: a leading backslash: HKEY_CLASSES_ROOT opens the path, HKEY_CURRENT_USER refuses it */
      {"k CR X\\Y\nk CU X\n", "[UNINSTALL]\r\n@CR\\@\\X=\r\n@CU\\@\\X=\r\n"},
      /* 7: a link whose target the install makes first, and one that leads nowhere */
      {"k CU \nl CU D CU Later\nl CU E CU Never\n",
       "[@CU@\\Later]\r\nw=2\r\n[@CU@\\D\\New]\r\nv=1\r\n[@CU@\\E\\New]\r\nv=1\r\n"
       "[UNINSTALL]\r\n@CU@\\D=\r\n@CU@\\E\\New=\r\n"},
      /* 8: HKEY_PERFORMANCE_DATA, and a path of backslashes alone below HKEY_CLASSES_ROOT */
      {"k CU \n", "[@PD@]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\N=\r\nHKEY_CLASSES_ROOT\\\\\\=\r\n"},
      /* 9: a chain of links, and a loop of two links that point at each other */
      {tree + "l CU C CU L\nl CU L CU T\nl CU X CU Y\nl CU Y CU X\n",
       "[@CU@\\C\\Sub]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\X\\Sub=v\r\n@CU@\\C\\Sub=\r\n@CU@\\X\\Sub=\r\n"},
  };
  int i = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE("row " + std::to_string(i++));
    Case(row.world, row.body);
  }
}

// Text from the registry or the script cannot forge a line of the report: a value named with
// a line break and the closing line's words shows escaped.
TEST_F(CheckDiff, TextCannotForgeALine) {
  const std::string forged = "== 0 errors, 0 warnings";
  const std::vector<std::string> lines =
      Case("k CU T\nv CU T x^" + forged + "=pre\n", "[@CU@\\T]\r\nbell=a\x07z\r\n[UNINSTALL]\r\n@CU@\\T=\r\n");
  EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.compare(0, 3, "== ") == 0 &&
                                                               l.find(" errors") != l.npos; }));
  EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
              return l.find("x\\n" + forged) != std::string::npos;
            }));
  EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
              return l.find("\"a\\x07z\"") != std::string::npos;
            }));
}

}  // namespace
