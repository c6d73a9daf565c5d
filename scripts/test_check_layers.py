#!/usr/bin/env python3
"""Tests of scripts/check_layers.py on small trees made for each case: a wrong include must fail
with a message naming the file, the line and both floors; a right one and a listed exception
must pass."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layers.py")


def run_check(files):
    """Writes {path: text} under a new folder and runs the check over it: (exit code, output)."""
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr


class LayerCheckTest(unittest.TestCase):
    def test_includes_down_a_floor_pass(self):
        code, out = run_check({
            "engine/platform/ZA.h": "#pragma once\n",
            "engine/core/ZB.h": '#include "engine/platform/ZA.h"\n',
            "engine/ui/ZC.cpp": '#include "engine/app/ZD.h"\n#include "engine/core/ZB.h"\n',
            "game/dive/board/ZE.cpp": '#include "game/dive/model/ZF.h"\n#include "game/common/ZG.h"\n',
            "game/shell/ZH.cpp": '#include "game/screens/ZI.h"\n#include <vector>\n',
        })
        self.assertEqual(code, 0, out)

    def test_include_up_a_floor_fails_naming_file_line_and_floors(self):
        cases = [
            ("engine/core/ZPropertyFile.cpp", "engine/app/ZEngine.h", "engine/core may not include engine/app"),
            ("engine/scene/ZNode.cpp", "engine/render/ZView.h", "engine/scene may not include engine/render"),
            ("engine/fs/ZFile.cpp", "engine/resource/ZResource.h", "engine/fs may not include engine/resource"),
            ("game/dive/model/ZTile.cpp", "game/dive/board/ZBoard.h",
             "game/dive/model may not include game/dive"),
            ("game/dive/ZInGame.cpp", "game/screens/ZMap.h", "game/dive may not include game/screens"),
            ("game/common/IGameShell.h", "game/shell/ZQuorvane.h", "game/common may not include game/shell"),
        ]
        for source, target, message in cases:
            with self.subTest(source=source, target=target):
                code, out = run_check({source: '// a file\n#include "%s"\n' % target})
                self.assertEqual(code, 1, out)
                self.assertIn("%s:2: %s" % (source, message), out)

    def test_listed_exception_passes_and_a_stale_one_is_reported(self):
        code, out = run_check({"engine/app/ZGameEngine.cpp": '#include "engine/ui/ZLayer2D.h"\n'})
        self.assertEqual(code, 0, out)
        code, out = run_check({"engine/app/ZGameEngine.cpp": '#include "engine/app/ZGame.h"\n'})
        self.assertEqual(code, 1, out)
        self.assertIn("engine/app/ZGameEngine.cpp -> engine/ui is no longer needed", out)

    def test_exception_is_for_its_file_only(self):
        code, out = run_check({"engine/app/ZEngine.cpp": '#include "engine/ui/ZLayer2D.h"\n'})
        self.assertEqual(code, 1, out)
        self.assertIn("engine/app/ZEngine.cpp:1: engine/app may not include engine/ui", out)

    def test_folder_missing_from_the_table_fails(self):
        code, out = run_check({"engine/newthing/ZX.h": "#pragma once\n"})
        self.assertEqual(code, 1, out)
        self.assertIn("engine/newthing/ZX.h: its folder is not in the layer table", out)
        code, out = run_check({"engine/core/ZX.h": '#include "engine/elsewhere/ZY.h"\n'})
        self.assertEqual(code, 1, out)
        self.assertIn("whose folder is not in the layer table", out)


if __name__ == "__main__":
    unittest.main()
