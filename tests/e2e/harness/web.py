"""The game's web page: its folder served on 127.0.0.1, a browser that opens it (Debian's
Chromium through Selenium and chromedriver: python3-selenium, so /usr/bin/python3), and
PageGame, the Game interface over the page's canvas, input events and Web Audio output."""

import base64
import functools
import http.server
import shutil
import tempfile
import threading
import time

from .game import Game
from .pictures import Image
from .sound import samples16


class Server:
    """Serves a folder on http://127.0.0.1:PORT/ from a thread. Names in `withheld` answer
    404; `pages` maps further names to bytes served as HTML."""

    def __init__(self, folder, pages=None):
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            def do_GET(self):
                name = self.path.split("?")[0].lstrip("/")
                if name in server.withheld:
                    self.send_error(404)
                elif name in server.pages:
                    body = server.pages[name]
                    self.send_response(200)
                    self.send_header("Content-Type", "text/html; charset=utf-8")
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                else:
                    super().do_GET()

            def log_message(self, *args):
                pass
        self.withheld = set()
        self.pages = dict(pages or {})
        self.httpd = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


# Run in every page before its own scripts: keeps each chunk of sound the page posts to
# an audio worklet (the library's mixer output, as it reaches Web Audio).
PAGE_PROBE = r"""
window.__pcm = [];
var post = MessagePort.prototype.postMessage;
MessagePort.prototype.postMessage = function(data) {
  if (Array.isArray(data) && data.length == 2 && data[0] instanceof Float32Array)
    window.__pcm.push(Float32Array.from(data[0], function(v, i) { return (v + data[1][i]) / 2; }));
  return post.apply(this, arguments);
};
window.__pcmSince = function(from) {
  var all = [], n = 0;
  window.__pcm.forEach(function(c) { all.push(c); n += c.length; });
  var out = new Int16Array(Math.max(0, n - from)), at = 0, i = 0;
  all.forEach(function(c) {
    for (var j = 0; j < c.length; j++, i++)
      if (i >= from) out[at++] = Math.max(-32768, Math.min(32767, Math.round(c[j] * 32768)));
  });
  var s = "", bytes = new Uint8Array(out.buffer);
  for (var k = 0; k < bytes.length; k += 8192)
    s += String.fromCharCode.apply(null, bytes.subarray(k, k + 8192));
  return btoa(s);
};
"""

# xdotool key names -> (KeyboardEvent.code, key, Windows virtual key code)
BROWSER_KEYS = {"Return": ("Enter", "Enter", 13), "Escape": ("Escape", "Escape", 27),
                "space": ("Space", " ", 32), "Print": ("PrintScreen", "PrintScreen", 44),
                "Up": ("ArrowUp", "ArrowUp", 38), "Down": ("ArrowDown", "ArrowDown", 40)}


def browser_key(name):
    if name in BROWSER_KEYS:
        return BROWSER_KEYS[name]
    if name.isdigit():
        return ("Digit" + name, name, ord(name))
    return ("Key" + name.upper(), name, ord(name.upper()))


def chromium(headless=True, env=None, size=(800, 700)):
    """Debian's Chromium through chromedriver, with a profile of its own and none of its
    network chatter; headless unless told, else on env's DISPLAY."""
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    o = Options()
    o.binary_location = "/usr/bin/chromium"
    for a in ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
              "--disable-component-update", "--disable-sync", "--no-first-run",
              "--disable-quic", "--window-size=%d,%d" % size]:
        o.add_argument(a)
    if headless:
        o.add_argument("--headless=new")
    o.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=env), options=o)


class PageGame(Game):
    """The game's page, served from folder and played in Chromium: the screen is the
    canvas's pixels, keys and the mouse are the browser's own input events (sent through
    the DevTools protocol), the sound is what the page posts to Web Audio."""

    def __init__(self, folder, name="web", headless=True, env=None):
        super().__init__(name=name, display=None)
        self.folder = folder
        self.headless = headless
        self.browser_env = env
        self.server = None
        self.driver = None

    def start(self):
        self.dir = tempfile.mkdtemp(prefix="tabrivet-web-")
        try:
            self.server = Server(self.folder)
            self.driver = self.open_browser()
            self.open()
        except BaseException:
            self.close()
            raise
        return self

    def open_browser(self):
        """The browser the page is played in, set to run PAGE_PROBE before the page's own
        scripts (through the DevTools protocol, as the keys and the mouse below)."""
        driver = chromium(self.headless, self.browser_env)
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PAGE_PROBE})
        return driver

    def open(self, page="index.html"):
        self.driver.get(self.server.url + page)

    def close(self):
        try:
            if self.driver:
                self.driver.quit()
        finally:
            self.driver = None
            if self.server:
                self.server.stop()
            self.server = None
            if self.dir:
                shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None

    def _keep_artifacts(self, base):
        """The page as the browser shows it, and the browser's console."""
        self.driver.save_screenshot(base + "-page.png")
        with open(base + "-console.txt", "w") as f:
            for entry in self.driver.get_log("browser"):
                f.write("%s\n" % entry)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def play_again(self):
        """Once the game has ended, the page's "Rejouer" button, which loads it anew."""
        self.js("document.getElementById('again').click()")

    def running(self):
        """True until the page offers to play again: the game has ended."""
        return self.js("return document.getElementById('again').hidden")

    def page_text(self):
        """The text the page shows over the game (loading, a message, the end), or None."""
        return self.js("var p = document.getElementById('panel');"
                       "return p.style.display == 'flex' ? "
                       "document.getElementById('text').textContent : null")

    # --- input ------------------------------------------------------------------------

    def _key(self, kind, name):
        code, key, vk = browser_key(name)
        event = {"type": kind, "code": code, "key": key, "windowsVirtualKeyCode": vk}
        if kind == "keyDown" and len(key) == 1:
            event["text"] = key
        elif kind == "keyDown":
            event["type"] = "rawKeyDown"
        self.driver.execute_cdp_cmd("Input.dispatchKeyEvent", event)

    def key_down(self, key):
        self._key("keyDown", key)

    def key_up(self, key):
        self._key("keyUp", key)

    def _page_point(self, x, y):
        """Where the picture's pixel (x, y) is in the page, at the canvas's shown size."""
        r = self.js("var r = document.getElementById('screen').getBoundingClientRect();"
                    "return [r.left, r.top, r.width, r.height];")
        return (r[0] + (x + 0.5) * r[2] / 640, r[1] + (y + 0.5) * r[3] / 480)

    def _mouse(self, kind, button=1):
        px, py = self._page_point(*self.pointer)
        self.driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
            "type": kind, "x": px, "y": py, "button": "left" if button == 1 else "right",
            "buttons": (1 if kind == "mousePressed" else 0), "clickCount": 1})

    pointer = (320, 240)

    def mouse_move(self, x, y):
        self.pointer = (x, y)
        self._mouse("mouseMoved")

    def mouse_down(self, button=1):
        self._mouse("mousePressed", button)

    def mouse_up(self, button=1):
        self._mouse("mouseReleased", button)

    # Where point_at starts its last move from. A mouse confined to a smaller range than
    # the screen follows the pointer's motion, so from elsewhere than (0, 0) it still
    # ends at (x, y) of its range, where the pointer's own place would be off.
    origin = (0, 0)

    def point_at(self, x, y):
        """As Game.point_at: far corner, origin, then (x, y) further on, which pins a
        confined mouse at its range's corner first and leaves it at (x, y) of its range."""
        ox, oy = self.origin
        for px, py in ((639, 479), (ox, oy), (ox + x, oy + y)):
            self.mouse_move(px, py)
            time.sleep(0.05)

    # --- output -----------------------------------------------------------------------

    def screenshot(self):
        """The canvas's pixels, as the page shows the game's 640x480 screen."""
        data = self.js(
            "var c = document.getElementById('screen');"
            "var d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            "var s = '';"
            "for (var i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i+1], d[i+2]);"
            "return [c.width, c.height, btoa(s)];")
        return Image(data[0], data[1], base64.b64decode(data[2]))

    def _check_running(self, what):
        if not self.running():
            raise AssertionError("the game ended while waiting for %s" % what)

    def sound_rate(self):
        return self.js("return Module.allegro.audioContext.sampleRate")

    def sound_mark(self):
        """How many frames of sound the page has posted to Web Audio so far."""
        return self.js("return window.__pcm.reduce(function(n, c) { return n + c.length; }, 0)")

    def sound(self, start=0, end=None):
        """Mono frames start..end of what reached Web Audio, as signed 16-bit values."""
        a = samples16(base64.b64decode(self.js("return window.__pcmSince(arguments[0])", start)))
        return a if end is None else a[:end - start]
