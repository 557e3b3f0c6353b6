"""The game's page in the other browser engines: Firefox ESR (through the WebDriver BiDi
socket Firefox serves itself) and WebKitGTK's MiniBrowser (through WebKitWebDriver), each
headed on an Xvfb of its own and heard at a PulseAudio server of its own."""

import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import warnings

from .processes import PulseServer, XServer, _stop, wait_until
from .web import PAGE_PROBE, PageGame, Server

SCREEN = (1280, 800)

# WebDriver's key values for the harness's key names. "\ue006" is the main Enter key: the
# other one, "\ue007", is the keypad's in Firefox.
WEBDRIVER_KEYS = {"Return": "\ue006", "Escape": "\ue00c", "space": " ", "Up": "\ue013",
                  "Down": "\ue015"}


# Run before the page's own scripts: takes the audio worklet away, as a browser does on a
# site served over plain HTTP.
NO_WORKLET = ("delete BaseAudioContext.prototype.audioWorklet; delete window.AudioWorkletNode;"
              " delete window.AudioWorklet;")


def page_with(folder, *scripts):
    """The folder's index.html with scripts run before its own."""
    with open(os.path.join(folder, "index.html"), "rb") as f:
        page = f.read()
    return page.replace(b"<head>", b"<head>" + b"".join(
        b"<script>" + script.encode() + b"</script>" for script in scripts), 1)


class WebDriverPage(PageGame):
    """PageGame in a headed browser driven through WebDriver's actions (whose keys and
    buttons stay down between calls, as the harness's presses need), the sound being what
    reaches the sound server's output. A subclass starts the browser (_launch), opens a
    page (_navigate), sends actions (_perform) and ends it (_quit)."""

    def __init__(self, folder, name, without_worklet=False, hear_page=False):
        super().__init__(folder, name=name)
        self.without_worklet = without_worklet
        self.hear_page = hear_page
        self.xserver = self.pulse = None
        self.opened = None

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-web-")
        try:
            self.server = Server(self.folder)
            scripts = [NO_WORKLET] * self.without_worklet + [PAGE_PROBE] * self.hear_page
            if scripts:
                self.server.pages["index.html"] = page_with(self.folder, *scripts)
            self.xserver = XServer(*SCREEN).start()
            self.pulse = PulseServer().start()
            self.env = dict(self.pulse.env, DISPLAY=self.xserver.display)
            self._launch()
            self.open()
        except BaseException:
            self.close()
            raise
        return self

    def open(self, page="index.html"):
        self.opened = time.monotonic()
        self._navigate(self.server.url + page)

    def wait_title(self, timeout=30):
        img = super().wait_title(timeout)
        sys.stderr.write("e2e: %s: the title screen drawn %.1f s after the page was opened\n"
                         % (self.name, time.monotonic() - self.opened))
        return img

    def play_again(self):
        """Clicks "Rejouer" and waits for the new page to have loaded."""
        self.js("window.__left = true")
        self.opened = time.monotonic()
        self.click_control("again")
        wait_until(lambda: self.js("return !window.__left && document.readyState == 'complete'"),
                   30, 0.1, "the page to load again")

    def close(self):
        try:
            self._quit()
        finally:
            for part in ("pulse", "xserver"):
                if getattr(self, part):
                    getattr(self, part).stop()
                setattr(self, part, None)
            super().close()

    def _keep_artifacts(self, base):
        """The canvas, and what the browser and its driver wrote."""
        self.screenshot().save_png(base + "-canvas.png")
        for name in ("browser.log", "driver.log"):
            if os.path.exists(os.path.join(self.dir, name)):
                shutil.copy(os.path.join(self.dir, name), base + "-" + name)

    def sound_path(self):
        """The kind of node the page's sound leaves through: AudioWorkletNode, or
        ScriptProcessorNode where the browser offers no worklet."""
        return self.js("var o = Module.allegro.audioOutput; return o && o.constructor.name")

    def in_fullscreen(self):
        return self.js("return !!document.fullscreenElement")

    # --- input ------------------------------------------------------------------------

    def _key(self, kind, name):
        self._perform([{"type": "key", "id": "keys", "actions": [
            {"type": kind, "value": WEBDRIVER_KEYS.get(name, name)}]}])

    def _pointer(self, *steps):
        self._perform([{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                        "actions": list(steps)}])

    def _mouse(self, kind, button=1):
        if kind == "mouseMoved":
            x, y = self._page_point(*self.pointer)
            self._pointer({"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"})
        else:
            self._pointer({"type": "pointerDown" if kind == "mousePressed" else "pointerUp",
                           "button": button - 1})

    def control_point(self, element_id):
        """The middle of one of the page's own controls, in the page."""
        return self.js("var r = document.getElementById(arguments[0]).getBoundingClientRect();"
                       "return [r.left + r.width / 2, r.top + r.height / 2];", element_id)

    def click_control(self, element_id):
        """Clicks one of the page's own controls (its buttons)."""
        x, y = self.control_point(element_id)
        self._pointer({"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"},
                      {"type": "pointerDown", "button": 0}, {"type": "pause", "duration": 100},
                      {"type": "pointerUp", "button": 0})

    def x_tap(self, key, hold=0.15):
        """Presses a key on the X display itself, as a player's keyboard does."""
        self.xdotool("keydown", key)
        time.sleep(hold)
        self.xdotool("keyup", key)

    # --- sound: at the server's output, or (hear_page) what the page posts to its worklet -

    def sound_rate(self):
        return super().sound_rate() if self.hear_page else PulseServer.RATE

    def sound_mark(self):
        return super().sound_mark() if self.hear_page else self.pulse.mark()

    def sound(self, start=0, end=None):
        return super().sound(start, end) if self.hear_page else self.pulse.sound(start, end)


class WebKitPage(WebDriverPage):
    """The page in WebKitGTK's MiniBrowser, through WebKitWebDriver and Selenium."""

    MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"

    def __init__(self, folder, name="webkit", without_worklet=False, hear_page=False):
        super().__init__(folder, name, without_worklet, hear_page)
        self.service = None

    def _launch(self):
        from selenium.webdriver.remote.webdriver import WebDriver
        from selenium.webdriver.webkitgtk.options import Options
        from selenium.webdriver.webkitgtk.service import Service
        o = Options()
        o.binary_location = self.MINIBROWSER
        o.add_argument("--automation")
        self.service = Service("/usr/bin/WebKitWebDriver", env=self.env,
                               log_path=os.path.join(self.dir, "driver.log"))
        self.service.start()
        with warnings.catch_warnings():  # Selenium's own capabilities for WebKitGTK
            warnings.simplefilter("ignore", DeprecationWarning)
            self.driver = WebDriver(command_executor=self.service.service_url, options=o)
        self.driver.set_window_rect(0, 0, *SCREEN)

    def _navigate(self, url):
        self.driver.get(url)

    def _perform(self, actions):
        from selenium.webdriver.remote.command import Command
        self.driver.execute(Command.W3C_ACTIONS, {"actions": actions})

    def _quit(self):
        try:
            if self.driver:
                self.driver.quit()
        finally:
            self.driver = None
            if self.service:
                self.service.stop()
            self.service = None


class FirefoxPage(WebDriverPage):
    """The page in Firefox ESR, through the WebDriver BiDi socket it serves itself. Its
    WebDriver clicks give the page no user activation, so the page's own buttons (the
    fullscreen one asks for it) are clicked with the X pointer."""

    PREFS = {"browser.shell.checkDefaultBrowser": False,
             "datareporting.policy.dataSubmissionEnabled": False,
             "toolkit.telemetry.reportingpolicy.firstRun": False,
             "browser.startup.homepage_override.mstone": "ignore",
             "app.update.enabled": False,
             "full-screen-api.warning.timeout": 0,
             "full-screen-api.transition-duration.enter": "0 0",
             "full-screen-api.transition-duration.leave": "0 0"}

    def __init__(self, folder, name="firefox", without_worklet=False, hear_page=False):
        super().__init__(folder, name, without_worklet, hear_page)
        self.proc = self.bidi = None

    def _launch(self):
        profile = os.path.join(self.dir, "profile")
        os.mkdir(profile)
        with open(os.path.join(profile, "user.js"), "w") as f:
            for k, v in self.PREFS.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(k), json.dumps(v)))
        log_path = os.path.join(self.dir, "browser.log")
        with open(log_path, "wb") as log:
            self.proc = subprocess.Popen(
                ["firefox-esr", "--remote-debugging-port", "0", "--profile", profile,
                 "--no-remote", "--new-instance", "-width", str(SCREEN[0]), "-height",
                 str(SCREEN[1]), "about:blank"], env=dict(self.env, MOZ_CRASHREPORTER_DISABLE="1"),
                stdout=log, stderr=subprocess.STDOUT, start_new_session=True)

        def port():
            with open(log_path, "rb") as f:
                m = re.search(rb"WebDriver BiDi listening on ws://127\.0\.0\.1:(\d+)", f.read())
            return m and int(m.group(1))
        self.bidi = Bidi(wait_until(port, 60, 0.1, "Firefox's WebDriver BiDi socket"))
        self.bidi.call("session.new", capabilities={})
        self.context = self.bidi.call("browsingContext.getTree")["contexts"][0]["context"]

    def _navigate(self, url):
        self.bidi.call("browsingContext.navigate", context=self.context, url=url,
                       wait="complete")

    def _perform(self, actions):
        self.bidi.call("input.performActions", context=self.context, actions=actions)

    def js(self, script, *args):
        r = self.bidi.call("script.callFunction", functionDeclaration="function() {%s}" % script,
                           awaitPromise=False, target={"context": self.context},
                           arguments=[{"type": "string" if isinstance(a, str) else "number",
                                       "value": a} for a in args])
        if r["type"] == "exception":
            raise RuntimeError("script failed: %s" % r["exceptionDetails"]["text"])
        return from_bidi(r["result"])

    def click_control(self, element_id):
        x, y = self.control_point(element_id)
        left, top = self.js("return [mozInnerScreenX, mozInnerScreenY]")
        self.xdotool("mousemove", int(left + x), int(top + y))
        self.xdotool("mousedown", 1)
        time.sleep(0.15)
        self.xdotool("mouseup", 1)

    def _quit(self):
        try:
            if self.bidi:
                self.bidi.sock.close()
        finally:
            self.bidi = None
            _stop(self.proc)
            self.proc = None


def from_bidi(remote):
    """A BiDi remote value as Python's: strings, numbers, booleans, arrays, null."""
    if remote["type"] == "array":
        return [from_bidi(v) for v in remote["value"]]
    return remote.get("value")


class Bidi:
    """A WebDriver BiDi connection (a websocket, through python3-wsproto): call() sends a
    command and returns its result, dropping the events that come between."""

    def __init__(self, port, host="127.0.0.1"):
        from wsproto import ConnectionType, WSConnection
        from wsproto.events import Request
        self.sock = socket.create_connection((host, port), timeout=60)
        self.ws = WSConnection(ConnectionType.CLIENT)
        self.sock.sendall(self.ws.send(Request(host="%s:%d" % (host, port), target="/session")))
        self.last = 0
        self.text = ""
        self._next()  # the handshake's answer

    def _next(self):
        """The next event on the socket: a whole message, decoded, or the handshake's."""
        from wsproto.events import CloseConnection, RejectConnection, TextMessage
        while True:
            for ev in self.ws.events():
                if isinstance(ev, (CloseConnection, RejectConnection)):
                    raise ConnectionError("Firefox closed WebDriver BiDi: %s" % ev)
                if not isinstance(ev, TextMessage):
                    return ev
                self.text += ev.data
                if ev.message_finished:
                    message, self.text = json.loads(self.text), ""
                    return message
            data = self.sock.recv(1 << 20)
            if not data:
                raise ConnectionError("Firefox closed WebDriver BiDi")
            self.ws.receive_data(data)

    def call(self, method, **params):
        from wsproto.events import TextMessage
        self.last += 1
        self.sock.sendall(self.ws.send(TextMessage(json.dumps(
            {"id": self.last, "method": method, "params": params}))))
        while True:
            m = self._next()
            if isinstance(m, dict) and m.get("id") == self.last:
                if m.get("type") == "error":
                    raise RuntimeError("%s: %s: %s" % (method, m["error"], m.get("message")))
                return m["result"]
