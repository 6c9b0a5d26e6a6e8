#!/usr/bin/env python3
"""The layering check on small trees of its own: what it reports, where, and what it lets pass."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layering  # noqa: E402


class LayeringCheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        self.src = os.path.join(self.root, "src")
        for folder in check_layering.LAYERS:
            os.makedirs(os.path.join(self.src, folder))

    def tearDown(self):
        self.dir.cleanup()

    def write(self, rel, text):
        path = os.path.join(self.root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        return path

    def run_check(self, exceptions=None, pure=None):
        exceptions_file = self.write("exceptions.txt", exceptions) if exceptions is not None else None
        pure_file = None
        if pure is not None:
            pure_file = self.write("pure.txt", "".join(f"{t}\t{os.path.join(self.root, s)}\n" for t, s in pure))
        return check_layering.run(self.src, exceptions_file, pure_file)

    def test_allowed_includes_pass(self):
        self.write("src/setup/a.cpp", '#include "ui/form.h"\n#include "engine/x.h"\n#include <windows.h>\n')
        self.write("src/engine/b.cpp", '#include "platform/p.h"\n#include "net/n.h"\n#include "win32/log.h"\n')
        self.write("src/net/c.cpp", '#include "mailclient/m.h"\n#include "local.h"\n')
        self.write("src/engine/b_test.cpp", '#include "support/test_files.h"\n#include "servers/test_servers.h"\n')
        self.assertEqual(self.run_check(), [])

    def test_upward_includes_are_reported_with_file_and_line(self):
        self.write("src/engine/a.h", '// first\n#include <string>\n#include "setup/setup_state.h"\n')
        self.write("src/platform/b.cpp", '#  include "ui/form.h"\n')
        self.write("src/mailclient/c.cpp", '#include "net/tcp_socket.h"\n')
        self.write("src/win32/d.cpp", '#include "xmldoc/x.h"\n')
        self.assertEqual(sorted(self.run_check()), [
            'src/engine/a.h:3: includes "setup/setup_state.h": engine/ may not include from setup/',
            'src/mailclient/c.cpp:1: includes "net/tcp_socket.h": mailclient/ may not include from net/',
            'src/platform/b.cpp:1: includes "ui/form.h": platform/ may not include from ui/',
            'src/win32/d.cpp:1: includes "xmldoc/x.h": win32/ may not include from xmldoc/',
        ])

    def test_test_support_only_in_tests(self):
        self.write("src/engine/a.cpp", '#include "support/test_files.h"\n')
        self.assertEqual(self.run_check(), [
            'src/engine/a.cpp:1: includes "support/test_files.h": only tests include the tests\' support (support/)'])

    def test_known_exceptions_pass_and_stale_ones_fail(self):
        self.write("src/engine/a.h", '#include "setup/setup_state.h"\n')
        exceptions = "# comment\n\nsrc/engine/a.h: setup/setup_state.h\n"
        self.assertEqual(self.run_check(exceptions), [])
        self.write("src/engine/a.h", "// the include is gone\n")
        self.assertEqual(self.run_check(exceptions), [
            "exceptions.txt:3: known exception src/engine/a.h: setup/setup_state.h no longer occurs: remove it"])

    def test_an_exception_covers_only_its_own_file(self):
        self.write("src/engine/a.h", '#include "setup/setup_state.h"\n')
        self.write("src/engine/b.h", '#include "setup/setup_state.h"\n')
        self.assertEqual(self.run_check("src/engine/a.h: setup/setup_state.h\n"), [
            'src/engine/b.h:1: includes "setup/setup_state.h": engine/ may not include from setup/'])

    def test_a_folder_without_rule_is_reported(self):
        self.write("src/newfolder/a.cpp", "\n")
        self.assertEqual(self.run_check(), ["src/newfolder:0: folder newfolder/ has no rule in check_layering.py (LAYERS)"])

    def test_pure_sources_reach_no_windows_header(self):
        self.write("src/engine/pure.cpp", '#include "engine/pure.h"\n#include <string>\n')
        self.write("src/engine/pure.h", '#include <vector>\n#ifdef _WIN32\n#include "win32/handle.h"\n#endif\n')
        self.write("src/win32/handle.h", "#pragma once\n#include <windows.h>\n")
        self.write("src/engine/other.cpp", '#include <winsock2.h>\n#include <schannel.h>\n')
        problems = self.run_check(pure=[("tarno_engine_pure", "src/engine/pure.cpp"),
                                        ("tarno_engine_pure", "src/engine/other.cpp")])
        self.assertEqual(sorted(problems), [
            "src/engine/other.cpp:1: includes <winsock2.h> in pure target tarno_engine_pure",
            "src/engine/other.cpp:2: includes <schannel.h> in pure target tarno_engine_pure",
            "src/win32/handle.h:2: includes <windows.h> in pure target tarno_engine_pure"
            " through src/engine/pure.h:3 through src/engine/pure.cpp:1",
        ])

    def test_windows_headers_outside_pure_targets_pass(self):
        self.write("src/engine/pure.cpp", "#include <string>\n")
        self.write("src/engine/win.cpp", "#include <windows.h>\n")
        self.assertEqual(self.run_check(pure=[("tarno_engine_pure", "src/engine/pure.cpp")]), [])


if __name__ == "__main__":
    unittest.main()
