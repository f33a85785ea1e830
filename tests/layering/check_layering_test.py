#!/usr/bin/python3
"""The layering check run on small made-up trees: what each rule reports and
what it lets pass."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layering.py")


def run_check(files, manifest, deps):
    """Writes `files` (path -> text) under a fresh root, a manifest whose
    lines use {root}, and a stand-in for ninja that prints `deps`; returns the
    check's exit status and output."""
    with tempfile.TemporaryDirectory() as root:
        build = os.path.join(root, "build")
        os.makedirs(build)
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        with open(os.path.join(build, "targets.txt"), "w") as f:
            f.write(manifest.format(root=root))
        deps_file = os.path.join(build, "deps.txt")
        with open(deps_file, "w") as f:
            f.write(deps.format(root=root))
        ninja = os.path.join(build, "fake-ninja")
        with open(ninja, "w") as f:
            f.write(f"#!/bin/sh\ncat '{deps_file}'\n")
        os.chmod(ninja, 0o755)
        run = subprocess.run([sys.executable, CHECK, "--manifest", os.path.join(build, "targets.txt"),
                              "--build", build, "--ninja", ninja], capture_output=True, text=True)
        return run.returncode, run.stdout + run.stderr


# Two libraries: low (folder low) and high (folder high), high linking low.
BASE_MANIFEST = textwrap.dedent("""\
    root\t\t{root}
    engine\t\thigh
    target\tlow\tSTATIC_LIBRARY
    dir\tlow\t{root}/low
    source\tlow\t{root}/low/Low.cpp
    target\thigh\tSTATIC_LIBRARY
    dir\thigh\t{root}/high
    source\thigh\t{root}/high/High.cpp
    link\thigh\tlow
    interface\thigh\tlow
    """)


def deps_of(obj, headers):
    lines = [f"{obj}: #deps {len(headers)}, deps mtime 1 (VALID)"] + [f"    {h}" for h in headers]
    return "\n".join(lines) + "\n\n"


def low_deps(*extra):
    return deps_of("low/CMakeFiles/low.dir/Low.cpp.o", ["{root}/low/Low.cpp", "{root}/low/Low.h", *extra])


def high_deps(*extra):
    return deps_of("high/CMakeFiles/high.dir/High.cpp.o", ["{root}/high/High.cpp", "{root}/high/High.h", *extra])


BASE_FILES = {
    "low/Low.h": "#pragma once\n#include <string>\n",
    "low/Low.cpp": '#include "low/Low.h"\n',
    "high/High.h": "#pragma once\n#include <vector>\n#include <cstdio>\n",
    "high/High.cpp": '#include "high/High.h"\n#include "low/Low.h"\n',
}


class LayeringCheck(unittest.TestCase):
    def test_rules(self):
        cases = [
            # (what, extra manifest lines, file changes, low's extra deps, high's extra deps, expected finding or None)
            ("a clean tree", "", {}, [], ["{root}/low/Low.h", "/usr/include/c++/12/vector"], None),
            ("a header of a library that depends on the reader", "", {}, ["{root}/high/High.h"], [],
             "include: low reads high/High.h of high"),
            ("a private link hands on nothing", "target\tmid\tSTATIC_LIBRARY\ndir\tmid\t{root}/mid\n"
             "source\tmid\t{root}/mid/Mid.cpp\nlink\tmid\tlow\ninterface\tmid\t$<LINK_ONLY:low>\n"
             "target\ttop\tSTATIC_LIBRARY\ndir\ttop\t{root}/top\nsource\ttop\t{root}/top/Top.cpp\n"
             "link\ttop\tmid\n", {"mid/Mid.cpp": "", "top/Top.cpp": ""}, [], [],
             "include: top reads low/Low.h of low"),
            ("a package header without the package", "", {}, ["/usr/include/nlohmann/json.hpp"], [],
             "include: low reads /usr/include/nlohmann/json.hpp of nlohmann_json::nlohmann_json"),
            ("a package header with the package", "link\tlow\tnlohmann_json::nlohmann_json\n", {},
             ["/usr/include/nlohmann/json.hpp"], [], None),
            ("a Qt module through a public one", "link\tlow\tQt6::Widgets\ninterface\tQt6::Widgets\tQt6::Gui\n"
             "interface\tQt6::Gui\tQt6::Core\n", {},
             ["/usr/include/x86_64-linux-gnu/qt6/QtCore/qstring.h"], [], None),
            ("an operating-system header in an engine", "", {"high/High.h": "#include <unistd.h>\n"}, [], [],
             "engine: high/High.h (in high) includes the operating-system header <unistd.h>"),
            ("a Qt header in an engine", "", {"high/High.cpp": "#include <QImage>\n"}, [], [],
             "engine: high/High.cpp (in high) includes the Qt header <QImage>"),
            ("an operating-system header outside the engines", "", {"low/Low.h": "#include <sys/stat.h>\n"},
             [], [], None),
            ("C, C++ and intrinsics headers in an engine", "",
             {"high/High.h": "#include <cstdio>\n#include <stdio.h>\n#include <immintrin.h>\n#include <map>\n"},
             [], [], None),
            ("tool code in a library", "source\tlow\t{root}/low/tools/Commands.cpp\n",
             {"low/tools/Commands.cpp": ""}, [], [], "tool: low compiles low/tools/Commands.cpp"),
            ("a main() in a library", "source\tlow\t{root}/low/Main.cpp\n",
             {"low/Main.cpp": "int main(int argc, char** argv) { return 0; }\n"}, [], [],
             "tool: low compiles low/Main.cpp, which defines main()"),
        ]
        for what, manifest, changes, low_extra, high_extra, finding in cases:
            with self.subTest(what):
                files = dict(BASE_FILES)
                files.update(changes)
                deps = low_deps(*low_extra) + high_deps(*high_extra)
                if "top\t" in manifest:
                    deps += deps_of("mid/CMakeFiles/mid.dir/Mid.cpp.o", ["{root}/mid/Mid.cpp", "{root}/low/Low.h"])
                    deps += deps_of("top/CMakeFiles/top.dir/Top.cpp.o", ["{root}/top/Top.cpp", "{root}/low/Low.h"])
                status, output = run_check(files, BASE_MANIFEST + manifest, deps)
                if finding is None:
                    self.assertEqual(status, 0, output)
                else:
                    self.assertEqual(status, 1, output)
                    self.assertIn(finding, output)

    def test_a_library_not_built_is_reported(self):
        status, output = run_check(BASE_FILES, BASE_MANIFEST, low_deps())
        self.assertEqual(status, 1, output)
        self.assertIn("high: not built", output)


if __name__ == "__main__":
    unittest.main()
