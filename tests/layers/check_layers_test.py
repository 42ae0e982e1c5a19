#!/usr/bin/env python3
"""The dependency check fails on includes and links that point the wrong way.

Each case builds a scratch tree (and links file) and runs tools/check_layers.py on it.
"""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.environ.get("LUMDEL_CHECK_LAYERS",
                       os.path.join(HERE, "..", "..", "tools", "check_layers.py"))

# A tree that keeps the layers: every folder includes only what it may.
GOOD = {
    "engine/Engine.h": '#include "Stage.h"\n',
    "engine/Stage.h": "",
    "core/Core.h": '#include "engine/Engine.h"\n#include "../engine/Stage.h"\n',
    "toolkit/View.h": '#include <cairo.h>\n#include "Frame.h"\n',
    "toolkit/Frame.h": "",
    "resources/Resources.h": "",
    "editor/Editor.h": ('#include "core/Core.h"\n#include "toolkit/View.h"\n'
                        '#include "resources/Resources.h"\n'),
    "shell/Effect.h": '#include "editor/Editor.h"\n#include "core/Core.h"\n',
    "tests/any_test.cpp": '#include "shell/Effect.h"\n',
}

GOOD_LINKS = ("lumdel_engine: m\nlumdel_core: lumdel_engine\nlumdel_toolkit: cairo\n"
              "lumdel_resources:\nlumdel_editor: lumdel_core, lumdel_toolkit, lumdel_resources\n"
              "lumdel_plugin: lumdel_editor, lumdel_core, lumdel_toolkit, lumdel_resources\n"
              "lumdel_host: dl\n")


class CheckLayersTest(unittest.TestCase):
    def run_check(self, files, links=None):
        with tempfile.TemporaryDirectory() as root:
            for rel, text in files.items():
                path = os.path.join(root, rel)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "w") as f:
                    f.write(text)
            args = [sys.executable, CHECK, "--root", root]
            if links is not None:
                links_path = os.path.join(root, "links.txt")
                with open(links_path, "w") as f:
                    f.write(links)
                args += ["--links", links_path]
            done = subprocess.run(args, capture_output=True, text=True)
            return done.returncode, done.stdout

    def with_file(self, rel, text):
        files = dict(GOOD)
        files[rel] = text
        return files

    def test_a_tree_that_keeps_the_layers_passes(self):
        code, out = self.run_check(GOOD, GOOD_LINKS)
        self.assertEqual(code, 0, out)

    def test_the_toolkit_including_the_host_adapter_fails(self):
        code, out = self.run_check(self.with_file("toolkit/View.h", '#include "shell/Effect.h"\n'))
        self.assertEqual(code, 1)
        self.assertIn("toolkit/View.h: includes shell/Effect.h", out)

    def test_the_toolkit_including_the_bitmaps_fails(self):
        code, out = self.run_check(self.with_file("toolkit/Frame.h",
                                                  '#include "../resources/Resources.h"\n'))
        self.assertEqual(code, 1)
        self.assertIn("toolkit/Frame.h", out)

    def test_the_engine_including_the_core_fails(self):
        code, out = self.run_check(self.with_file("engine/Stage.h", '#include "core/Core.h"\n'))
        self.assertEqual(code, 1)
        self.assertIn("engine/Stage.h", out)

    def test_the_core_including_the_editor_or_the_adapter_fails(self):
        code, out = self.run_check(self.with_file("core/Core.h", '#include "editor/Editor.h"\n'))
        self.assertEqual(code, 1)
        code, out = self.run_check(self.with_file("core/Core.h", '#include "shell/Effect.h"\n'))
        self.assertEqual(code, 1)

    def test_the_editor_including_the_adapter_fails(self):
        code, out = self.run_check(self.with_file("editor/Editor.h", '#include "shell/Effect.h"\n'))
        self.assertEqual(code, 1)
        self.assertIn("editor/Editor.h", out)

    def test_a_library_link_cycle_fails(self):
        links = GOOD_LINKS.replace("lumdel_toolkit: cairo", "lumdel_toolkit: cairo, lumdel_plugin")
        code, out = self.run_check(GOOD, links)
        self.assertEqual(code, 1)
        self.assertIn("library link cycle", out)

    def test_a_cycle_among_tool_libraries_fails_too(self):
        links = GOOD_LINKS + "tool_a: tool_b\ntool_b: tool_a\n"
        code, out = self.run_check(GOOD, links)
        self.assertEqual(code, 1)
        self.assertIn("tool_a -> tool_b -> tool_a", out)

    def test_a_library_linking_upwards_fails(self):
        links = GOOD_LINKS.replace("lumdel_core: lumdel_engine",
                                   "lumdel_core: lumdel_engine lumdel_toolkit")
        code, out = self.run_check(GOOD, links)
        self.assertEqual(code, 1)
        self.assertIn("lumdel_core (core/) links lumdel_toolkit", out)

    def test_the_editor_library_linking_the_adapter_fails(self):
        # Another format's adapter could then not link the editor without the VST 2.4 one.
        links = GOOD_LINKS.replace("lumdel_editor: lumdel_core",
                                   "lumdel_editor: lumdel_plugin, lumdel_core")
        code, out = self.run_check(GOOD, links)
        self.assertEqual(code, 1)
        self.assertIn("lumdel_editor (editor/) links lumdel_plugin (shell/)", out)
        self.assertIn("library link cycle", out)


if __name__ == "__main__":
    unittest.main()
