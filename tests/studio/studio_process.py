"""Starts `brumo studio` in a folder of its own for a test and stops it with Ctrl-C."""
import http.client
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

BRUMO = os.path.abspath(os.environ.get("BRUMO_CLI", "build/bin/brumo"))
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")


class Studio:
    """A running studio: `port`, `folder` (the scene's folder) and small HTTP helpers."""

    def __init__(self, example=None, text=None):
        """`example` names a file of examples/; `text` is a scene file of the test's own."""
        self.folder = tempfile.mkdtemp(prefix="brumo-studio-")
        arguments = [BRUMO, "studio", "--port", "0"]
        if text is not None:
            example = "scene.json"
            with open(os.path.join(self.folder, example), "w") as scene:
                scene.write(text)
            arguments.append(os.path.join(self.folder, example))
            example = None
        if example:
            shutil.copy(os.path.join(EXAMPLES, example), self.folder)
            if os.path.isdir(os.path.join(EXAMPLES, "meshes")):
                shutil.copytree(os.path.join(EXAMPLES, "meshes"), os.path.join(self.folder, "meshes"))
            arguments.append(os.path.join(self.folder, example))
        self.process = subprocess.Popen(arguments, cwd=self.folder, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        found = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        if not found:
            self.process.kill()
            raise RuntimeError("the studio did not start: %r %s" % (line, self.process.stderr.read()))
        self.port = int(found.group(1))
        self.url = "http://127.0.0.1:%d/" % self.port

    def request(self, method, path, body=None, headers=None):
        """(status, headers, bytes) of one request; `body` is sent as given (bytes or str)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        sent = {"Host": "127.0.0.1:%d" % self.port}
        if body is not None:
            sent["Content-Type"] = "application/json"
        sent.update(headers or {})
        connection.request(method, path, body=body, headers=sent)
        response = connection.getresponse()
        data = response.read()
        connection.close()
        return response.status, dict(response.getheaders()), data

    def json(self, method, path, body=None, headers=None):
        status, _, data = self.request(method, path, None if body is None else json.dumps(body), headers)
        return status, json.loads(data)

    def state(self):
        return self.json("GET", "/api/state")[1]

    def scene(self):
        return self.json("GET", "/api/scene")[1]

    def full_preview(self, revision, timeout=120):
        """The full preview's PNG once it shows `revision`."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            status = self.json("GET", "/api/preview")[1]
            if status["full"]["revision"] >= revision:
                code, headers, data = self.request("GET", "/api/preview/full.png")
                if code == 200 and int(headers["X-Brumo-Revision"]) == revision:
                    return data
            time.sleep(0.05)
        raise AssertionError("no full preview of revision %d within %d s" % (revision, timeout))

    def stop(self):
        """Ctrl-C; answers the exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
            try:
                self.process.wait(timeout=60)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()
        shutil.rmtree(self.folder, ignore_errors=True)
        return self.process.returncode
