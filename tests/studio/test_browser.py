"""The studio's page in headless Chromium, driven as a user would, for the default scene and a
smog scene: every action goes through the page, and what it did is read back from the scene
the studio would save and from its preview."""
import os
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from studio_process import BRUMO, Studio  # noqa: E402

SCREENSHOT = os.environ.get("BRUMO_STUDIO_SCREENSHOT")


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1500,900"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


class StudioPage(unittest.TestCase):
    def setUp(self):
        self.profile = tempfile.mkdtemp(prefix="brumo-chromium-")
        self.browser = start_browser(self.profile)
        self.wait = WebDriverWait(self.browser, 120, poll_frequency=0.05)

    def tearDown(self):
        self.browser.quit()
        subprocess.run(["rm", "-rf", self.profile], check=False)

    # ---- helpers ----
    def control(self, control_id):
        return self.browser.find_element(By.CSS_SELECTOR, '[data-control="%s"]' % control_id)

    def settled(self):
        """Waits until the page has no request out; answers the studio's state."""
        self.wait.until(lambda b: b.execute_script("return !document.body.dataset.busy"))
        return self.studio.state()

    def parameters(self):
        return self.studio.scene()["effects"][0]["parameters"]

    def choose(self, control_id, text):
        select = Select(self.control(control_id))
        select.select_by_visible_text(text)
        return self.settled()

    def preview_of(self, revision):
        return self.studio.full_preview(revision)

    # ---- the scenario ----
    def run_scenario(self, example, mesh_items, screenshot=None):
        self.studio = Studio(example)
        try:
            self.browser.get(self.studio.url)
            self.wait.until(lambda b: b.find_elements(By.CSS_SELECTOR, '[data-control="DNZC"]'))
            first = self.preview_of(0)
            self.wait.until(lambda b: b.find_element(By.ID, "preview").get_attribute("data-pass") == "full")

            # A shape check box: the primitive's own event rewrites the block's shape flags.
            flags = self.parameters()["shapeFlags"]
            box = self.control("DNZC")
            self.assertEqual(box.is_selected(), bool(flags & (1 << 9)))
            box.click()
            state = self.settled()
            self.assertEqual(self.parameters()["shapeFlags"], flags ^ (1 << 9))
            toggled = self.preview_of(state["revision"])
            self.assertNotEqual(toggled, first)

            # A preset: "Top and bottom fade" sets the first two density boxes and nothing else.
            self.choose("DePr", "Top and bottom fade")
            self.assertEqual(self.parameters()["shapeFlags"], 3)
            self.assertTrue(self.control("DPHU").is_selected())
            self.assertFalse(self.control("DNZC").is_selected())

            # SEED draws a new noise seed.
            seed = self.parameters()["seedValue"]
            before = self.preview_of(self.studio.state()["revision"])
            self.control("SEED").click()
            state = self.settled()
            self.assertNotEqual(self.parameters()["seedValue"], seed)
            self.assertNotEqual(self.preview_of(state["revision"]), before)

            # The shader popup: the common part writes the name and the noise type.
            self.choose("ShPo", "Turbulence")
            self.assertEqual(self.parameters()["densityShaderName"], "Turbulence")
            self.assertEqual(self.parameters()["noiseType"], 2)
            self.assertEqual(self.control("ShaN").get_attribute("value"), "Turbulence")

            # The mesh popup, filled from the scene's mesh objects, and its chooser.
            for text, off in mesh_items:
                self.choose("MesP", text)
                self.assertEqual(self.parameters()["meshName"], text)
                self.assertEqual(self.parameters()["meshOff"], off)
            items = [o.text for o in Select(self.control("MesP")).options]
            self.assertIn("None", items)  # refilled after the chooser emptied it

            # A slider.
            density = self.parameters()["densityAmount"]
            slider = self.browser.find_element(By.CSS_SELECTOR, '[data-slider="densityAmount"]')
            ActionChains(self.browser).click_and_hold(slider).move_by_offset(60, 0).release().perform()
            self.settled()
            self.assertNotEqual(self.parameters()["densityAmount"], density)

            # Attaching and removing a modifier through the host's component list: the effect's
            # own list of attached components follows.
            Select(self.browser.find_element(By.ID, "modifier-type")).select_by_visible_text("TwistModifier")
            self.browser.find_element(By.ID, "add-modifier").click()
            state = self.settled()
            self.assertEqual(state["effects"][0]["modifiers"], ["TwistModifier"])
            self.assertEqual(state["effects"][0]["attached"], 1)
            self.assertEqual(self.studio.scene()["effects"][0]["modifiers"][0]["type"], "twist")
            self.browser.find_element(By.CSS_SELECTOR, ".remove-modifier").click()
            state = self.settled()
            self.assertEqual(state["effects"][0]["modifiers"], [])
            self.assertEqual(state["effects"][0]["attached"], 0)

            # Undo brings the modifier back, redo takes it away again.
            self.browser.find_element(By.ID, "undo").click()
            state = self.settled()
            self.assertEqual(state["effects"][0]["modifiers"], ["TwistModifier"])
            self.assertEqual(state["effects"][0]["attached"], 1)
            self.browser.find_element(By.ID, "redo").click()
            state = self.settled()
            self.assertEqual(state["effects"][0]["modifiers"], [])
            self.assertTrue(state["canUndo"])

            # Save, and the saved file renders to the bytes of the last full preview.
            name = self.browser.find_element(By.ID, "save-name")
            name.clear()
            name.send_keys("saved.json")
            self.browser.find_element(By.ID, "save").click()
            self.wait.until(lambda b: b.execute_script("return document.body.dataset.saved !== undefined"))
            saved = os.path.join(self.studio.folder, "saved.json")
            preview = self.preview_of(state["revision"])
            rendered = os.path.join(self.studio.folder, "rendered.png")
            subprocess.run([BRUMO, "render", saved, "-o", rendered, "-q"], check=True)
            with open(rendered, "rb") as image:
                self.assertEqual(image.read(), preview)

            self.wait.until(lambda b: b.find_element(By.ID, "preview").get_attribute("data-revision")
                            == str(state["revision"]))
            if screenshot:
                self.browser.execute_script("document.getElementById('panel').scrollTop = 0")
                self.browser.save_screenshot(screenshot)
        finally:
            self.assertEqual(self.studio.stop(), 0)

    def test_the_default_scene(self):
        # The default scene has no mesh objects: the popup holds the separator and "None".
        self.run_scenario(None, [("None", 1)], SCREENSHOT)

    def test_a_smog_scene_shaped_by_a_mesh(self):
        self.run_scenario("torus_smog.json", [("None", 1), ("ring", 0)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
