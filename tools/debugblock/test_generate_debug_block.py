"""Checks of the debug block generator that need no built module."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import generate_debug_block as g  # noqa: E402


class RecordForms(unittest.TestCase):
    def test_each_step_takes_the_shortest_form_that_holds_it(self):
        rows = [
            ((4, 32, False), 1), ((1, 1, True), 1), ((8, 8, True), 1),
            ((5, 1, False), 2), ((32, 128, True), 2), ((1, 9, True), 2),
            ((0, 0, True), 4), ((-3, 5, False), 4), ((40, 4095, False), 4),
            ((-1, 4095, False), 8), ((1, 4096, False), 8), ((-32768, 65536, True), 8),
        ]
        for (line, address, procedure), size in rows:
            with self.subTest(line=line, address=address, procedure=procedure):
                self.assertEqual(len(g.line_record(line, address, procedure)), size)

    def test_a_procedure_start_without_advance_is_all_one_bits(self):
        self.assertEqual(g.line_record(0, 0, True), b"\xff\xff\xff\xff")

    def test_steps_beyond_one_record_are_split(self):
        records = g.steps(70000, 200000, True)
        self.assertEqual(len(records), 3 * 8 + 4 + 4 + 4)  # 3 address steps, 2 line steps, the step


class Cipher(unittest.TestCase):
    def test_block_matches_the_engines_reference_vector(self):
        key = g.cipher_key("ZuderaDod")
        self.assertEqual(g.encrypt_block(b"01234567", key).hex(), "0117830f9e057683")

    def test_buffers_of_every_tail_length_keep_their_length(self):
        key = g.cipher_key("x")
        for length in range(0, 20):
            self.assertEqual(len(g.encrypt_buffer(bytes(length), key)), length)


class DemangledNames(unittest.TestCase):
    def test_class_and_routine(self):
        rows = [
            ("TFoo::Bar(int) const", ("TFoo", "Bar")),
            ("FreeRoutine(char const*)", ("", "FreeRoutine")),
            ("Base64Decode[abi:cxx11](std::basic_string_view<char>)", ("", "Base64Decode")),
            ("void std::sort<int*>(int*, int*)", ("std", "sort<int*>")),
            ("(anonymous namespace)::Helper(int)", ("", "Helper")),
            ("TFoo::operator()(int) const", ("TFoo", "operator()")),
            ("TFoo::operator<(TFoo const&) const", ("TFoo", "operator<")),
            ("Run(int) [clone .constprop.0]", ("", "Run")),
            ("TLineWalk::Run(int)::{lambda(int)#1}::operator()(int) const", ("TLineWalk", "Run")),
            ("SetParameters@12", ("", "SetParameters")),
            ("@FastRoutine@8", ("", "FastRoutine")),
            ("main", ("", "main")),
        ]
        for demangled, expected in rows:
            with self.subTest(demangled):
                self.assertEqual(g.class_and_routine(demangled), expected)


class OptionsPassword(unittest.TestCase):
    def test_reads_the_debug_sections_quoted_password(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "module.eldata")
            with open(path, "w") as options:
                options.write('[Options]\nDebugPassword = "not this"\n\n[Debug]\n'
                              '# comment\nDebugPassword = "se\\"cr\\\\et\\x41"  # trailing\n')
            self.assertEqual(g.options_password(path), 'se"cr\\etA')


if __name__ == "__main__":
    unittest.main()
