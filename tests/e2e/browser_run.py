"""Runs a program built for web pages (PROGRAM.js beside PROGRAM.wasm) in headless Chromium,
as CTest's emulator for the web build: serves its folder on 127.0.0.1 with a bare page
(a 640x480 canvas, the command line's arguments), prints what the program prints as it
goes, and exits with the program's status.

    /usr/bin/python3 browser_run.py PROGRAM.js [ARG...]
"""

import json
import os
import sys
import time

import harness

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<canvas id="screen" width="640" height="480"></canvas>
<script>
window.__out = [];
window.__status = null;
var Module = {
  canvas: document.getElementById("screen"),
  arguments: %s,
  print: function(line) { window.__out.push(line); },
  printErr: function(line) { window.__out.push(line); },
  onExit: function(status) { window.__status = status; },
  onAbort: function(what) { window.__out.push("aborted: " + what); window.__status = 134; }
};
window.addEventListener("error", function(e) {
  window.__out.push("page error: " + e.message);
  window.__status = 134;
});
</script>
<script src="%s"></script>
</body></html>
"""


def main(program, args, timeout=900):
    folder, name = os.path.split(os.path.abspath(program))
    server = harness.Server(folder, {"run.html": (PAGE % (json.dumps(args), name)).encode()})
    driver = harness.chromium()
    try:
        driver.get(server.url + "run.html")
        shown, end = 0, time.monotonic() + timeout
        while True:
            out, status = driver.execute_script(
                "return [window.__out.slice(arguments[0]), window.__status]", shown)
            for line in out:
                print(line, flush=True)
            shown += len(out)
            if status is not None:
                return status
            if time.monotonic() > end:
                print("browser_run: no end after %d s" % timeout, flush=True)
                return 124
            time.sleep(0.2)
    finally:
        driver.quit()
        server.stop()


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
