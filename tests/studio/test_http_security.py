"""The studio's HTTP rules: its own address only, changes only from its own page as JSON,
files only in the scene's folder, bounded bodies, 4xx answers that never stop the server."""
import os
import socket
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from studio_process import BRUMO, Studio  # noqa: E402


class StudioHttpRules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.studio = Studio()

    @classmethod
    def tearDownClass(cls):
        cls.studio.stop()

    def assertStillServes(self):
        status, state = self.studio.json("GET", "/api/state")
        self.assertEqual(status, 200)
        return state

    def error_of(self, status_and_data):
        status, _, data = status_and_data
        return status, data.decode()

    def test_a_host_other_than_its_own_address_is_refused(self):
        for host in ("evil.example:%d" % self.studio.port, "127.0.0.1", "127.0.0.1:1", "localhost.evil.example"):
            status, text = self.error_of(self.studio.request("GET", "/api/state", headers={"Host": host}))
            self.assertEqual(status, 403, host)
            self.assertIn("own address", text)
        status, _, _ = self.studio.request("GET", "/", headers={"Host": "localhost:%d" % self.studio.port})
        self.assertEqual(status, 200)

    def test_changes_come_only_from_its_own_page_and_as_json(self):
        before = self.assertStillServes()["revision"]
        toggle = '{"action": "toggle", "id": "DPHU", "value": false}'
        for origin in ("http://evil.example", "http://127.0.0.1:%d.evil.example" % self.studio.port, "null"):
            status, _, _ = self.studio.request("POST", "/api/action", toggle, {"Origin": origin})
            self.assertEqual(status, 403, origin)
        status, _, _ = self.studio.request("POST", "/api/action", toggle, {"Sec-Fetch-Site": "cross-site"})
        self.assertEqual(status, 403)
        # What a plain HTML form can send.
        status, _, _ = self.studio.request("POST", "/api/action", "action=undo",
                                           {"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 415)
        self.assertEqual(self.assertStillServes()["revision"], before)
        # The page's own origin may.
        status, _, _ = self.studio.request("POST", "/api/action", toggle,
                                           {"Origin": "http://127.0.0.1:%d" % self.studio.port})
        self.assertEqual(status, 200)
        self.assertEqual(self.assertStillServes()["revision"], before + 1)

    def test_files_are_saved_only_in_the_scenes_folder(self):
        outside = os.path.dirname(self.studio.folder)
        for name in ("../escaped.json", "/tmp/escaped.json", "sub/escaped.json", "..\\escaped.json",
                     ".hidden.json", "scene.txt", ""):
            status, answer = self.studio.json("POST", "/api/save", {"file": name})
            self.assertEqual(status, 403, name)
            self.assertIn("own folder", answer["error"])
        self.assertFalse(os.path.exists(os.path.join(outside, "escaped.json")))
        self.assertFalse(os.path.exists("/tmp/escaped.json"))
        status, answer = self.studio.json("POST", "/api/save", {"file": "kept.json"})
        self.assertEqual(status, 200, answer)
        self.assertTrue(os.path.isfile(os.path.join(self.studio.folder, "kept.json")))
        # Nothing but the page's own files is served.
        for path in ("/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/api/../kept.json", "/kept.json"):
            status, _, data = self.studio.request("GET", path)
            self.assertIn(status, (400, 404), path)
            self.assertNotIn(b"root:", data)

    def test_an_oversized_body_is_refused(self):
        body = '{"action": "undo", "padding": "%s"}' % ("x" * (300 * 1024))
        status, _, _ = self.studio.request("POST", "/api/action", body)
        self.assertEqual(status, 413)
        self.assertStillServes()

    def test_bad_requests_get_a_message_and_the_server_goes_on(self):
        cases = [
            ("{not json", "not valid JSON"),
            ("[1, 2]", "JSON object"),
            ('{"action": "fly"}', "fly"),
            ('{"action": "toggle", "id": "DPHU", "value": 3}', "true or false"),
            ('{"action": "toggle", "id": "NOPE", "value": true}', "no control"),
            ('{"action": "choose", "id": "DePr", "index": 99}', "no item 99"),
            ('{"action": "setField", "name": "densityAmount", "value": "thick"}', "expected a number"),
            ('{"action": "setField", "name": "noSuchField", "value": 1}', "not a parameter"),
            ('{"action": "addModifier", "type": "wobble"}', "unknown modifier"),
            ('{"action": "select", "effect": 7}', "no effect 7"),
        ]
        before = self.assertStillServes()["revision"]
        for body, message in cases:
            status, _, data = self.studio.request("POST", "/api/action", body)
            self.assertEqual(status, 400, body)
            self.assertIn(message, data.decode(), body)
        self.assertEqual(self.assertStillServes()["revision"], before)

    def test_it_listens_on_the_loopback_address_only(self):
        # An address of this machine that is not the loopback one, when it has any.
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            probe.connect(("192.0.2.1", 9))
            address = probe.getsockname()[0]
        except OSError:
            address = None
        finally:
            probe.close()
        if not address or address.startswith("127."):
            self.skipTest("this machine has no address but the loopback one")
        with self.assertRaises(OSError):
            socket.create_connection((address, self.studio.port), timeout=2).close()


class StudioScenes(unittest.TestCase):
    def test_the_warnings_of_the_scene_opened_are_shown(self):
        studio = Studio(text='{"effects": [{"type": "fire", "parameters": {"size": -4}}]}')
        try:
            warnings = studio.state()["warnings"]
            self.assertEqual(len(warnings), 1, warnings)
            self.assertIn("effects[0].parameters.size", warnings[0])
        finally:
            studio.stop()

    def test_an_animated_scene_is_never_saved_over_by_its_first_frame(self):
        text = '{"frames": [1, 5], "effects": [{"type": "fire", "parameters": {"densityAmount": {"from": 1, "to": 3}}}]}'
        studio = Studio(text=text)
        try:
            self.assertTrue(any("animated" in warning for warning in studio.state()["warnings"]))
            status, answer = studio.json("POST", "/api/save", {"file": "scene.json"})
            self.assertEqual(status, 409, answer)
            with open(os.path.join(studio.folder, "scene.json")) as kept:
                self.assertEqual(kept.read(), text)
            self.assertEqual(studio.json("POST", "/api/save", {"file": "first_frame.json"})[0], 200)
        finally:
            studio.stop()

    def test_a_saved_scene_renders_to_the_previews_bytes_through_its_own_view(self):
        studio = Studio(text='{"image": {"width": 48, "height": 36, "view": "standard", "exposure": 1.5},'
                             ' "effects": [{"type": "fire"}]}')
        try:
            preview = studio.full_preview(0)
            self.assertEqual(studio.json("POST", "/api/save", {"file": "saved.json"})[0], 200)
            rendered = os.path.join(studio.folder, "rendered.png")
            subprocess.run([BRUMO, "render", os.path.join(studio.folder, "saved.json"), "-o", rendered, "-q"],
                           check=True)
            with open(rendered, "rb") as image:
                self.assertEqual(image.read(), preview)
        finally:
            studio.stop()


class StudioStops(unittest.TestCase):
    def test_ctrl_c_stops_it_cleanly(self):
        studio = Studio()
        studio.json("POST", "/api/action", {"action": "press", "id": "SEED"})
        self.assertEqual(studio.stop(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
