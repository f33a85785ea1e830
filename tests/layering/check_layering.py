#!/usr/bin/python3
"""The layering check of the build (see cmake/Layering.cmake).

Reads the targets CMake wrote (type, kind, folder, sources, declared links,
object files) and the symbols of the built objects (nm), and reports, one
line a finding, "rule: target: object: symbol" (or "rule: target: what"):

  engine-calls  an engine library's object calls something that is neither
                defined by a library it links nor part of the ISO C and C++
                runtime (nor of a package the library is allowed: zlib for
                the archive writer); or an engine links a Qt library. What an
                engine needs of the operating system goes through platform/.
  tool-files    a tool's object reaches files by itself (std::filesystem,
                file streams, C stdio or POSIX opens) instead of through
                platform/os.
  names         a report library defines a public-interface name inside
                namespace report, or a name of its own (not of the public
                interface) in the global namespace. The public names are
                listed in the names file.
  folders       a source folder holds the sources of more than one library.
  test-sources  a target compiles a source outside its own folder (tests of a
                lower folder compiling a higher folder's code; shared test
                helpers are test-support libraries instead).
  test-layer    a test, or a test-support library, links a library above the
                library of its own folder.
  undeclared    an object uses a symbol defined by a project library that its
                target does not link (directly, or through a dependency's
                public links).
  tool-code     a library compiles tool code (a tools/ or tool/ folder) or
                defines main().
  unclassified  a library that is neither platform, engine, Qt wing, program
                nor test support (cmake/Layering.cmake lists the engines and
                wings).
  not-built     a target whose objects are missing: build before checking.

Exit status 0 when nothing is found, 1 with the findings, 2 when the
manifest or nm cannot be used.
"""

import argparse
import collections
import os
import re
import subprocess
import sys

LIBRARY_TYPES = {"STATIC_LIBRARY", "SHARED_LIBRARY", "OBJECT_LIBRARY"}
COMPILED = re.compile(r"\.(c|cc|cpp|cxx)$")

# --- The ISO C and C++ runtime -------------------------------------------

# Functions and objects of the ISO C library (C17) that C++ programs reach
# through <cstdio>, <cstdlib>, <cstring>, <cmath>, <ctime>, <cctype>,
# <cwchar>, <cwctype>, <clocale>, <csignal>, <csetjmp>, <cuchar>, <cfenv>.
ISO_C = set("""
abort abs acos acosf acosh acoshf acoshl acosl aligned_alloc asctime asin asinf asinh asinhf asinhl asinl atan atan2
atan2f atan2l atanf atanh atanhf atanhl atanl atexit at_quick_exit atof atoi atol atoll bsearch btowc c16rtomb
c32rtomb calloc cbrt cbrtf cbrtl ceil ceilf ceill clearerr clock copysign copysignf copysignl cos cosf cosh coshf
coshl cosl ctime difftime div erf erfc erfcf erfcl erff erfl exit _Exit exp exp2 exp2f exp2l expf expl expm1 expm1f
expm1l fabs fabsf fabsl fclose fdim fdimf fdiml feclearexcept fegetenv fegetexceptflag fegetround feholdexcept feof
feraiseexcept ferror fesetenv fesetexceptflag fesetround fetestexcept feupdateenv fflush fgetc fgetpos fgets fgetwc
fgetws floor floorf floorl fma fmaf fmal fmax fmaxf fmaxl fmin fminf fminl fmod fmodf fmodl fopen fprintf fputc fputs
fputwc fputws fread free freopen frexp frexpf frexpl fscanf fseek fsetpos ftell fwide fwprintf fwrite fwscanf getc
getchar getenv gets getwc getwchar gmtime hypot hypotf hypotl ilogb ilogbf ilogbl isalnum isalpha isblank iscntrl
isdigit isgraph islower isprint ispunct isspace isupper iswalnum iswalpha iswblank iswcntrl iswctype iswdigit
iswgraph iswlower iswprint iswpunct iswspace iswupper iswxdigit isxdigit labs ldexp ldexpf ldexpl ldiv lgamma lgammaf
lgammal llabs lldiv llrint llrintf llrintl llround llroundf llroundl localeconv localtime log log10 log10f log10l
log1p log1pf log1pl log2 log2f log2l logb logbf logbl logf logl longjmp lrint lrintf lrintl lround lroundf lroundl
malloc mblen mbrlen mbrtoc16 mbrtoc32 mbrtowc mbsinit mbsrtowcs mbstowcs mbtowc memchr memcmp memcpy memmove memset
mktime modf modff modfl nan nanf nanl nearbyint nearbyintf nearbyintl nextafter nextafterf nextafterl nexttoward
nexttowardf nexttowardl perror pow powf powl printf putc putchar puts putwc putwchar qsort quick_exit raise rand
realloc remainder remainderf remainderl remove remquo remquof remquol rename rewind rint rintf rintl round roundf
roundl scalbln scalblnf scalblnl scalbn scalbnf scalbnl scanf setbuf setjmp _setjmp setlocale setvbuf signal sin sinf
sinh sinhf sinhl sinl snprintf sprintf sqrt sqrtf sqrtl srand sscanf strcat strchr strcmp strcoll strcpy strcspn
strerror strftime strlen strncat strncmp strncpy strpbrk strrchr strspn strstr strtod strtof strtoimax strtok strtol
strtold strtoll strtoul strtoull strtoumax strxfrm swprintf swscanf system tan tanf tanh tanhf tanhl tanl tgamma
tgammaf tgammal time timespec_get tmpfile tmpnam tolower toupper towctrans towlower towupper trunc truncf truncl
ungetc ungetwc vfprintf vfscanf vfwprintf vfwscanf vprintf vscanf vsnprintf vsprintf vsscanf vswprintf vswscanf
vwprintf vwscanf wcrtomb wcscat wcschr wcscmp wcscoll wcscpy wcscspn wcsftime wcslen wcsncat wcsncmp wcsncpy wcspbrk
wcsrchr wcsrtombs wcsspn wcsstr wcstod wcstof wcstok wcstol wcstold wcstoll wcstombs wcstoul wcstoull wcsxfrm wctob
wctomb wctrans wctype wmemchr wmemcmp wmemcpy wmemmove wmemset wprintf wscanf stdin stdout stderr
""".split())

# How the C library and the compiler spell some of those in objects, and
# what the C++ library's inline code and the compiler's own support call.
RUNTIME_PATTERNS = [re.compile(p) for p in (
    r"^__(cxa|gxx|cxxabiv1)",             # C++ ABI: exceptions, guards, personality
    r"^_Unwind_",
    r"^operator (new|delete)",
    r"^(std|__gnu_cxx|__cxxabiv1)::",
    r"^(typeinfo|typeinfo name|vtable|VTT|construction vtable) for (std|__gnu_cxx|__cxxabiv1)::",
    r"^(typeinfo|typeinfo name) for (void|bool|char|signed char|unsigned char|wchar_t|char8_t|char16_t|char32_t"
    r"|short|unsigned short|int|unsigned int|long|unsigned long|long long|unsigned long long|__int128"
    r"|unsigned __int128|float|double|long double|decltype\(nullptr\))( const)?\*?( const)?\*?$",
    r"^__(dynamic_cast|stack_chk_fail|dso_handle|tls_get_addr|libc_single_threaded|assert_fail|errno_location|once_proxy"
    r"|cpu_model|cpu_indicators_init|cpu_features2|pthread_key_create)$",
    r"^_GLOBAL_OFFSET_TABLE_$",
    r"^__ctype_(b|tolower|toupper)_loc$",
    # libgcc's arithmetic helpers (128-bit division, population count, ...).
    r"^__(u?(div|mod)|mul|popcount|clz|ctz|ffs|bswap|float(un)?|fix(uns)?|pow|neg|ashl|ashr|lshr|u?cmp|parity)"
    r"[a-z]*[0-9]+$",
    # The C++ library's inline locking and once (std::mutex, std::call_once,
    # std::shared_mutex, std::condition_variable) and this_thread::yield.
    r"^pthread_(mutex_(lock|unlock|trylock|timedlock|clocklock)|once|cond_(wait|signal|broadcast|timedwait"
    r"|clockwait|destroy)|rwlock_(rdlock|wrlock|unlock|tryrdlock|trywrlock|timedrdlock|timedwrlock|clockrdlock"
    r"|clockwrlock|destroy)|key_create|key_delete|getspecific|setspecific|self|equal)$",
    r"^sched_yield$",
    # The sanitizers' and the fuzzer's instrumentation.
    r"^__(asan|ubsan|lsan|tsan|msan|sanitizer|sancov)_",
)]
# The C library's aliases of ISO functions (fortified and C99/C23 scanf).
ALIASES = [re.compile(r"^__isoc(99|23)_(?P<name>\w+)$"), re.compile(r"^__(?P<name>\w+)_chk$"),
           re.compile(r"^__(?P<name>\w+)_finite$")]

# Packages an engine may call besides the runtime, by the imported target it
# links, and their symbols.
PACKAGE_SYMBOLS = {
    "ZLIB::ZLIB": re.compile(r"^(deflate\w*|inflate\w*|crc32\w*|adler32\w*|zlibVersion|zError|compress\w*"
                             r"|uncompress\w*|get_crc_table)$"),
}


def is_runtime(name):
    if name in ISO_C:
        return True
    for pattern in ALIASES:
        m = pattern.match(name)
        if m and m.group("name") in ISO_C:
            return True
    return any(p.search(name) for p in RUNTIME_PATTERNS)


# --- Files in tools ------------------------------------------------------

TOOL_FILE_ACCESS = [re.compile(p) for p in (
    r"^std::(__cxx11::|__1::)?(filesystem|experimental::filesystem)::",
    r"^std::(__cxx11::)?basic_(i|o)?fstream<",
    r"^std::(__cxx11::)?basic_filebuf<",
    r"^(typeinfo|vtable|VTT|construction vtable) for std::(__cxx11::)?basic_(i|o)?fstream<",
    r"^(fopen|fopen64|freopen|freopen64|tmpfile|tmpfile64|remove|rename|open|open64|openat|openat64|creat|opendir"
    r"|fdopendir|stat|stat64|lstat|lstat64|fstat|fstat64|__xstat|__lxstat|__fxstat|__xstat64|__lxstat64"
    r"|__fxstat64|statx|unlink|unlinkat|mkdir|mkdirat|rmdir|realpath|readlink|access|faccessat|truncate"
    r"|ftruncate)$",
)]


# --- Demangled names -----------------------------------------------------

SPECIAL_PREFIXES = re.compile(
    r"^(vtable for |typeinfo for |typeinfo name for |VTT for |construction vtable for |guard variable for "
    r"|non-virtual thunk to |virtual thunk to |covariant return thunk to |TLS init function for "
    r"|TLS wrapper function for |transaction clone for |reference temporary #\d+ for )+")
OPERATOR = re.compile(r"operator\s*(<<=|>>=|<=>|<<|>>|<=|>=|->\*|->|\(\)|\[\]|<|>|[^\s(<>]+)")


def qualified_components(demangled):
    """The namespace and class components of a demangled symbol's entity
    ("report::detail::Foo::bar(int)" gives [report, detail, Foo, bar]),
    template arguments and parameters left out; [] when there is none."""
    name = SPECIAL_PREFIXES.sub("", demangled)
    name = name.split("-in-", 1)[0]
    name = OPERATOR.sub("operator@", name)
    name = name.replace("(anonymous namespace)", "@anon")
    # Drop everything in <> and (), keeping the depth-0 text.
    out = []
    depth = 0
    for ch in name:
        if ch in "<(":
            if ch == "(" and depth == 0:
                break  # the parameter list: the name is complete
            depth += 1
        elif ch in ">)":
            depth -= 1
        elif depth == 0:
            out.append(ch)
    text = "".join(out).strip()
    # A template function's return type comes first, separated by a space.
    text = text.split(" ")[-1] if " " in text else text
    parts = [p for p in text.split("::") if p]
    if not parts or any(not re.match(r"^[A-Za-z_@~][\w@]*$", p) for p in parts):
        return []
    return parts


# --- The manifest --------------------------------------------------------

def read_manifest(path):
    m = {
        "root": None, "binary": None, "names": None, "engine": [], "wing": [], "type": {}, "kind": {},
        "dir": {}, "sources": collections.defaultdict(list), "objects": collections.defaultdict(list),
        "link": collections.defaultdict(list), "interface": collections.defaultdict(list), "imported": set(),
        "packages": collections.defaultdict(list),
    }
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            kind, target, value = line.split("\t", 2)
            if kind in ("root", "binary", "names"):
                m[kind] = value
            elif kind in ("engine", "wing"):
                m[kind].append(value.strip("/"))
            elif kind == "target":
                m["type"][target] = value
            elif kind in ("kind", "dir"):
                m[kind][target] = value
            elif kind == "source":
                m["sources"][target].append(value)
            elif kind == "objects":
                m["objects"][target].extend(v for v in value.split("\t") if v)
            elif kind in ("link", "interface"):
                if value not in m[kind][target]:
                    m[kind][target].append(value)
            elif kind == "imported":
                m["imported"].add(target)
    return m


def link_names(item, for_usage):
    """Target names an item of a link list stands for. $<LINK_ONLY:...> hands
    on no usage requirements."""
    if item.startswith(("$<LINK_ONLY:", "@<LINK_ONLY:")):
        return [] if for_usage else link_names(item[len("$<LINK_ONLY:"):-1], False)
    if item.startswith(("$<", "@<")):
        return re.findall(r"[A-Za-z0-9_.+-]+::[A-Za-z0-9_.+-]+", item)
    return [item]


def link_closure(m, target):
    """Everything a target links: its links and, recursively, theirs (a static
    library hands all its links on)."""
    seen = set()
    todo = []
    for item in m["link"].get(target, []) + m["interface"].get(target, []):
        todo.extend(link_names(item, for_usage=False))
    while todo:
        name = todo.pop()
        if name in seen or name == target:
            continue
        seen.add(name)
        for item in m["link"].get(name, []) + m["interface"].get(name, []):
            todo.extend(link_names(item, for_usage=False))
    return seen


def within(path, folder):
    return path == folder or path.startswith(folder.rstrip("/") + "/")


def rel(m, path):
    for base in (m["binary"], m["root"]):
        if base and within(path, base):
            return os.path.relpath(path, base)
    return path


# --- nm ------------------------------------------------------------------

NM_LINE = re.compile(r"^(?P<path>.+?\.o(?:bj)?):(?P<addr>[0-9a-fA-F]*)\s+(?P<type>[A-Za-z?-])\s(?P<name>.*)$")


def read_symbols(nm, objects):
    """{object: (undefined names, strongly defined names, weakly defined names)}"""
    result = {o: (set(), set(), set()) for o in objects}
    for start in range(0, len(objects), 100):
        chunk = objects[start:start + 100]
        run = subprocess.run([nm, "-A", "-C", "--no-sort"] + chunk, capture_output=True, text=True)
        if run.returncode != 0 and not run.stdout:
            raise OSError(run.stderr.strip() or f"{nm} failed")
        for line in run.stdout.splitlines():
            found = NM_LINE.match(line)
            if not found or found.group("path") not in result:
                continue
            undefined, strong, weak = result[found.group("path")]
            kind, name = found.group("type"), found.group("name")
            if kind == "U":
                undefined.add(name)
            elif kind in "TDBRGS":
                strong.add(name)
            elif kind in "WVu" or kind in "wv":
                weak.add(name)
    return result


# --- The check -----------------------------------------------------------

# Coarse layers: the platform, then the engines and their wings, then the
# program. Within one, a library is above the ones it links.
RANK = {"platform": 0, "engine": 1, "wing": 1, "unclassified": 1, "app": 2}


def classify(m, target):
    """platform, engine, wing, program (app), test-support, tool, test, module
    or other."""
    ty = m["type"].get(target)
    kind = m["kind"].get(target, "")
    folder = source_folder(m, target)
    parts = folder.split("/")
    if ty == "MODULE_LIBRARY":
        return "module"
    if ty == "EXECUTABLE":
        return kind if kind in ("tool", "test") else "program"
    if ty not in LIBRARY_TYPES:
        return "other"
    if "tests" in parts:
        return "test-support"
    if parts[0] == "platform":
        return "platform"
    if parts[0] == "app":
        return "app"
    if any(within(folder, w) for w in m["wing"]):
        return "wing"
    if any(within(folder, e) for e in m["engine"]):
        return "engine"
    return "unclassified"


def source_folder(m, target):
    """The folder of a target's sources in the tree (the deepest one holding
    them all), else the folder that defines it."""
    sources = [os.path.dirname(s) for s in m["sources"].get(target, [])
               if COMPILED.search(s) and within(s, m["root"]) and not (m["binary"] and within(s, m["binary"]))]
    folder = os.path.commonpath(sources) if sources else m["dir"].get(target, m["root"])
    return os.path.relpath(folder, m["root"])


def library_folder(m, target):
    """The folder whose library a test or test-support target belongs to:
    its sources' folder without the tests/ part and what follows."""
    parts = source_folder(m, target).split("/")
    if "tests" in parts:
        parts = parts[:parts.index("tests")]
    return "/".join(parts)


def read_names(path):
    """The public names; a line "!Name" takes Name out again (a word the
    interface uses only for members, free for the project's own types)."""
    names, members = set(), set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line.startswith("!"):
                members.add(line[1:])
            elif line:
                names.add(line)
    return names - members


def check(m, nm):
    findings = []
    root = m["root"]
    targets = sorted(m["type"])
    kinds = {t: classify(m, t) for t in targets}
    libraries = [t for t in targets if m["type"][t] in LIBRARY_TYPES]
    closure = {t: link_closure(m, t) for t in targets}

    # Objects and their symbols.
    all_objects = []
    for t in targets:
        for o in m["objects"].get(t, []):
            all_objects.append(o)
    missing = {t for t in targets if any(not os.path.exists(o) for o in m["objects"].get(t, []))}
    for t in sorted(missing):
        if kinds[t] != "other":
            findings.append(f"not-built: {t}: objects missing; build before checking")
    symbols = read_symbols(nm, [o for o in all_objects if os.path.exists(o)])

    # Who defines what, among the project's libraries.
    definer = collections.defaultdict(set)      # strong definitions
    any_definer = collections.defaultdict(set)  # weak ones too (inline code, type information)
    for lib in libraries:
        for o in m["objects"].get(lib, []):
            if o in symbols:
                for name in symbols[o][1]:
                    definer[name].add(lib)
                    any_definer[name].add(lib)
                for name in symbols[o][2]:
                    any_definer[name].add(lib)

    def sym_finding(rule, target, obj, symbol, why=""):
        findings.append(f"{rule}: {target}: {rel(m, obj)}: {symbol}" + (f" ({why})" if why else ""))

    # undeclared: a project library's symbol without the link.
    for t in targets:
        if kinds[t] in ("module", "other"):
            continue
        own = {n for o in m["objects"].get(t, []) if o in symbols for n in symbols[o][1] | symbols[o][2]}
        for o in m["objects"].get(t, []):
            if o not in symbols:
                continue
            for name in sorted(symbols[o][0]):
                owners = definer.get(name)
                if not owners or name in own or t in owners or owners & closure[t]:
                    continue
                sym_finding("undeclared", t, o, name, "defined by " + ", ".join(sorted(owners)) +
                            ", which the target does not link")

    # engine-calls.
    qt_users = {t for t in targets if any(n.startswith("Qt6::") or n.startswith("Qt5::") for n in closure[t])}
    for t in targets:
        if kinds[t] != "engine":
            continue
        for through in sorted(closure[t]):
            if through in qt_users or through.startswith("Qt"):
                findings.append(f"engine-calls: {t}: links {through}, a Qt library or one that links Qt")
        packages = [p for p in PACKAGE_SYMBOLS if p in closure[t]]
        for o in m["objects"].get(t, []):
            if o not in symbols:
                continue
            own = symbols[o][1] | symbols[o][2]
            for name in sorted(symbols[o][0]):
                if name in own or is_runtime(name):
                    continue
                owners = any_definer.get(name, set())
                if owners & (closure[t] | {t}):
                    continue
                if definer.get(name):
                    continue  # reported as undeclared
                if any(PACKAGE_SYMBOLS[p].match(name) for p in packages):
                    continue
                sym_finding("engine-calls", t, o, name, "neither ISO C/C++ nor a platform library")

    # tool-files.
    for t in targets:
        if kinds[t] != "tool":
            continue
        for o in m["objects"].get(t, []):
            if o not in symbols:
                continue
            undefined, strong, weak = symbols[o]
            for name in sorted(undefined | strong | weak):
                if any(p.search(name) for p in TOOL_FILE_ACCESS):
                    sym_finding("tool-files", t, o, name, "files go through platform/os")

    # names.
    if m["names"]:
        public = read_names(m["names"])
        for t in libraries:
            folder = os.path.relpath(m["dir"][t], root)
            if kinds[t] not in ("engine", "wing") or not within(folder, "report"):
                continue
            for o in m["objects"].get(t, []):
                if o not in symbols:
                    continue
                for name in sorted(symbols[o][1]):
                    parts = qualified_components(name)
                    if not parts or parts[0] in ("std", "__gnu_cxx", "@anon") or parts[0].startswith("operator"):
                        continue
                    if parts[0] == "report":
                        if len(parts) > 1 and parts[1] in public:
                            sym_finding("names", t, o, name, f"{parts[1]} is a public-interface name: global")
                    elif parts[0] not in public:
                        sym_finding("names", t, o, name, f"{parts[0]} is the project's own: namespace report")

    # folders: one library a folder.
    by_folder = collections.defaultdict(set)
    for t in libraries:
        for src in m["sources"].get(t, []):
            if COMPILED.search(src) and within(src, root) and not (m["binary"] and within(src, m["binary"])):
                by_folder[os.path.dirname(src)].add(t)
    for folder, libs in sorted(by_folder.items()):
        if len(libs) > 1:
            findings.append(f"folders: {os.path.relpath(folder, root)}: sources of {', '.join(sorted(libs))}")

    # test-sources: a target compiles only its own folder's sources.
    for t in targets:
        if kinds[t] in ("other",):
            continue
        home = m["dir"][t]
        for src in m["sources"].get(t, []):
            if not COMPILED.search(src) or not within(src, root) or (m["binary"] and within(src, m["binary"])):
                continue
            if not within(src, home):
                findings.append(f"test-sources: {t}: compiles {os.path.relpath(src, root)}, outside "
                                f"{os.path.relpath(home, root)}")

    # test-layer: tests and test support link nothing above their folder's library.
    folder_library = {}
    for t in libraries:
        if kinds[t] != "test-support":
            folder_library.setdefault(source_folder(m, t), t)
    for t in targets:
        if kinds[t] not in ("test", "test-support"):
            continue
        folder = library_folder(m, t)
        home = None
        while True:
            if folder in folder_library:
                home = folder_library[folder]
                break
            if "/" not in folder:
                break
            folder = folder.rsplit("/", 1)[0]
        if home is None:
            continue
        for other in sorted(closure[t]):
            if other == home or other not in closure or kinds[other] == "test-support":
                continue
            if home in closure[other] or RANK.get(kinds[other], 0) > RANK.get(kinds[home], 0):
                findings.append(f"test-layer: {t}: links {other}, which is above {home} of its own folder")

    # tool-code and unclassified.
    for t in libraries:
        if kinds[t] == "unclassified":
            findings.append(f"unclassified: {t}: add its folder to the engines or the wings in cmake/Layering.cmake")
        for src in m["sources"].get(t, []):
            parts = os.path.relpath(src, root).split("/")
            if "tools" in parts[:-1] or "tool" in parts[:-1]:
                findings.append(f"tool-code: {t}: compiles {os.path.relpath(src, root)}, tool code")
        for o in m["objects"].get(t, []):
            if o in symbols and "main" in symbols[o][1]:
                sym_finding("tool-code", t, o, "main", "a library defines main()")

    return sorted(set(findings)), len(libraries), len(all_objects)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--nm", default="nm")
    args = ap.parse_args()
    try:
        m = read_manifest(args.manifest)
        findings, libraries, objects = check(m, args.nm)
    except (OSError, ValueError) as e:
        print(f"layering: cannot check: {e}", file=sys.stderr)
        return 2
    for line in findings:
        print(line)
    if findings:
        print(f"layering: {len(findings)} finding(s)", file=sys.stderr)
        return 1
    print(f"layering: {libraries} libraries and {objects} objects checked, nothing found")
    return 0


if __name__ == "__main__":
    sys.exit(main())
