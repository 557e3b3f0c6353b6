"""End-to-end harness for Tabrivet: runs the real game binary under its own Xvfb server,
drives it with real X input through xdotool, and reads back what it shows and plays; and
plays the game's web page in a browser the same way.

Runs in Debian's /usr/bin/python3, whose python3-pil reads and writes the picture files
and python3-selenium drives the browser. Outside tools: Xvfb, xdotool, xwd (x11-apps),
xwininfo and, for making data files, the library's `dat` tool.

What a test gets:
  harness.main()                              in a case file: reads --bin --data --patches
                                              --assets --font-dump --artifacts, runs unittest
  with harness.Game() as game:                temp working dir with the data file (or none, or
                                              another), own Xvfb, stub xmessage, ALSA capture
      game.wait_title(); game.choose("3", "Oui"); game.start_match(players=2, music=True)
      game.press_until("space", fn)           holds a key until fn(screenshot) is true
      game.tap("space"); game.hold("a", 2.0); game.key_down("z"); game.key_up("z")
      game.click_until(320, 393, fn); game.click(x, y); game.mouse_move(x, y); game.quit()
      img = game.screenshot()                 xwd -root parsed into an Image (RGB)
      img = game.capture()                    presses Print Screen, decodes capture.pcx
      game.wait_screen(fn) / game.wait_text(x, y, text) / game.score_line()
      harness.font().read(img, x, y, n)       text in the library's 8x8 font read back
      harness.find_ball(img); harness.find_paddle(img, "left"); harness.pause_box_shown(img)
      game.wait_exit(10) -> exit code; game.message() -> bytes shown through xmessage;
      game.stderr(); game.window_shown()      True once the game has set its mode
      mark = game.sound_mark(); game.wait_sound(mark, 2.0); game.sound(mark, end)
      harness.sound_stats(samples) -> (frames, peak, rms); harness.rms_windows(...)
  harness.Game(signals={signal.SIGINT: signal.SIG_IGN})   dispositions the game starts with
  harness.make_datafile(path, files)          a data file built with `dat` from asset files
  harness.root_screenshot(env); harness.xdotool(env, ...)   the same on any X display
  harness.window_geometry(env, "Tabrivet")   where a window is on any X display
  with harness.PageGame(folder) as page:      the same calls on the web page, served on
                                              127.0.0.1 and played in Chromium
  with harness.FirefoxPage(folder) as page:   the same in Firefox ESR, or WebKitPage in
                                              WebKitGTK, headed, heard at a PulseAudio server
                                              (hear_page=True: as the page posts its sound;
                                              without_worklet=True: as on a plain-HTTP site);
      page.sound_path(); page.click_control("fullscreen"); page.x_tap("Escape")
  harness.PageGame(folder).play_again()       the page's "Rejouer" button
Everything the harness starts is stopped when the `with` block ends, whatever happened.

Its parts: options (the paths a case is given, main), pictures (Image, picture files),
text (the font read back), sprites (the game's bitmaps on the screen), processes (Xvfb,
xdotool, PulseAudio, waiting, stopping), sound (the capture's measures), game (Game, data
files), web (the served page, Chromium, PageGame), engines (the page in Firefox and WebKit).
"""

import sys
import types

from . import options
from .game import ASSET_ORDER, XMESSAGE_STUB, Game, make_datafile
from .options import Config, config, main, parse_args
from .pictures import Image, parse_pcx, parse_xwd, read_bmp, write_bmp
from .engines import FirefoxPage, WebKitPage, page_with
from .processes import (AUTOREPEAT_DELAY_MS, PulseServer, XServer, _stop, cpu_seconds,
                        root_screenshot, wait_until, window_geometry, xdotool)
from .sound import (SOUND_CHANNELS, SOUND_RATE, first_above, identify_sound, match_sound,
                    mono, onsets, read_wav, resample, rms_windows, sound_stats)
from .sprites import (PAUSE_AT, TITLE_LABEL_COLOUR, TITLE_ROWS, TITLE_VALUE_X, Sprite,
                      check_title_parts, find_ball, find_paddle, pause_box_shown, sprite,
                      title_parts)
from .text import Font, font
from .web import BROWSER_KEYS, PAGE_PROBE, PageGame, Server, browser_key, chromium

__all__ = ["ASSET_ORDER", "XMESSAGE_STUB", "Game", "make_datafile", "Config", "config",
           "main", "parse_args", "Image", "parse_pcx", "parse_xwd", "read_bmp", "write_bmp",
           "AUTOREPEAT_DELAY_MS", "XServer", "_stop", "cpu_seconds", "root_screenshot",
           "wait_until", "window_geometry", "xdotool", "SOUND_CHANNELS", "SOUND_RATE",
           "first_above", "identify_sound", "match_sound", "mono", "onsets", "read_wav",
           "resample", "rms_windows", "sound_stats", "PAUSE_AT", "TITLE_LABEL_COLOUR",
           "TITLE_ROWS", "TITLE_VALUE_X", "Sprite", "check_title_parts", "find_ball",
           "find_paddle", "pause_box_shown", "sprite", "title_parts", "Font", "font",
           "BROWSER_KEYS", "PAGE_PROBE", "PageGame", "Server", "browser_key", "chromium",
           "FirefoxPage", "PulseServer", "WebKitPage", "page_with"]


class _Harness(types.ModuleType):
    """The package, whose _config is the one config() returns: a script that sets
    harness._config = harness.Config(...) sets it for every part."""
    _config = property(lambda self: options._config,
                       lambda self, cfg: setattr(options, "_config", cfg))


sys.modules[__name__].__class__ = _Harness
