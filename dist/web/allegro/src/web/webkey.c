/*         ______   ___    ___
 *        /\  _  \ /\_ \  /\_ \
 *        \ \ \L\ \\//\ \ \//\ \      __     __   _ __   ___
 *         \ \  __ \ \ \ \  \ \ \   /'__`\ /'_ `\/\`'__\/ __`\
 *          \ \ \/\ \ \_\ \_ \_\ \_/\  __//\ \L\ \ \ \//\ \L\ \
 *           \ \_\ \_\/\____\/\____\ \____\ \____ \ \_\\ \____/
 *            \/_/\/_/\/____/\/____/\/____/\/___L\ \/_/ \/___/
 *                                           /\____/
 *                                           \_/__/
 *
 *      Web keyboard driver: the page's key events by physical key
 *      (KeyboardEvent.code), so that every key sits where it does on a US
 *      keyboard whatever the layout, and the page's on-screen controls,
 *      which press the same keys. The browser's own key repeat is passed
 *      on; a held control repeats as the library repeats a held key. Esc
 *      reaches the program even where the browser takes it to leave
 *      fullscreen or to release the pointer.
 *
 *      See readme.txt for copyright information.
 */


#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the makefile
#endif


/* How a held on-screen control repeats, in milliseconds: as the library
 * repeats a held key itself by default (set_keyboard_rate(250, 33)),
 * about 30 times a second after a quarter of a second.
 */
#define CONTROL_REPEAT_DELAY  250
#define CONTROL_REPEAT_RATE   33


static int web_key_init(void);
static void web_key_exit(void);


KEYBOARD_DRIVER keyboard_web =
{
   KEYBOARD_WEB,
   empty_string,
   empty_string,
   "Web keyboard",
   FALSE,   /* autorepeat: the browser repeats held keys itself */
   web_key_init,
   web_key_exit,
   NULL,    /* poll */
   NULL,    /* set_leds */
   NULL,    /* set_rate */
   NULL,    /* wait_for_input */
   NULL,    /* stop_waiting_for_input */
   NULL,    /* scancode_to_ascii */
   NULL     /* scancode_to_name */
};


static const struct {
   const char *code;
   int scancode;
} key_codes[] = {
   { "KeyA", KEY_A }, { "KeyB", KEY_B }, { "KeyC", KEY_C }, { "KeyD", KEY_D },
   { "KeyE", KEY_E }, { "KeyF", KEY_F }, { "KeyG", KEY_G }, { "KeyH", KEY_H },
   { "KeyI", KEY_I }, { "KeyJ", KEY_J }, { "KeyK", KEY_K }, { "KeyL", KEY_L },
   { "KeyM", KEY_M }, { "KeyN", KEY_N }, { "KeyO", KEY_O }, { "KeyP", KEY_P },
   { "KeyQ", KEY_Q }, { "KeyR", KEY_R }, { "KeyS", KEY_S }, { "KeyT", KEY_T },
   { "KeyU", KEY_U }, { "KeyV", KEY_V }, { "KeyW", KEY_W }, { "KeyX", KEY_X },
   { "KeyY", KEY_Y }, { "KeyZ", KEY_Z },
   { "Digit0", KEY_0 }, { "Digit1", KEY_1 }, { "Digit2", KEY_2 }, { "Digit3", KEY_3 },
   { "Digit4", KEY_4 }, { "Digit5", KEY_5 }, { "Digit6", KEY_6 }, { "Digit7", KEY_7 },
   { "Digit8", KEY_8 }, { "Digit9", KEY_9 },
   { "Numpad0", KEY_0_PAD }, { "Numpad1", KEY_1_PAD }, { "Numpad2", KEY_2_PAD },
   { "Numpad3", KEY_3_PAD }, { "Numpad4", KEY_4_PAD }, { "Numpad5", KEY_5_PAD },
   { "Numpad6", KEY_6_PAD }, { "Numpad7", KEY_7_PAD }, { "Numpad8", KEY_8_PAD },
   { "Numpad9", KEY_9_PAD },
   { "F1", KEY_F1 }, { "F2", KEY_F2 }, { "F3", KEY_F3 }, { "F4", KEY_F4 },
   { "F5", KEY_F5 }, { "F6", KEY_F6 }, { "F7", KEY_F7 }, { "F8", KEY_F8 },
   { "F9", KEY_F9 }, { "F10", KEY_F10 }, { "F11", KEY_F11 }, { "F12", KEY_F12 },
   { "Escape", KEY_ESC }, { "Backquote", KEY_TILDE }, { "Minus", KEY_MINUS },
   { "Equal", KEY_EQUALS }, { "Backspace", KEY_BACKSPACE }, { "Tab", KEY_TAB },
   { "BracketLeft", KEY_OPENBRACE }, { "BracketRight", KEY_CLOSEBRACE },
   { "Enter", KEY_ENTER }, { "Semicolon", KEY_COLON }, { "Quote", KEY_QUOTE },
   { "Backslash", KEY_BACKSLASH }, { "IntlBackslash", KEY_BACKSLASH2 },
   { "Comma", KEY_COMMA }, { "Period", KEY_STOP }, { "Slash", KEY_SLASH },
   { "Space", KEY_SPACE }, { "Insert", KEY_INSERT }, { "Delete", KEY_DEL },
   { "Home", KEY_HOME }, { "End", KEY_END }, { "PageUp", KEY_PGUP },
   { "PageDown", KEY_PGDN }, { "ArrowLeft", KEY_LEFT }, { "ArrowRight", KEY_RIGHT },
   { "ArrowUp", KEY_UP }, { "ArrowDown", KEY_DOWN }, { "NumpadDivide", KEY_SLASH_PAD },
   { "NumpadMultiply", KEY_ASTERISK }, { "NumpadSubtract", KEY_MINUS_PAD },
   { "NumpadAdd", KEY_PLUS_PAD }, { "NumpadDecimal", KEY_DEL_PAD },
   { "NumpadEnter", KEY_ENTER_PAD }, { "PrintScreen", KEY_PRTSCR }, { "Pause", KEY_PAUSE },
   { "IntlRo", KEY_ABNT_C1 }, { "IntlYen", KEY_YEN }, { "KanaMode", KEY_KANA },
   { "Convert", KEY_CONVERT }, { "NonConvert", KEY_NOCONVERT },
   { "NumpadEqual", KEY_EQUALS_PAD },
   { "ShiftLeft", KEY_LSHIFT }, { "ShiftRight", KEY_RSHIFT },
   { "ControlLeft", KEY_LCONTROL }, { "ControlRight", KEY_RCONTROL },
   { "AltLeft", KEY_ALT }, { "AltRight", KEY_ALTGR }, { "MetaLeft", KEY_LWIN },
   { "MetaRight", KEY_RWIN }, { "ContextMenu", KEY_MENU }, { "ScrollLock", KEY_SCRLOCK },
   { "NumLock", KEY_NUMLOCK }, { "CapsLock", KEY_CAPSLOCK }
};


/* web_key_hold_start:
 *  Keeps the set of keys held (web.keysHeld), by the keyboard or by the
 *  page's on-screen controls or by both, each with the program's wait at
 *  its press; web.keyPress presses a key for one of them.
 */
EM_JS(void, web_key_hold_start, (void), {
   var web = Module.allegro;
   web.keysHeld = {};
   web.KEY_BY_KEYBOARD = 1;
   web.KEY_BY_CONTROL = 2;
   web.keySend = function(scancode, pressed, ascii) {
      if (web.keysOn)
         Module.__web_key_event(scancode, pressed, ascii);
   };
   web.keyPress = function(scancode, by, ascii, repeats) {
      var h = web.keysHeld[scancode];
      if (!h)
         h = web.keysHeld[scancode] = { by: 0, repeat: null };
      h.by |= by;
      h.mark = web.waits;
      web.keySend(scancode, 1, ascii);
      if (repeats && !h.repeat)
         web.keyRepeat(h, scancode, ascii);
   };
});



/* web_key_release_start:
 *  web.keyRelease lets go of a key for one of its holders, and returns
 *  whether that one held it. The key is let go when its last holder lets
 *  go, but never before the program has seen the press (web.whenSeen).
 *  web.releaseKeys lets go of every key at once.
 */
EM_JS(void, web_key_release_start, (void), {
   var web = Module.allegro;
   web.keyRelease = function(scancode, by) {
      var h = web.keysHeld[scancode];
      if (!h || !(h.by & by))
         return false;
      h.by &= ~by;
      if (by === web.KEY_BY_CONTROL) {
         clearTimeout(h.repeat);
         h.repeat = null;
      }
      if (h.by)
         return true;
      delete web.keysHeld[scancode];
      web.whenSeen(h.mark, function() {
         if (!web.keysHeld[scancode])
            web.keySend(scancode, 0, 0);
      });
      return true;
   };
   web.releaseKeys = function() {
      var held = web.keysHeld;
      web.keysHeld = {};
      for (var scancode in held) {
         clearTimeout(held[scancode].repeat);
         web.keySend(+scancode, 0, 0);
      }
   };
});



/* web_key_repeat_start:
 *  A control repeats while held (web.keyRepeat), after delay and then
 *  every rate milliseconds, as a keyboard repeats a held key. Each held
 *  control repeats on its own, so that two fingers can both move a paddle.
 */
EM_JS(void, web_key_repeat_start, (int delay, int rate), {
   var web = Module.allegro;
   web.keyRepeat = function(h, scancode, ascii) {
      var again = function() {
         h.repeat = setTimeout(again, rate);
         web.keySend(scancode, 1, ascii);
      };
      h.repeat = setTimeout(again, delay);
   };
});



/* web_key_listen:
 *  Listens to the page's keys. The page's own use of a key (scrolling with
 *  Space or the arrows, the browser's quick find) is prevented unless a
 *  modifier is held, and the function keys keep theirs. A key whose press
 *  the system never reports (Print Screen on some) counts on its release.
 *  When the page loses the focus, is hidden or is left, every key held is
 *  let go.
 */
EM_JS(void, web_key_listen, (void), {
   var web = Module.allegro;
   web.keyTap = function(scancode) {
      web.keyPress(scancode, web.KEY_BY_KEYBOARD, 0, false);
      web.keyRelease(scancode, web.KEY_BY_KEYBOARD);
   };
   web.keyDown = function(e) {
      var scancode = web.keyCodes[e.code];
      if (!scancode)
         return;
      if (!e.ctrlKey && !e.altKey && !e.metaKey && !/^F[0-9]+$/.test(e.code))
         e.preventDefault();
      if (e.code === 'Escape') {
         web.escapeSeen = performance.now();
         web.escapePassed = false;
      }
      if (web.onInput)
         web.onInput();
      var ascii = (e.key.length === 1 && e.key.charCodeAt(0) < 256) ? e.key.charCodeAt(0) : 0;
      web.keyPress(scancode, web.KEY_BY_KEYBOARD, ascii, false);
   };
   web.keyUp = function(e) {
      var scancode = web.keyCodes[e.code];
      if (!scancode || web.keyRelease(scancode, web.KEY_BY_KEYBOARD))
         return;
      /* the release of an Esc whose press the browser kept, already given */
      if (e.code === 'Escape' && web.escapePassed)
         web.escapePassed = false;
      else
         web.keyTap(scancode);
   };
   if (!web.keyListening) {
      var letGo = function() { web.releaseKeys(); };
      window.addEventListener('keydown', function(e) { web.keyDown(e); }, true);
      window.addEventListener('keyup', function(e) { web.keyUp(e); }, true);
      window.addEventListener('blur', letGo);
      window.addEventListener('pagehide', letGo);
      document.addEventListener('visibilitychange', function() {
         if (document.hidden)
            letGo();
      });
      web.keyListening = true;
   }
   web.keysOn = true;
});



/* web_key_escape_listen:
 *  When the browser takes Esc to leave fullscreen or to release the
 *  pointer, the program still gets it, once, as a key pressed and let go:
 *  some browsers keep that Esc's press but pass on its release.
 */
EM_JS(void, web_key_escape_listen, (void), {
   var web = Module.allegro;
   var escLocked = false;
   web.escapeSeen = -1e9;
   web.escapePassed = false;
   web.escapeTaken = function() {
      if (performance.now() - web.escapeSeen > 500) {
         web.keyTap(web.keyCodes['Escape']);
         web.escapePassed = true;
      }
   };
   web.fullscreenChange = function() {
      if (document.fullscreenElement) {
         /* Where the browser keeps Esc for a fullscreen page (Keyboard
            Lock), every Esc arrives as a key: fullscreen is then left
            some other way (F11, the browser's own controls), which is no
            Esc for the program. */
         escLocked = false;
         if (navigator.keyboard && navigator.keyboard.lock)
            navigator.keyboard.lock(['Escape']).then(function() {
               escLocked = !!document.fullscreenElement;
            }, function() {});
         return;
      }
      if (!escLocked)
         web.escapeTaken();
      escLocked = false;
   };
   web.pointerLockChange = function() {
      if (!document.pointerLockElement)
         web.escapeTaken();
   };
   if (!web.escapeListening) {
      document.addEventListener('fullscreenchange', function() { web.fullscreenChange(); });
      document.addEventListener('pointerlockchange', function() { web.pointerLockChange(); });
      web.escapeListening = true;
   }
});



/* web_key_controls_start:
 *  The page's on-screen controls: web.controlKey(code, pressed) presses or
 *  lets go of the key with that KeyboardEvent.code, as the keyboard would,
 *  in the same set of held keys. A held control repeats, but for the keys
 *  that act once per press (serve, pause, enter), which count once per
 *  tap. Each press and release counts as input for starting the sound.
 */
EM_JS(void, web_key_controls_start, (void), {
   var web = Module.allegro;
   var ONCE = { Space: true, Escape: true, Enter: true, NumpadEnter: true, Tab: true };
   function ascii_of(code) {
      if (/^Key[A-Z]$/.test(code))
         return code.charCodeAt(3) + 32;
      if (/^Digit[0-9]$/.test(code))
         return code.charCodeAt(5);
      return code === 'Space' ? 32 : 0;
   }
   web.controlKey = function(code, pressed) {
      var scancode = web.keyCodes[code];
      if (!scancode || !web.keysOn)
         return;
      if (web.onInput)
         web.onInput();
      if (pressed)
         web.keyPress(scancode, web.KEY_BY_CONTROL, ascii_of(code), !ONCE[code]);
      else
         web.keyRelease(scancode, web.KEY_BY_CONTROL);
   };
});



/* web_key_map:
 *  Maps a KeyboardEvent.code to the library's scancode (web.keyCodes).
 */
EM_JS(void, web_key_map, (const char *code, int scancode), {
   var web = Module.allegro;
   web.keyCodes = web.keyCodes || {};
   web.keyCodes[UTF8ToString(code)] = scancode;
});



/* web_key_stop:
 *  Lets go of every key held, then ignores the page's keys.
 */
EM_JS(void, web_key_stop, (void), {
   var web = Module.allegro;
   web.releaseKeys();
   web.keysOn = false;
});



/* web_key_init:
 *  Maps the page's key codes and starts listening.
 */
static int web_key_init(void)
{
   unsigned int i;

   for (i = 0; i < sizeof(key_codes) / sizeof(key_codes[0]); i++)
      web_key_map(key_codes[i].code, key_codes[i].scancode);
   web_key_hold_start();
   web_key_release_start();
   web_key_repeat_start(CONTROL_REPEAT_DELAY, CONTROL_REPEAT_RATE);
   web_key_listen();
   web_key_escape_listen();
   web_key_controls_start();
   return 0;
}



/* web_key_exit:
 *  Stops listening to the page's keys.
 */
static void web_key_exit(void)
{
   web_key_stop();
}



/* _web_key_event:
 *  Called by the page for each press, repeat and release of a key; ascii
 *  is 0 for a key that types nothing.
 */
EMSCRIPTEN_KEEPALIVE void _web_key_event(int scancode, int pressed, int ascii)
{
   if (pressed)
      _handle_key_press(ascii, scancode);
   else
      _handle_key_release(scancode);
}
