#!/usr/bin/python3
"""The layering check run on small objects made for the purpose: an object
that breaks each rule is refused, with the rule, the object and the symbol;
a clean tree passes."""

import argparse
import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layering.py")
NM = "nm"
CXX = "c++"

# Sources of the made-up tree, by path under the root.
SOURCES = {
    "platform/os/Os.cpp": "namespace os { int file_size(const char*) { return 1; } }\n",
    "platform/os/Other.cpp": "namespace os { int other() { return 2; } }\n",
    "eng/Eng.cpp": textwrap.dedent("""\
        #include <cstring>
        #include <string>
        namespace os { int file_size(const char*); }
        std::string eng_name(const char* p) { char b[8]; std::memcpy(b, p, 8); return std::string(b, 8)
                                              + std::to_string(os::file_size(p)); }
        """),
    "eng/LocalTime.cpp": textwrap.dedent("""\
        #include <ctime>
        int eng_year(long s) { std::time_t t = s; std::tm tm{}; ::localtime_r(&t, &tm); return tm.tm_year; }
        """),
    "eng/UsesOther.cpp": "namespace os { int other(); }\nint eng_other() { return os::other(); }\n",
    "eng/Main.cpp": "int main() { return 0; }\n",
    "eng/tools/tool.cpp": textwrap.dedent("""\
        #include <fstream>
        #include <string>
        int main(int, char** argv) { std::ifstream in(argv[1]); std::string s; in >> s; return s.empty(); }
        """),
    "eng/tools/clean_tool.cpp": "#include <string>\nstd::string eng_name(const char*);\n"
                                "int main(int, char** argv) { return eng_name(argv[0]).empty(); }\n",
    "eng2/Eng2.cpp": "int eng2() { return 3; }\n",
    "report/x/Names.cpp": textwrap.dedent("""\
        namespace report { void InitReportDefaults() {} int row_count() { return 1; } }
        int BandTypeCount() { return 4; }
        class TBandReport { public: void Run(); };
        void TBandReport::Run() {}
        """),
    "eng/tests/EngTest.cpp": "#include <string>\nstd::string eng_name(const char*);\n"
                             "int main() { return eng_name(\"x\").empty(); }\n",
    "platform/os/tests/OsTest.cpp": "int main() { return 0; }\n",
    "app/App.cpp": "int app_x() { return 5; }\n",
    "top/Top.cpp": "#include <string>\nstd::string eng_name(const char*);\n"
                   "int top() { return int(eng_name(\"y\").size()); }\n",
}

BASE = [
    ("platform_os", "STATIC_LIBRARY", "platform/os", ["platform/os/Os.cpp", "platform/os/Other.cpp"], []),
    ("eng", "STATIC_LIBRARY", "eng", ["eng/Eng.cpp"], ["platform_os"]),
    ("eng-tool", "EXECUTABLE", "eng", ["eng/tools/clean_tool.cpp"], ["eng"]),
    ("top", "STATIC_LIBRARY", "top", ["top/Top.cpp"], ["eng"]),
    ("eng_tests", "EXECUTABLE", "eng", ["eng/tests/EngTest.cpp"], ["eng"]),
]
KINDS = {"eng-tool": "tool", "eng_tests": "test", "platform_os_tests": "test"}


class Tree:
    """Compiles each source once and writes manifests for lists of targets."""

    def __init__(self, root):
        self.root = root
        self.build = os.path.join(root, "build")
        self.objects = {}
        for path, text in SOURCES.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)

    def object_of(self, src):
        key = src
        if key not in self.objects:
            obj = os.path.join(self.build, src + ".o")
            os.makedirs(os.path.dirname(obj), exist_ok=True)
            subprocess.run([CXX, "-std=c++20", "-O0", "-c", os.path.join(self.root, src), "-o", obj], check=True)
            self.objects[key] = obj
        return self.objects[key]

    def run(self, targets, names=None, missing=()):
        lines = [f"root\t\t{self.root}", f"binary\t\t{self.build}", "engine\t\teng", "engine\t\teng2",
                 "engine\t\ttop", "engine\t\treport"]
        if names is not None:
            path = os.path.join(self.build, "names.txt")
            with open(path, "w") as f:
                f.write("# public names\n" + "\n".join(names) + "\n")
            lines.append(f"names\t\t{path}")
        for name, ty, folder, sources, links in targets:
            lines += [f"target\t{name}\t{ty}", f"dir\t{name}\t{self.root}/{folder}"]
            if name in KINDS:
                lines.append(f"kind\t{name}\t{KINDS[name]}")
            objs = []
            for src in sources:
                lines.append(f"source\t{name}\t{self.root}/{src}")
                obj = self.object_of(src)
                objs.append(obj + ".missing" if src in missing else obj)
            lines.append(f"objects\t{name}\t" + "\t".join(objs))
            lines += [f"link\t{name}\t{link}" for link in links]
        manifest = os.path.join(self.build, "manifest.txt")
        with open(manifest, "w") as f:
            f.write("\n".join(lines) + "\n")
        run = subprocess.run([sys.executable, CHECK, "--manifest", manifest, "--nm", NM],
                             capture_output=True, text=True)
        return run.returncode, run.stdout + run.stderr


def replace(targets, name, **changes):
    out = []
    for t in targets:
        if t[0] == name:
            fields = dict(zip(("name", "ty", "folder", "sources", "links"), t))
            fields.update(changes)
            t = (fields["name"], fields["ty"], fields["folder"], fields["sources"], fields["links"])
        out.append(t)
    return out


class LayeringCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.tree = Tree(cls.dir.name)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def test_clean_tree_passes(self):
        status, output = self.tree.run(BASE)
        self.assertEqual(status, 0, output)
        self.assertIn("nothing found", output)

    def test_each_rule_refuses_its_object(self):
        eng_sources = ["eng/Eng.cpp"]
        cases = [
            # (what, targets, names, expected finding)
            ("an engine calls a POSIX function",
             replace(BASE, "eng", sources=eng_sources + ["eng/LocalTime.cpp"]), None,
             "engine-calls: eng: eng/LocalTime.cpp.o: localtime_r"),
            ("an engine links a library that links Qt",
             replace(BASE, "eng", links=["platform_os", "platform_ui"]) +
             [("platform_ui", "STATIC_LIBRARY", "platform/ui", [], ["Qt6::Widgets"])], None,
             "engine-calls: eng: links platform_ui"),
            ("a tool reads a file with std::ifstream",
             replace(BASE, "eng-tool", sources=["eng/tools/tool.cpp"]), None,
             "tool-files: eng-tool: eng/tools/tool.cpp.o: std::basic_ifstream<char"),
            ("a public name inside namespace report",
             BASE + [("report_x", "STATIC_LIBRARY", "report/x", ["report/x/Names.cpp"], [])],
             ["InitReportDefaults", "TBandReport", "Run"],
             "names: report_x: report/x/Names.cpp.o: report::InitReportDefaults()"),
            ("an own helper in the global namespace",
             BASE + [("report_x", "STATIC_LIBRARY", "report/x", ["report/x/Names.cpp"], [])],
             ["InitReportDefaults", "TBandReport", "Run"],
             "names: report_x: report/x/Names.cpp.o: BandTypeCount()"),
            ("two libraries in one folder",
             BASE + [("eng_more", "STATIC_LIBRARY", "eng", ["eng/UsesOther.cpp"], ["platform_os"])], None,
             "folders: eng: sources of eng, eng_more"),
            ("a test compiles a higher folder's source",
             replace(BASE, "eng_tests", sources=["eng/tests/EngTest.cpp", "top/Top.cpp"]), None,
             "test-sources: eng_tests: compiles top/Top.cpp, outside eng"),
            ("a test links a library above its folder's",
             replace(BASE, "eng_tests", links=["eng", "top"]), None,
             "test-layer: eng_tests: links top, which is above eng of its own folder"),
            ("a platform test links the program's library",
             BASE + [("platform_os_tests", "EXECUTABLE", "platform/os", ["platform/os/tests/OsTest.cpp"],
                      ["platform_os", "app_x"]),
                     ("app_x", "STATIC_LIBRARY", "app", ["app/App.cpp"], ["platform_os"])], None,
             "test-layer: platform_os_tests: links app_x, which is above platform_os of its own folder"),
            ("a library uses one it does not link",
             BASE + [("eng2", "STATIC_LIBRARY", "eng2", ["eng2/Eng2.cpp", "eng/UsesOther.cpp"], [])], None,
             "undeclared: eng2: eng/UsesOther.cpp.o: os::other() (defined by platform_os"),
            ("a library defines main()",
             replace(BASE, "eng", sources=eng_sources + ["eng/Main.cpp"]), None,
             "tool-code: eng: eng/Main.cpp.o: main"),
            ("a library compiles tool code",
             replace(BASE, "eng", sources=eng_sources + ["eng/tools/clean_tool.cpp"]), None,
             "tool-code: eng: compiles eng/tools/clean_tool.cpp"),
            ("a library outside the lists",
             BASE + [("loose", "STATIC_LIBRARY", "loose", [], [])], None,
             "unclassified: loose"),
        ]
        for what, targets, names, finding in cases:
            with self.subTest(what):
                status, output = self.tree.run(targets, names)
                self.assertEqual(status, 1, output)
                self.assertIn(finding, output)

    def test_public_names_pass(self):
        # The global class and report's own helper are fine; only the two
        # misplaced names are reported.
        targets = BASE + [("report_x", "STATIC_LIBRARY", "report/x", ["report/x/Names.cpp"], [])]
        status, output = self.tree.run(targets, ["InitReportDefaults", "TBandReport", "Run"])
        names = [line for line in output.splitlines() if line.startswith("names:")]
        self.assertEqual(len(names), 2, output)
        self.assertNotIn("TBandReport", output)
        self.assertNotIn("row_count", output)

    def test_missing_objects_are_reported(self):
        status, output = self.tree.run(BASE, missing={"eng/Eng.cpp"})
        self.assertEqual(status, 1, output)
        self.assertIn("not-built: eng", output)


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--nm", default="nm")
    ap.add_argument("--cxx", default="c++")
    args, rest = ap.parse_known_args()
    NM, CXX = args.nm, args.cxx
    unittest.main(argv=[sys.argv[0]] + rest)
