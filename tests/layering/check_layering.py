#!/usr/bin/python3
"""The layering check of the build (see cmake/Layering.cmake).

Reads the targets CMake wrote (sources, declared links, the imported targets'
interfaces) and the headers each object of a library really read (Ninja's
dependency log, after the build), and reports:

  include   a library reads a header of a project library or of a package that
            is not among its dependencies (its own links, and through them the
            public links of each, as CMake hands on usage requirements). A
            module (a library loaded at run time, such as a test's stand-in
            client library) is built against its host's headers without
            linking the host, and is not held to this;
  engine    an engine library (its folder in the engine list) includes a Qt
            header or an operating-system header;
  tool      a library compiles a source from a tools/ or tool/ folder, or one
            that defines main().

Exit status 0 when nothing is found, 1 with one line a finding otherwise,
2 when the build cannot be read.
"""

import argparse
import collections
import os
import re
import subprocess
import sys

LIBRARY_TYPES = {"STATIC_LIBRARY", "SHARED_LIBRARY", "OBJECT_LIBRARY", "MODULE_LIBRARY"}

# Headers of packages, by resolved path, and the imported target that gives
# them. A header of a package that is neither here nor part of the compiler's
# and C library's own headers is reported, so a new package gets its row.
PACKAGE_HEADERS = [
    (re.compile(r"/qt6/(Qt[A-Za-z0-9]+)/"), lambda m: "Qt6::" + m.group(1)[2:]),
    (re.compile(r"^/usr/include/nlohmann/"), lambda m: "nlohmann_json::nlohmann_json"),
    (re.compile(r"^/usr/include/(zlib|zconf)\.h$"), lambda m: "ZLIB::ZLIB"),
    (re.compile(r"^/usr/include/(x86_64-linux-gnu/|[a-z0-9_]+-linux-gnu[a-z0-9_]*/)?(jpeglib|jconfig|jmorecfg|jerror)\.h$"),
     lambda m: "JPEG::JPEG"),
    (re.compile(r"^/usr/include/cups/"), lambda m: "Cups::Cups"),
    (re.compile(r"^/usr/include/(sql|sqlext|sqltypes|sqlucode|odbcinst|odbcinstext|unixodbc)\.h$"),
     lambda m: "PkgConfig::ODBC"),
    (re.compile(r"^/usr/include/[a-z0-9_]+-linux-gnu[a-z0-9_]*/unixodbc(_conf)?\.h$"), lambda m: "PkgConfig::ODBC"),
    (re.compile(r"^/usr/include/(sqlite3|sqlite3ext)\.h$"), lambda m: "PkgConfig::SQLITE3"),
    (re.compile(r"^/usr/include/gtest/"), lambda m: "GTest::gtest"),
    (re.compile(r"^/usr/include/gmock/"), lambda m: "GTest::gmock"),
]

# Packages whose headers every program may read: the compiler's and the C
# library's.
SYSTEM_PACKAGE = re.compile(r"^(libc6-dev|linux-libc-dev|libstdc\+\+-[0-9]+-dev|libgcc-[0-9]+-dev|libcrypt-dev"
                            r"|libc-dev-bin|libclang-common-[0-9]+-dev|libstdc\+\+-dev)(:.*)?$")
SYSTEM_DIRS = ("/usr/include/c++/", "/usr/lib/gcc/", "/usr/lib/llvm-")

# Headers an engine may include in angle brackets besides the C++ standard
# library's: the C standard library's, and the packages' (which the include
# check holds to the declared dependencies).
C_STANDARD_HEADERS = {
    "assert.h", "complex.h", "ctype.h", "errno.h", "fenv.h", "float.h", "inttypes.h", "iso646.h", "limits.h",
    "locale.h", "math.h", "setjmp.h", "signal.h", "stdalign.h", "stdarg.h", "stdatomic.h", "stdbool.h",
    "stddef.h", "stdint.h", "stdio.h", "stdlib.h", "stdnoreturn.h", "string.h", "tgmath.h", "threads.h",
    "time.h", "uchar.h", "wchar.h", "wctype.h",
}
# The compiler's own headers (vector intrinsics) are no operating system's.
COMPILER_INCLUDES = re.compile(r"^([a-z0-9]*intrin|cpuid|arm_neon|arm_acle)\.h$")
PACKAGE_INCLUDES = re.compile(r"^(nlohmann/|zlib\.h$|zconf\.h$|jpeglib\.h$|jerror\.h$|sql\.h$|sqlext\.h$"
                              r"|sqltypes\.h$|sqlucode\.h$|sqlite3\.h$)")
QT_INCLUDE = re.compile(r"^(Q[A-Z][A-Za-z0-9]*|Qt[A-Za-z0-9]*(/.*)?|q[a-z0-9]+\.h)$")
ANGLE_INCLUDE = re.compile(r'^\s*#\s*include\s*<([^>]+)>', re.MULTILINE)
MAIN_FUNCTION = re.compile(r"^\s*int\s+main\s*\(", re.MULTILINE)
OBJECT_TARGET = re.compile(r"(?:^|/)CMakeFiles/([^/]+)\.dir/")


def read_manifest(path):
    m = {
        "root": None, "engine": [], "type": {}, "dir": {}, "sources": collections.defaultdict(list),
        "link": collections.defaultdict(list), "interface": collections.defaultdict(list), "imported": set(),
    }
    with open(path, encoding="utf-8") as f:
        for line in f:
            kind, target, value = line.rstrip("\n").split("\t", 2)
            if kind == "root":
                m["root"] = value
            elif kind == "engine":
                m["engine"].append(value.strip("/"))
            elif kind == "target":
                m["type"][target] = value
            elif kind == "dir":
                m["dir"][target] = value
            elif kind == "source":
                m["sources"][target].append(value)
            elif kind in ("link", "interface"):
                if value not in m[kind][target]:
                    m[kind][target].append(value)
            elif kind == "imported":
                m["imported"].add(target)
    return m


def link_names(item, for_usage):
    """Target names an item of a link list stands for. $<LINK_ONLY:...> hands
    on no usage requirements."""
    if item.startswith("$<LINK_ONLY:"):
        return [] if for_usage else link_names(item[len("$<LINK_ONLY:"):-1], False)
    if item.startswith("$<"):
        return re.findall(r"[A-Za-z0-9_.+-]+::[A-Za-z0-9_.+-]+", item)
    return [item]


def dependency_closure(m, target):
    """The targets whose headers `target` may read: itself, its links, and the
    public (interface) links of those, recursively."""
    seen = {target}
    todo = []
    for item in m["link"].get(target, []):
        todo.extend(link_names(item, for_usage=False))
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        for item in m["interface"].get(name, []):
            todo.extend(link_names(item, for_usage=True))
    return seen


def read_deps(ninja, build):
    out = subprocess.run([ninja, "-C", build, "-t", "deps"], check=True, capture_output=True, text=True).stdout
    deps = {}
    current = None
    for line in out.splitlines():
        if not line.strip():
            current = None
        elif not line.startswith(" "):
            current = line.split(":", 1)[0]
            deps[current] = []
        elif current is not None:
            deps[current].append(os.path.normpath(os.path.join(build, line.strip())))
    return deps


class HeaderOwners:
    """Which project targets a header of the source tree belongs to: the ones
    that compile the source of the same name beside it; else the ones with a
    source in its folder; else the ones defined in the nearest folder above
    it that defines targets."""

    def __init__(self, m):
        self.by_stem = collections.defaultdict(set)
        self.by_folder = collections.defaultdict(set)
        self.by_cmake_dir = collections.defaultdict(set)
        for target, sources in m["sources"].items():
            for src in sources:
                folder, name = os.path.split(src)
                self.by_stem[(folder, os.path.splitext(name)[0])].add(target)
                self.by_folder[folder].add(target)
        for target, folder in m["dir"].items():
            self.by_cmake_dir[folder].add(target)

    def owners(self, header):
        folder, name = os.path.split(header)
        stem = self.by_stem.get((folder, os.path.splitext(name)[0]))
        if stem:
            return stem
        if folder in self.by_folder:
            return self.by_folder[folder]
        while folder and folder != "/":
            if folder in self.by_cmake_dir:
                return self.by_cmake_dir[folder]
            folder = os.path.dirname(folder)
        return set()


def package_target(header):
    for pattern, target in PACKAGE_HEADERS:
        found = pattern.search(header)
        if found:
            return target(found)
    return None


def system_packages(headers):
    """The Debian package of each header, for those the table does not name."""
    result = {}
    headers = sorted(headers)
    for start in range(0, len(headers), 200):
        chunk = headers[start:start + 200]
        run = subprocess.run(["dpkg-query", "-S"] + chunk, capture_output=True, text=True)
        for line in run.stdout.splitlines():
            if ": " not in line:
                continue
            packages, path = line.split(": ", 1)
            result[path] = [p.strip() for p in packages.split(",")]
    return result


def within(path, folder):
    return path == folder or path.startswith(folder + "/")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--build", required=True)
    ap.add_argument("--ninja", default="ninja")
    args = ap.parse_args()

    m = read_manifest(args.manifest)
    root = m["root"]
    build = os.path.abspath(args.build)
    try:
        deps = read_deps(args.ninja, build)
    except (OSError, subprocess.CalledProcessError) as e:
        print(f"layering: cannot read the dependency log of {build}: {e}", file=sys.stderr)
        return 2

    libraries = sorted(t for t, ty in m["type"].items() if ty in LIBRARY_TYPES)
    objects = collections.defaultdict(list)
    for obj in deps:
        found = OBJECT_TARGET.search(obj)
        if found:
            objects[found.group(1)].append(obj)

    owners = HeaderOwners(m)
    findings = []

    # Headers outside the tree that no row of the table names.
    unnamed = set()
    for lib in libraries:
        for obj in objects.get(lib, []):
            for header in deps[obj]:
                if not within(header, root) and not within(header, build) and package_target(header) is None \
                        and not header.startswith(SYSTEM_DIRS):
                    unnamed.add(header)
    packages = system_packages(unnamed) if unnamed else {}

    for lib in libraries:
        lib_objects = objects.get(lib, [])
        compiled = [s for s in m["sources"].get(lib, []) if re.search(r"\.(c|cc|cpp|cxx)$", s)]
        if compiled and not lib_objects:
            findings.append(f"{lib}: not built (no dependency records); build before checking")
            continue
        allowed = dependency_closure(m, lib)
        reported = set()
        for obj in (lib_objects if m["type"][lib] != "MODULE_LIBRARY" else []):
            for header in deps[obj]:
                if within(header, build):
                    continue
                if within(header, root):
                    owning = owners.owners(header)
                    if owning and lib not in owning and not (owning & allowed):
                        key = (os.path.relpath(header, root),)
                        if key not in reported:
                            reported.add(key)
                            names = ", ".join(sorted(owning))
                            findings.append(f"include: {lib} reads {os.path.relpath(header, root)} of {names}, "
                                            f"which it does not declare as a dependency")
                    continue
                target = package_target(header)
                if target is not None:
                    if target not in allowed and target not in reported:
                        reported.add(target)
                        findings.append(f"include: {lib} reads {header} of {target}, "
                                        f"which it does not declare as a dependency")
                    continue
                if header.startswith(SYSTEM_DIRS):
                    continue
                owner_packages = packages.get(header)
                if owner_packages is None:
                    continue  # not from a package: made on this machine, nothing to declare
                if not any(SYSTEM_PACKAGE.match(p) for p in owner_packages) and header not in reported:
                    reported.add(header)
                    findings.append(f"include: {lib} reads {header} of package {', '.join(owner_packages)}, "
                                    f"which no target of the table in tests/layering/check_layering.py gives")

        source_dir = m["dir"].get(lib, "")
        rel_dir = os.path.relpath(source_dir, root)
        engine = any(within(rel_dir, folder) for folder in m["engine"])

        # Tool code in a library.
        for src in m["sources"].get(lib, []):
            rel = os.path.relpath(src, root)
            parts = rel.split("/")
            if "tools" in parts[:-1] or "tool" in parts[:-1]:
                findings.append(f"tool: {lib} compiles {rel}, tool code")
            elif re.search(r"\.(c|cc|cpp|cxx)$", src) and os.path.exists(src):
                with open(src, encoding="utf-8", errors="replace") as f:
                    if MAIN_FUNCTION.search(f.read()):
                        findings.append(f"tool: {lib} compiles {rel}, which defines main()")

        if not engine:
            continue
        # The engine's own files: its sources and the tree's headers in
        # engine folders that its objects read.
        files = {s for s in m["sources"].get(lib, []) if within(s, root)}
        for obj in lib_objects:
            for header in deps[obj]:
                if within(header, root):
                    rel = os.path.relpath(header, root)
                    if any(within(rel, folder) for folder in m["engine"]):
                        files.add(header)
        for path in sorted(files):
            if not os.path.exists(path):
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            rel = os.path.relpath(path, root)
            for name in ANGLE_INCLUDE.findall(text):
                name = name.strip()
                if QT_INCLUDE.match(name):
                    findings.append(f"engine: {rel} (in {lib}) includes the Qt header <{name}>")
                elif ("." in name or "/" in name) and name not in C_STANDARD_HEADERS \
                        and not PACKAGE_INCLUDES.match(name) and not COMPILER_INCLUDES.match(name):
                    findings.append(f"engine: {rel} (in {lib}) includes the operating-system header <{name}>; "
                                    f"that belongs in platform/os")

    findings = sorted(set(findings))
    for line in findings:
        print(line)
    if findings:
        print(f"layering: {len(findings)} finding(s)", file=sys.stderr)
        return 1
    print(f"layering: {len(libraries)} libraries checked, nothing found")
    return 0


if __name__ == "__main__":
    sys.exit(main())
