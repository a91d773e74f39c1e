// qndcheck script against the real DoReg and UndoReg: random registry scripts over random
// registries below every root (keys and values of other programs, registry links, loops of
// links, long paths, macros, repeated entries), and a row for each trap found so far. What
// explain says is written, and what coverage says is left behind or taken away, must be what
// snapshots of the registry show after DoReg and after UndoReg; both results must be the ones
// the listing gives; qndcheck must change nothing. QND_CHECK_SEEDS and QND_CHECK_FIRST_SEED
// choose other seeds (make fuzz-check); a failing case prints its registry and its script.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <set>

#include "bench.h"

namespace {

constexpr unsigned kFixedSeeds = 120;

// The test's key below each root, and its token: "@CU@" in a script stands for
// "HKEY_CURRENT_USER\Software\QndDiff", "@CU\@" for "HKEY_CURRENT_USER\\Software\QndDiff"
// (a sub-key path that begins with a backslash). "US" and "LC" name the keys of "CU" and "CR"
// through the roots that hold them.
struct Base {
  const char* token;
  HKEY root;
  const char* root_name;
  std::string key;
  bool own;  // false: another base's key under another name, or a root that takes no keys
};

const std::vector<Base>& Bases() {
  static const std::vector<Base> bases = {
      {"CU", HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Software\\QndDiff", true},
      {"LM", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\QndDiff", true},
      {"CR", HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "QndDiff", true},
      {"U", HKEY_USERS, "HKEY_USERS", ".Default\\Software\\QndDiff", true},
      {"CC", HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "Software\\QndDiff", true},
      {"DD", HKEY_DYN_DATA, "HKEY_DYN_DATA", "QndDiff", true},
      {"US", HKEY_USERS, "HKEY_USERS", bench::UserSid() + "\\Software\\QndDiff", false},
      {"LC", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "Software\\Classes\\QndDiff", false},
      {"PD", HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "QndDiff", false},  // takes no keys
  };
  return bases;
}

// The key `sub` ("." for none) below the base of `token`, with the base.
std::string BaseKey(const char* token, const std::string& sub, const Base** base) {
  for (const Base& b : Bases()) *base = token == std::string(b.token) ? &b : *base;
  return sub == "." ? (*base)->key : (*base)->key + std::string("\\") + sub;
}

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], (DWORD)text.size());
  return text;
}

std::string Ansi(const std::wstring& text) {
  std::string out(text.size() * 2 + 1, '\0');
  out.resize((size_t)WideCharToMultiByte(CP_ACP, 0, text.c_str(), (int)text.size(), &out[0],
                                         (int)out.size(), nullptr, nullptr));
  return out;
}

// The key `root`\`path` by the tree that holds it, as the platform names it:
// "\REGISTRY\Machine\Software\Classes\QndDiff" is HKEY_LOCAL_MACHINE\Software\Classes\QndDiff.
// "" when it is not there.
std::string TreeName(HKEY root, const std::string& path) {
  const std::string name = Ansi(bench::RegistryName(root, path));
  const struct {
    const char *own, *root;
  } kTrees[] = {{"\\REGISTRY\\MACHINE", "HKEY_LOCAL_MACHINE"},
                {"\\REGISTRY\\USER", "HKEY_USERS"},
                {"\\REGISTRY\\DYNDATA", "HKEY_DYN_DATA"}};
  for (const auto& tree : kTrees) {
    const size_t n = strlen(tree.own);
    if (Upper(name.substr(0, n)) == tree.own) return tree.root + name.substr(n);
  }
  return name;
}

// A link at `root`\`path` that holds no target.
void MakeEmptyLink(HKEY root, const std::string& path) {
  HKEY link;
  if (!RegCreateKeyA(root, path.substr(0, path.rfind('\\')).c_str(), &link)) RegCloseKey(link);
  if (!RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                       KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr)) {
    RegCloseKey(link);
  }
}

// The registry of a case, one item a line: "k CU T\A" a key, "v CU T name=data" a value ("@"
// the default value, "^" a line break in the name), "l CU T\L LM A" a link at CU T\L to LM A
// ("l CU T\L - -" a link without a target), "f CU T\F LM A" a plain key that holds a link's
// target value naming LM A; "." names a base's own key.
void Apply(const std::string& world) {
  std::vector<std::string> links;  // made after the keys, which are never made through one
  for (size_t at = 0, end; at < world.size(); at = end + 1) {
    end = std::min(world.find('\n', at), world.size());
    const std::string line = world.substr(at, end - at);
    char kind, token[8], sub[512], rest[512] = ".";
    std::sscanf(line.c_str(), "%c %7s %511s %511[^\n]", &kind, token, sub, rest);
    const Base* b = nullptr;
    const std::string key = BaseKey(token, sub, &b);
    std::string name = rest, data = name.substr(name.rfind('=') + 1);
    name.resize(name.rfind('=') == std::string::npos ? 0 : name.rfind('='));
    std::replace(name.begin(), name.end(), '^', '\n');
    HKEY made;
    if (kind == 'l' || kind == 'f') links.push_back(line);
    if (kind == 'k' && !RegCreateKeyA(b->root, key.c_str(), &made)) RegCloseKey(made);
    if (kind == 'v') bench::WriteString(b->root, key, name == "@" ? "" : name.c_str(), data);
  }
  for (const std::string& line : links) {
    char kind, token[8], sub[512], to[8], target[512];
    std::sscanf(line.c_str(), "%c %7s %511s %7s %511s", &kind, token, sub, to, target);
    const Base *b = nullptr, *t = nullptr;
    const std::string key = BaseKey(token, sub, &b);
    if (std::string(to) == "-") {
      MakeEmptyLink(b->root, key);
      continue;
    }
    const std::string into = BaseKey(to, target, &t);
    const std::wstring name =
        bench::RegistryName(t->root, t->key) + bench::Wide(into.substr(t->key.size()));
    HKEY fake;
    if (kind == 'l') {
      bench::MakeLink(b->root, key, name);
    } else if (!RegCreateKeyA(b->root, key.c_str(), &fake)) {
      RegSetValueExW(fake, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE*)name.c_str(),
                     (DWORD)(name.size() * sizeof(wchar_t)));
      RegCloseKey(fake);
    }
  }
}

void Clean() {
  for (const Base& b : Bases()) {
    if (b.own) bench::RemoveTree(b.root, b.key);
  }
}

// Every key below `parent`\`sub`, named `path`, as "KEY" (a link too, never followed), every
// value as "KEY: "NAME" = TYPE DATA" ("KEY: @" for the default value): names in upper case.
void Snapshot(HKEY parent, const std::string& sub, const std::string& path,
              std::set<std::string>& out) {
  HKEY key;
  if (RegOpenKeyExA(parent, sub.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key)) return;
  out.insert(Upper(path));
  char name[512], number[16];
  BYTE data[2048];
  for (DWORD i = 0, n, size, type; !bench::IsLink(parent, sub); ++i) {
    n = sizeof name, size = sizeof data - 1;
    if (RegEnumValueA(key, i, name, &n, nullptr, &type, data, &size)) break;
    data[size] = 0;
    std::snprintf(number, sizeof number, "0x%08lx", *(DWORD*)data);
    out.insert(Upper(path + ": " + (n ? "\"" + std::string(name) + "\"" : "@")) + " = " +
               (type == REG_DWORD ? "REG_DWORD " + std::string(number)
                                  : "REG_SZ \"" + std::string((char*)data) + "\""));
  }
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    Snapshot(key, name, path + "\\" + name, out);
  }
  RegCloseKey(key);
}

std::set<std::string> Snapshot() {
  std::set<std::string> out;
  for (const Base& b : Bases()) {
    const std::string name = b.own ? TreeName(b.root, b.key) : "";
    if (!name.empty()) Snapshot(b.root, b.key, name, out);
  }
  return out;
}

// What a snapshot line names, without its data.
std::string Identity(const std::string& line) { return line.substr(0, line.find(" = ")); }

// `body` with every base's tokens replaced.
std::string Expand(std::string body) {
  for (const Base& b : Bases()) {
    for (const bool lead : {false, true}) {
      const std::string token = std::string("@") + b.token + (lead ? "\\@" : "@");
      body =
          bench::ReplaceAll(body, token, std::string(b.root_name) + (lead ? "\\\\" : "\\") + b.key);
    }
  }
  return body;
}

// ---- random cases ----
struct Random : bench::Random {
  // A path of 1 to `most` levels, each one of the first `names` level names.
  std::string Path(unsigned most, unsigned names) {
    static const char* const kLevels[] = {"A",
                                          "b",
                                          "T",
                                          "Sub",
                                          "\xca\xeb\xfe\xf7" /* Ключ */,
                                          "\xca\xcb\xde\xd7" /* КЛЮЧ */,
                                          "New",
                                          "L",
                                          "M",
                                          "Loop",
                                          "Nowhere"};
    std::string path = kLevels[Below(names)];
    for (unsigned n = Below(most); n > 0; --n) path += std::string("\\") + kLevels[Below(names)];
    return path;
  }
};

// Keys and values of other programs below one to three bases (some of them the same keys by
// another root's name), and links among them: to keys that are there or not, to links, back
// into their own tree, or to nothing; and plain keys that hold a link's target value.
std::string RandomWorld(Random& r, std::vector<std::string>& bases) {
  bases = {"CU"};
  for (const Base& b : Bases()) {
    const std::string token = b.token;
    if (token != "CU" && token != "PD" && r.Chance(30)) bases.push_back(token);
  }
  std::string world;
  for (const std::string& b : bases) {
    world += "k " + b + " .\n";
    for (unsigned n = r.Below(6); n > 0; --n) {
      const std::string path = r.Path(3, 6);
      world += "k " + b + " " + path + "\n";
      if (r.Chance(60)) world += "v " + b + " " + path + (r.Chance(30) ? " @" : " keep") + "=pre\n";
    }
    for (unsigned n = r.Below(4); n > 0; --n) {
      const char* const kNames[] = {"L", "M", "Loop"};
      const std::string to =
          r.Chance(10) ? "- -"
                       : bases[r.Below(bases.size())] + " " + (r.Chance(25) ? "." : r.Path(2, 11));
      world += (r.Chance(20) ? "f " : "l ") + b + " " + (r.Chance(40) ? "" : r.Path(2, 6) + "\\") +
               r.Pick(kNames) + " " + to + "\n";
    }
  }
  return world;
}

// A key section's or removal entry's key: mostly below a base of the case, now and then too
// long, with a leading backslash, with a macro, or below HKEY_PERFORMANCE_DATA.
std::string RandomKey(Random& r, const std::vector<std::string>& bases) {
  std::string key = "@" + (r.Chance(4) ? std::string("PD") : bases[r.Below(bases.size())]) +
                    (r.Chance(6) ? "\\@\\" : "@\\") + r.Path(4, 11);
  if (r.Chance(6)) key += "\\" + std::string(230 + r.Below(26), 'x');  // 261 or more, or near
  return key + (r.Chance(5) ? "\\$0k" : "");
}

std::string RandomScript(Random& r, const std::vector<std::string>& bases) {
  const char* const kNames[] = {
      "v", "V", "n", "@", "\"Q\"", "x$0", "\xc8\xec\xff" /* Имя */, "\xc8\xcc\xdf" /* ИМЯ */};
  const char* const kData[] = {"text",           "dword:1f", "$0x.exe", "`$0a b` %1", "C:\\\\d",
                               "dword:ffffffff", "",         "Dword:2", "a\x07z",     "$*0"};
  const char* const kRemove[] = {"", "", "", "v", "keep", "@", "n", "\xc8\xec\xff" /* Имя */};
  std::string body;
  for (unsigned n = 2 + r.Below(5); n > 0; --n) {
    body += "[" + RandomKey(r, bases) + "]\r\n";
    for (unsigned m = 1 + r.Below(3); m > 0; --m) {
      body += r.Pick(kNames) + std::string("=") + r.Pick(kData) + "\r\n";
    }
    if (r.Chance(5)) body += "Bad=$Z\r\n";
  }
  body += "[UNINSTALL]\r\n";
  for (unsigned n = 1 + r.Below(5); n > 0; --n) {
    body += RandomKey(r, bases) + "=" + r.Pick(kRemove) + "\r\n";
  }
  return body;
}

// ---- comparing ----
// What qndcheck's listing says: each value written (identity -> line, the last write wins),
// both results, what is left behind and taken away, and how many items it did not list.
struct Listing {
  std::map<std::string, std::string> written;
  bool reg_gives_1 = false, undo_gives_1 = false;
  std::set<std::string> left, removed;
  size_t more_left = 0, more_removed = 0;
};

// The end of the quoted text that begins after `at`: its closing quotation mark.
size_t QuoteEnd(const std::string& text, size_t at) {
  size_t i = at;
  while (i < text.size() && text[i] != '"') i += text[i] == '\\' ? 2u : 1u;
  return i;
}

// The quoted text that begins after `at`, read back.
std::string Unquote(const std::string& text, size_t at) {
  return bench::ReadBack(text.substr(at, QuoteEnd(text, at) - at));
}

// An explain line "KEY: "NAME" = REG_SZ "DATA"" (or "KEY: @ = REG_DWORD 0x0000001f"), with
// anything after the data, as the snapshot line of the value it writes; "" for another line.
std::string WrittenLine(const std::string& text) {
  const size_t at = std::min(text.find(": \""), text.find(": @ = "));
  if (at == std::string::npos) return "";
  const bool named = text[at + 2] == '"';
  const size_t name_end = named ? QuoteEnd(text, at + 3) : at + 2;
  const std::string identity =
      Upper(bench::ReadBack(text.substr(0, at)) + ": " +
            (named ? "\"" + Unquote(text, at + 3) + "\"" : std::string("@")));
  const size_t data = name_end + 4;  // after " = "
  if (text.compare(name_end + 1, 3, " = ") != 0) return "";
  if (text.compare(data, 10, "REG_DWORD ") == 0) return identity + " = " + text.substr(data, 20);
  if (text.compare(data, 8, "REG_SZ \"") != 0) return "";
  return identity + " = REG_SZ \"" + Unquote(text, data + 8) + "\"";
}

// The identity of the item a coverage finding names: "key K ..." as "K", "value "V" of K" as
// "K: "V"", "the default value of K" as "K: @".
std::string ItemOf(const std::string& words) {
  // Where the key's name ends: the words the findings go on with, or the end.
  const auto key_end = [&](size_t from) {
    size_t end = words.size();
    for (const char* next : {" behind", ", which", " empty, which", " (a registry link"}) {
      end = std::min(end, words.find(next, from));
    }
    return end;
  };
  if (words.compare(0, 4, "key ") == 0)
    return Upper(bench::ReadBack(words.substr(4, key_end(4) - 4)));
  const bool value = words[0] == 'v';
  const size_t of = words.find(" of ", value ? QuoteEnd(words, 7) : 0) + 4;
  const std::string key = bench::ReadBack(words.substr(of, key_end(of) - of));
  return Upper(key + ": " + (value ? "\"" + Unquote(words, 7) + "\"" : std::string("@")));
}

// What qndcheck's SARIF log says: the values explain lists, both results, and the items of the
// coverage findings, taken from the texts that fill their wording.
Listing Read(const std::vector<bench::SarifResult>& results) {
  Listing l;
  for (const bench::SarifResult& r : results) {
    const std::string& text = r.text;  // as the listing shows it
    const std::string written = r.rule.empty() ? WrittenLine(text) : "";
    if (!written.empty()) l.written[Identity(written)] = written;
    l.reg_gives_1 |= text.find("DoReg writes ") == 0;
    l.undo_gives_1 |= text.find("UndoReg carries out ") == 0;
    if (r.rule.empty() || r.args.empty()) continue;
    const std::string& item = r.args[0];  // as shown
    if (r.rule == "Q201" || r.rule == "Q202" || r.rule == "Q210" || r.rule == "Q203") {
      l.left.insert(ItemOf(item));
    }
    if (r.rule == "Q207" || r.rule == "Q208") l.removed.insert(ItemOf(item));
    if (r.rule == "Q204") l.more_left += std::strtoul(item.c_str(), nullptr, 10);
    if (r.rule == "Q209") l.more_removed += std::strtoul(item.c_str(), nullptr, 10);
  }
  return l;
}

// `real` is `listed` and `more` items besides.
void ExpectCovers(const std::set<std::string>& real, const std::set<std::string>& listed,
                  size_t more, const char* what) {
  if (!more) {
    EXPECT_EQ(real, listed) << what;
    return;
  }
  EXPECT_EQ(real.size(), listed.size() + more) << what;
  EXPECT_TRUE(std::includes(real.begin(), real.end(), listed.begin(), listed.end())) << what;
}

void Compare(const Listing& l, int installed, int undone, const std::set<std::string>& before,
             const std::set<std::string>& installed_set, const std::set<std::string>& after) {
  EXPECT_EQ(l.reg_gives_1, installed == 1) << "DoReg's result";
  EXPECT_EQ(l.undo_gives_1, undone == 1) << "UndoReg's result";
  std::set<std::string> written, listed, ids_after, left, removed;
  for (const std::string& line : installed_set) {
    if (line.find(" = ") != std::string::npos && !before.count(line)) written.insert(line);
  }
  for (const auto& w : l.written) listed.insert(w.second);
  EXPECT_EQ(listed, written) << "what explain says DoReg writes";
  for (const std::string& line : after) ids_after.insert(Identity(line));
  for (const std::string& line : after) {
    if (!before.count(line)) left.insert(Identity(line));
  }
  for (const std::string& line : before) {  // what was there and never written
    const std::string id = Identity(line);
    if (!ids_after.count(id) && !l.written.count(id)) removed.insert(id);
  }
  ExpectCovers(left, l.left, l.more_left, "what coverage says is left behind");
  ExpectCovers(removed, l.removed, l.more_removed, "what coverage says is taken away");
}

class CheckDiff : public testing::Test {
 protected:
  CheckDiff() : dir_("diff") { Clean(); }
  ~CheckDiff() override { Clean(); }

  // Runs qndcheck, then DoReg and UndoReg, on `body` over the registry `world`, and compares.
  // Gives qndcheck's results; its listing in text too into `text` when given.
  std::vector<bench::SarifResult> Case(const std::string& world, const std::string& body,
                                       std::vector<std::string>* text = nullptr) {
    const testing::TestResult& result =
        *testing::UnitTest::GetInstance()->current_test_info()->result();
    const int failures = result.total_part_count();
    Clean();
    Apply(world);
    const std::string script = dir_.File("case.srg");
    bench::WriteTextFile(script, Expand(body));
    const QndPathContext context = {dir_.path().c_str(), nullptr};
    const std::set<std::string> before = Snapshot();
    const std::string args = "script \"" + script + "\" --dir0 \"" + dir_.path() + "\"";
    const std::regex finding(":[0-9]+: (error|warning|note): ");  // as CI's matchers read them
    if (text) {
      const bench::ProgramRun run = bench::RunQndcheck(args, dir_.File("qndcheck.txt"), 30000);
      EXPECT_NE(259u, run.status) << "qndcheck did not finish";
      for (const std::string& line : run.lines) {
        for (std::sregex_iterator m(line.begin(), line.end(), finding), end; m != end; ++m) {
          EXPECT_EQ(script.size(), (size_t)m->position()) << "a finding in the text: " << line;
        }
      }
      *text = run.lines;
    }
    const bench::ProgramRun run =
        bench::RunQndcheck(args + " --format sarif", dir_.File("qndcheck.out"), 30000);
    EXPECT_NE(259u, run.status) << "qndcheck did not finish";
    EXPECT_EQ(before, Snapshot()) << "qndcheck changed the registry";
    const int installed = bench::Qnd().DoReg(script.c_str(), &context, 0);
    const std::set<std::string> after_install = Snapshot();
    const int undone = bench::Qnd().UndoReg(script.c_str(), &context, 0);
    const std::string log = run.Text();
    std::string error;
    std::vector<bench::SarifResult> results;
    EXPECT_TRUE(bench::ReadSarif(log, results, &error)) << error;
    for (const bench::SarifResult& r : results) {  // shown text reads like no finding
      EXPECT_FALSE(std::regex_search(r.text, finding)) << "a finding in the text: " << r.text;
    }
    Compare(Read(results), installed, undone, before, after_install, Snapshot());
    if (result.total_part_count() > failures) {
      ADD_FAILURE() << "registry:\n" << world << "script:\n" << body << "qndcheck:\n" << log;
    }
    return results;
  }

  bench::TempDir dir_;
};

TEST_F(CheckDiff, RandomScripts) {
  for (unsigned seed : bench::Seeds(kFixedSeeds)) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Random r{seed * 2654435761u + 1};
    std::vector<std::string> bases;
    const std::string world = RandomWorld(r, bases);
    Case(world, RandomScript(r, bases));
  }
}

// The traps found so far, each a fixed registry and script.
TEST_F(CheckDiff, KnownTraps) {
  const std::string sample =  // below the test's key
      bench::ReplaceAll(bench::ReadTextFile(QND_EXAMPLES "/QUINDO.SRG"), "HKEY_", "@CU@\\");
  const std::string tree = "k CU T\\A\nk CU T\\B\nv CU T keep=pre\nv CU T\\A keep=pre\n";
  const std::string x(252 - 17, 'x');  // "Software\QndDiff\" and this: 252 characters
  const std::string forged = "== 0 errors, 0 warnings";
  const struct {
    std::string world, body;
    const char* must = "";   // a text that some line holds
    const char* never = "";  // a text that no line holds
  } rows[] = {
      /* 0: the sample script */ {"k CU .\n", sample},
      /* 1: repeated sections and entries, "dword:" traps, a leading backslash */
      {"k CU .\n",
       "[@CU@\\Dup]\r\nA=1\r\na=2\r\n[@CU@\\Dup]\r\nB=3\r\n[@CU@\\T]\r\nX=see dword:10\r\n"
       "Y=DWORD:1\r\n@=dword:5\r\n[@CU\\@\\Lead]\r\nZ=1\r\n[UNINSTALL]\r\n@CU@\\Dup=\r\n"
       "@CU@\\T=Y\r\n@CU@\\T=X\r\n"},
      /* 2: two links back into the tree: the walk ends, and the links go as links */
      {tree + "l CU T\\A\\Loop1 CU T\nl CU T\\B\\Loop2 CU T\n",
       "[@CU@\\T\\A\\Loop1\\B\\Loop2\\A\\New]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\T=\r\n"},
      /* 3: one loop: only the tree's own items are taken */
      {tree + "l CU T\\Loop CU T\n",
       "[@CU@\\T\\Loop\\A]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\T\\Loop\\A=\r\n@CU@\\T=\r\n"},
      /* 4: a link in a key path: the value lands in the link's target */
      {tree + "l CU L CU T\nl LM M CU T\\A\n",
       "[@CU@\\L\\New]\r\nv=1\r\n[@LM@\\M]\r\n@=2\r\n[UNINSTALL]\r\n@CU@\\L\\New=\r\n@CU@\\L=\r\n"},
      /* 5: sub-key paths of 260 and 261 characters: the platform refuses the longer */
      {"k CU .\n", "[@CU@\\" + x + "12345678]\r\nv=1\r\n[@CU@\\" + x +
                       "123456789]\r\nv=1\r\n"
                       "[UNINSTALL]\r\n@CU@\\" +
                       x + "123456789=\r\n@CU@\\" + x + "12345678=\r\n"},
      /* 6: a leading backslash: HKEY_CLASSES_ROOT opens the path (but DoReg cannot create
            it there), HKEY_CURRENT_USER refuses it */
      {"k CR X\\Y\nk CU X\n", "[@CR\\@\\X]\r\nv=1\r\n[UNINSTALL]\r\n@CR\\@\\X=\r\n@CU\\@\\X=\r\n"},
      /* 7: a link whose target the install makes first, and one that leads nowhere */
      {"k CU .\nl CU D CU Later\nl CU E CU Never\n",
       "[@CU@\\Later]\r\nw=2\r\n[@CU@\\D\\New]\r\nv=1\r\n[@CU@\\E\\New]\r\nv=1\r\n"
       "[UNINSTALL]\r\n@CU@\\D=\r\n@CU@\\E\\New=\r\n"},
      /* 8: HKEY_PERFORMANCE_DATA, and a path of backslashes alone below HKEY_CLASSES_ROOT */
      {"k CU .\n", "[@PD@]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\N=\r\nHKEY_CLASSES_ROOT\\\\\\=\r\n"},
      /* 9: a chain of links, and a loop of two links that point at each other */
      {tree + "l CU C CU L\nl CU L CU T\nl CU X CU Y\nl CU Y CU X\n",
       "[@CU@\\C\\Sub]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\X\\Sub=v\r\n@CU@\\C\\Sub=\r\n"
       "@CU@\\X\\Sub=\r\n"},
      /* 10: text that would forge a line of the report: a line break, a bell */
      {"k CU T\nv CU T x^" + forged + "=pre\n",
       "[@CU@\\T]\r\nbell=a\x07z\r\n[UNINSTALL]\r\n@CU@\\T=\r\n"},
      /* 11: a plain key holding a link's target value: no link, writes stay in it */
      {"k CU .\nf CU Fake LM .\n",
       "[@CU@\\Fake\\Keep]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\Fake\\Keep=\r\n", "", "[Q117]"},
      /* 12: a link without a target: DoReg stops at its first entry */
      {"k CU .\nl CU N - -\n", "[@CU@\\N\\Sub]\r\nv=1\r\n[UNINSTALL]\r\n@CU@\\N=\r\n",
       "DoReg stops here", ""},
      /* 13: written through one root's name, removed through the other's */
      {"k CU .\nk CR .\n",
       "[@CR@\\A]\r\nv=1\r\n[@CU@\\B]\r\nw=2\r\n[UNINSTALL]\r\n@LC@\\A=\r\n@US@\\B=\r\n",
       "(HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\\Software\\Classes)", "[Q206]"},
      /* 14: Cyrillic names that differ only in case: the reader keeps both, the registry one */
      {"k CU .\n",
       "[@CU@\\\xca\xeb\xfe\xf7]\r\n\xc8\xec\xff=1\r\n\xc8\xcc\xdf=2\r\n[@CU@\\\xca\xcb\xde\xd7]"
       "\r\n"
       "x=3\r\n[UNINSTALL]\r\n@CU@\\\xea\xeb\xfe\xf7=\r\n",
       "", "[Q10"},
      /* 15: lines that a lone CR ends, and 0x1A before "[": each finding keeps its line */
      {"k CU .\n", "[@CU@\\T]\rA=DWORD:1\r\n\x1a[@CU@\\U]\r\nB=DWORD:2\n\rC=DWORD:3\r\n",
       ".srg:6: warning:", ".srg: warning"},
      /* 16: names that read like findings, from the script (after a lone CR) and the machine */
      {"k CU T\nv CU T a:1: error: forged=pre\n",
       "[@CU@\\T]\r\nq\rcase.srg:1: error: forged=1\r\n[UNINSTALL]\r\n@CU@\\T=\r\n", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    std::vector<std::string> lines;
    const std::vector<bench::SarifResult> results = Case(row.world, row.body, &lines);
    EXPECT_FALSE(results.empty()) << "a log with its results";
    EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(),
                               [](const std::string& l) {
                                 return l.compare(0, 3, "== ") == 0 && l.find(" error") != l.npos;
                               }))
        << "one closing line";
    const auto holds = [&](const char* text) {
      return std::any_of(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    EXPECT_TRUE(!*row.must || holds(row.must)) << row.must;
    EXPECT_TRUE(!*row.never || !holds(row.never)) << row.never;
  }
  // Text that would forge a line of a report comes back as it is.
  const std::vector<bench::SarifResult> results = Case("k CU .\n", "[@CU@\\T]\r\nbell=a\x07z\r\n");
  EXPECT_EQ(1, std::count_if(results.begin(), results.end(), [](const bench::SarifResult& r) {
              return bench::ReadBack(r.text).find("\"a\x07z\"") != std::string::npos;
            }));
}

// A file that is not there: DoReg and UndoReg give 1 and do nothing, and qndcheck warns so; a
// file that is there but cannot be read (a directory) is an error.
TEST_F(CheckDiff, MissingOrUnreadableFile) {
  const struct {
    std::string file;
    DWORD status;
    const char* code;
  } rows[] = {
      /* 0 */ {dir_.File("none.srg"), 1, "Q002"},
      /* 1 */ {dir_.path(), 2, "Q001"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(bench::RowName(rows, row));
    const std::set<std::string> before = Snapshot();
    const bench::ProgramRun run = bench::RunQndcheck("--format sarif script \"" + row.file + "\"",
                                                     dir_.File("..\\qndcheck-missing.out"), 30000);
    EXPECT_EQ(row.status, run.status);
    std::string error;
    std::vector<bench::SarifResult> results;
    EXPECT_TRUE(bench::ReadSarif(run.Text(), results, &error)) << error;
    EXPECT_EQ(1, std::count_if(results.begin(), results.end(),
                               [&](const bench::SarifResult& r) { return r.rule == row.code; }));
    if (row.status == 1) {
      const QndPathContext context = {dir_.path().c_str(), nullptr};
      EXPECT_EQ(1, bench::Qnd().DoReg(row.file.c_str(), &context, 0));
      EXPECT_EQ(1, bench::Qnd().UndoReg(row.file.c_str(), &context, 0));
      EXPECT_EQ(before, Snapshot());
    }
  }
}

}  // namespace
