"""Tests of tools/fhrp-gen: golden output for a small schema, and the
diagnostics of schemas the generator must refuse.

Set FHRP_UPDATE_GOLDEN=1 to rewrite golden/expected from the current
generator after an intended change; review the diff before committing.
"""

import difflib
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
GENERATOR = ROOT / "tools" / "fhrp-gen"
sys.path.insert(0, str(ROOT / "tools"))

from fhrpgen import schema  # noqa: E402

# Golden files carry this suffix so that formatters and line counts leave
# them alone; the build copies them under their real names to compile them.
GOLDEN = ".golden"


def generate(schema_path, out_dir, types, *extra):
    return subprocess.run(
        [sys.executable, str(GENERATOR), "--out", str(out_dir), "--types", types, *extra,
         str(schema_path)], capture_output=True, text=True)


def tree(root, suffix=""):
    """Files under root by relative name, without `suffix`."""
    root = pathlib.Path(root)
    return {p.relative_to(root).as_posix().removesuffix(suffix): p.read_text()
            for p in root.rglob("*") if p.is_file()}


class Golden(unittest.TestCase):
    def test_generated_code_matches_the_checked_in_output(self):
        expected_dir = HERE / "golden" / "expected"
        with tempfile.TemporaryDirectory() as out:
            result = generate(HERE / "golden" / "mini.schema", out, "Gateway,Probe,Pool,Root,Lease,Window",
                              "--registration")
            self.assertEqual(result.returncode, 0, result.stderr)
            actual = tree(out)
            if os.environ.get("FHRP_UPDATE_GOLDEN"):
                for name, text in actual.items():
                    path = expected_dir / (name + GOLDEN)
                    path.parent.mkdir(parents=True, exist_ok=True)
                    path.write_text(text)
            expected = tree(expected_dir, GOLDEN)
        self.assertEqual(sorted(actual), sorted(expected))
        for name in expected:
            if actual[name] != expected[name]:
                diff = "".join(difflib.unified_diff(
                    expected[name].splitlines(True), actual[name].splitlines(True),
                    f"expected/{name}", f"generated/{name}"))
                self.fail(f"{name} differs from the golden output:\n{diff}")

    def test_python_stubs_match_the_checked_in_output(self):
        expected = HERE / "golden" / ("model.pyi" + GOLDEN)
        with tempfile.TemporaryDirectory() as out:
            written = pathlib.Path(out) / "model.pyi"
            result = subprocess.run(
                [sys.executable, str(GENERATOR), "--pyi", str(written),
                 str(HERE / "golden" / "mini.schema")], capture_output=True, text=True)
            self.assertEqual(result.returncode, 0, result.stderr)
            actual = written.read_text()
        if os.environ.get("FHRP_UPDATE_GOLDEN"):
            expected.write_text(actual)
        compile(actual, "model.pyi", "exec")  # stubs are Python
        self.assertEqual(actual, expected.read_text())


class Diagnostics(unittest.TestCase):
    def test_each_bad_schema_is_refused_with_its_message(self):
        cases = sorted((HERE / "bad").glob("*.schema"))
        self.assertGreater(len(cases), 10)
        for path in cases:
            text = path.read_text()
            expected = re.match(r"# expect: (.*)", text)[1]
            with self.subTest(path.name):
                with self.assertRaises(schema.SchemaError) as caught:
                    schema.parse(text, "bad.schema")
                self.assertIn(expected, str(caught.exception))

    def test_the_command_reports_file_and_line_and_fails(self):
        with tempfile.TemporaryDirectory() as out:
            result = generate(HERE / "bad" / "id_gap.schema", out, "T")
            self.assertEqual(result.returncode, 1)
            self.assertIn("id_gap.schema:5: T.b has id 261", result.stderr)
            self.assertEqual(list(pathlib.Path(out).iterdir()), [])

    def test_asking_for_an_unknown_type_fails(self):
        with tempfile.TemporaryDirectory() as out:
            result = generate(HERE / "golden" / "mini.schema", out, "Gateway,Nope")
            self.assertEqual(result.returncode, 1)
            self.assertIn("Nope: no such type in the schema", result.stderr)


class ModelSchema(unittest.TestCase):
    def setUp(self):
        path = ROOT / "model" / "FhrpConfig.schema"
        self.model = schema.parse(path.read_text(), str(path))

    def test_declares_the_seventeen_types(self):
        self.assertEqual(len(self.model.types), 17)

    def test_constants_declared_first_take_the_lower_id(self):
        router = self.model.type("VrrpVirtualRouterConfig")
        ids = {m.name: m.id for m in router.members}
        self.assertEqual(ids["primaryAddrDefault"], 275)
        self.assertEqual(ids["primaryAddr"], 276)
        self.assertEqual(ids["vrrpTrackedObject"], 291)

    def test_keyed_children_know_they_live_in_a_collection(self):
        self.assertTrue(self.model.is_member_of_collection(self.model.type("TrackedObject")))
        self.assertFalse(self.model.is_member_of_collection(self.model.type("Config")))


if __name__ == "__main__":
    unittest.main()
