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
 *      Web mouse driver: the page's pointer over the canvas, in screen
 *      pixels at any size of the canvas. While the mouse may go anywhere on
 *      the screen, its position is the pointer's own; in a smaller range it
 *      follows the pointer's moves from where the program put it, stopping
 *      at the range's edges, as a mouse does. A finger on the canvas is the
 *      left button, pressed where the finger is. The pointer is never
 *      locked, so Esc stays the program's.
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


static int web_mouse_init(void);
static void web_mouse_exit(void);
static void web_mouse_position(int x, int y);
static void web_mouse_set_range(int x1, int y1, int x2, int y2);
static void web_mouse_get_mickeys(int *mickeyx, int *mickeyy);


MOUSE_DRIVER mouse_web =
{
   MOUSE_WEB,
   empty_string,
   empty_string,
   "Web mouse",
   web_mouse_init,
   web_mouse_exit,
   NULL,       /* poll */
   NULL,       /* timer_poll */
   web_mouse_position,
   web_mouse_set_range,
   NULL,       /* set_speed */
   web_mouse_get_mickeys,
   NULL,       /* analyse_data */
   NULL,       /* enable_hardware_cursor */
   NULL        /* select_system_cursor */
};


static int mouse_minx = 0;
static int mouse_miny = 0;
static int mouse_maxx = 319;
static int mouse_maxy = 199;

static int pointer_known = FALSE;      /* has the pointer been seen yet? */
static int pointer_x, pointer_y;       /* where it was last seen, in screen pixels */
static int mymickey_x, mymickey_y;



/* web_mouse_point_start:
 *  Where a pointer event is on the canvas (web.canvasPoint), in screen
 *  pixels whatever the canvas's size: [x, y], or null while the canvas
 *  has no size. Whether a pointer event is a finger's (web.isTouch), and
 *  whether a mouse event comes of a finger (web.fromTouch).
 */
EM_JS(void, web_mouse_point_start, (void), {
   var web = Module.allegro;
   web.canvasPoint = function(e) {
      var canvas = Module.canvas;
      if (!canvas)
         return null;
      var r = canvas.getBoundingClientRect();
      var left = r.left, top = r.top, width = r.width, height = r.height;
      if (width <= 0 || height <= 0)
         return null;
      /* A picture kept whole in a box of another shape (object-fit:
         contain, as browsers show a canvas that is fullscreen) is centred
         in it at the largest scale that fits. */
      if (getComputedStyle(canvas).objectFit === 'contain') {
         var scale = Math.min(width / canvas.width, height / canvas.height);
         left += (width - canvas.width * scale) / 2;
         top += (height - canvas.height * scale) / 2;
         width = canvas.width * scale;
         height = canvas.height * scale;
      }
      return [Math.floor((e.clientX - left) * canvas.width / width),
              Math.floor((e.clientY - top) * canvas.height / height)];
   };
   web.lastTouch = -1e9;
   web.isTouch = function(e) {
      if (e.pointerType !== 'touch')
         return false;
      web.lastTouch = performance.now();
      return true;
   };
   /* the mouse events a browser makes of a touch, which the touch itself
      has already given */
   web.fromTouch = function(e) {
      return !!(e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents) ||
             performance.now() - web.lastTouch < 1000;
   };
});



/* web_mouse_listen:
 *  Listens to the mouse over the whole page, so that a move or a release
 *  outside the canvas still counts; a press counts on the canvas, or while
 *  the mouse is confined anywhere but on the page's own controls.
 */
EM_JS(void, web_mouse_listen, (void), {
   var web = Module.allegro;
   var buttons = 0;
   function send(e) {
      var p = web.mouseOn && web.canvasPoint(e);
      if (p)
         Module.__web_mouse_event(p[0], p[1], buttons);
   }
   function bit(button) {
      return button === 0 ? 1 : button === 2 ? 2 : button === 1 ? 4 : 0;
   }
   web.mouseMove = function(e) {
      if (!web.fromTouch(e))
         send(e);
   };
   web.mouseDown = function(e) {
      /* A press counts on the picture; while the mouse is confined to a
         part of it, anywhere but on the page's own controls, since the
         pointer drawn there follows the mouse's moves and the player's
         own pointer may have wandered off the picture. */
      var control = e.target.closest && e.target.closest('button, a, input, select, textarea');
      if (web.fromTouch(e) || (e.target !== Module.canvas && (!web.mouseConfined || control)))
         return;
      e.preventDefault();
      if (web.onInput)
         web.onInput();
      buttons |= bit(e.button);
      send(e);
   };
   web.mouseUp = function(e) {
      if (!(buttons & bit(e.button)))
         return;
      buttons &= ~bit(e.button);
      send(e);
   };
   web.mouseOn = true;
});



/* web_mouse_events:
 *  Hangs the mouse handlers on the page, once; the canvas opens no menu.
 */
EM_JS(void, web_mouse_events, (void), {
   var web = Module.allegro;
   if (web.mouseListening)
      return;
   window.addEventListener('mousemove', function(e) { web.mouseMove(e); });
   window.addEventListener('mousedown', function(e) { web.mouseDown(e); });
   window.addEventListener('mouseup', function(e) { web.mouseUp(e); });
   window.addEventListener('contextmenu', function(e) {
      if (e.target === Module.canvas)
         e.preventDefault();
   });
   web.mouseListening = true;
});



/* web_touch_listen:
 *  Listens to fingers on the canvas: the first finger down is the left
 *  button pressed where it is, its moves move the mouse, and its lifting
 *  lets go of the button once the program has seen the press. The page
 *  neither scrolls nor zooms under it. A cancelled touch, or the page
 *  losing the focus, being hidden or left, lets go at once.
 */
EM_JS(void, web_touch_listen, (void), {
   var web = Module.allegro;
   var finger = null, pressed = false, mark = 0, at = [0, 0];
   function send(e, down) {
      var p = e && web.canvasPoint(e);
      if (p)
         at = p;
      pressed = !!down;
      if (web.mouseOn)
         Module.__web_touch_event(at[0], at[1], down);
   }
   web.touchDown = function(e) {
      if (!web.isTouch(e) || e.target !== Module.canvas || finger !== null)
         return;
      e.preventDefault();
      if (web.onInput)
         web.onInput();
      finger = e.pointerId;
      mark = web.waits;
      send(e, 1);
   };
   web.touchMove = function(e) {
      if (web.isTouch(e) && e.pointerId === finger)
         send(e, 1);
   };
   web.touchUp = function(e) {
      if (!web.isTouch(e) || e.pointerId !== finger)
         return;
      if (e.type === 'pointercancel')
         return web.touchLetGo();
      finger = null;
      send(e, 1);
      web.whenSeen(mark, function() {
         if (finger === null && pressed)
            send(null, 0);
      });
   };
   web.touchLetGo = function() {
      finger = null;
      if (pressed)
         send(null, 0);
   };
});



/* web_touch_events:
 *  Hangs the touch handlers on the page, once, where the browser has
 *  pointer events: elsewhere a finger works through the mouse events the
 *  browser makes of it, as before.
 */
EM_JS(void, web_touch_events, (void), {
   var web = Module.allegro;
   var active = { passive: false };
   function still(e) {
      if (e.target === Module.canvas && e.cancelable)
         e.preventDefault();
   }
   if (web.touchListening || typeof PointerEvent === 'undefined')
      return;
   window.addEventListener('pointerdown', function(e) { web.touchDown(e); }, active);
   window.addEventListener('pointermove', function(e) { web.touchMove(e); });
   window.addEventListener('pointerup', function(e) { web.touchUp(e); });
   window.addEventListener('pointercancel', function(e) { web.touchUp(e); });
   window.addEventListener('touchstart', still, active);
   window.addEventListener('touchmove', still, active);
   window.addEventListener('touchend', still, active);
   window.addEventListener('blur', function() { web.touchLetGo(); });
   window.addEventListener('pagehide', function() { web.touchLetGo(); });
   document.addEventListener('visibilitychange', function() {
      if (document.hidden)
         web.touchLetGo();
   });
   web.touchListening = true;
});



/* web_mouse_confine:
 *  Tells the page whether the mouse is confined to a part of the screen.
 */
EM_JS(void, web_mouse_confine, (int confined), {
   Module.allegro.mouseConfined = !!confined;
});



/* web_mouse_stop:
 *  From here the page's mouse and fingers are ignored.
 */
EM_JS(void, web_mouse_stop, (void), {
   Module.allegro.mouseOn = false;
});



/* web_mouse_init:
 *  Starts listening to the mouse and to fingers; three buttons.
 */
static int web_mouse_init(void)
{
   pointer_known = FALSE;
   web_mouse_point_start();
   web_mouse_listen();
   web_mouse_events();
   web_touch_listen();
   web_touch_events();
   return 3;
}



/* web_mouse_exit:
 *  Stops listening.
 */
static void web_mouse_exit(void)
{
   web_mouse_stop();
}



/* whole_screen:
 *  Whether the mouse may go anywhere on the screen.
 */
static int whole_screen(void)
{
   return (mouse_minx <= 0) && (mouse_miny <= 0) &&
          (mouse_maxx >= SCREEN_W - 1) && (mouse_maxy >= SCREEN_H - 1);
}



/* _web_mouse_event:
 *  Called by the page for each move, press and release of the pointer.
 */
EMSCRIPTEN_KEEPALIVE void _web_mouse_event(int x, int y, int buttons)
{
   if (pointer_known) {
      mymickey_x += x - pointer_x;
      mymickey_y += y - pointer_y;
   }

   if (whole_screen() || !pointer_known) {
      _mouse_x = x;
      _mouse_y = y;
   }
   else {
      _mouse_x += x - pointer_x;
      _mouse_y += y - pointer_y;
   }
   _mouse_x = CLAMP(mouse_minx, _mouse_x, mouse_maxx);
   _mouse_y = CLAMP(mouse_miny, _mouse_y, mouse_maxy);

   pointer_x = x;
   pointer_y = y;
   pointer_known = TRUE;

   _mouse_b = buttons;
   _handle_mouse_input();
}



/* _web_touch_event:
 *  Called by the page for each landing, move and lifting of the finger
 *  that works as the mouse, at (x, y) on the screen; down tells whether
 *  it is on the glass. A finger has no relative motion: on the whole
 *  screen the mouse goes where it is, and in a smaller range to the same
 *  place on a picture of the range's size drawn centred on the screen,
 *  stopping at its edges. Mouse buttons other than the left are left as
 *  they are.
 */
EMSCRIPTEN_KEEPALIVE void _web_touch_event(int x, int y, int down)
{
   if (!whole_screen()) {
      x -= (SCREEN_W - (mouse_maxx - mouse_minx + 1)) / 2 - mouse_minx;
      y -= (SCREEN_H - (mouse_maxy - mouse_miny + 1)) / 2 - mouse_miny;
   }
   _mouse_x = CLAMP(mouse_minx, x, mouse_maxx);
   _mouse_y = CLAMP(mouse_miny, y, mouse_maxy);
   _mouse_b = (_mouse_b & ~1) | (down ? 1 : 0);
   _handle_mouse_input();
}



/* web_mouse_position:
 *  On the whole screen the mouse stays where the pointer is, since a page
 *  cannot move the player's pointer; in a smaller range it goes where it
 *  is put and follows the pointer's moves from there.
 */
static void web_mouse_position(int x, int y)
{
   if (whole_screen() && pointer_known) {
      x = pointer_x;
      y = pointer_y;
   }
   _mouse_x = CLAMP(mouse_minx, x, mouse_maxx);
   _mouse_y = CLAMP(mouse_miny, y, mouse_maxy);
   mymickey_x = mymickey_y = 0;
}



/* web_mouse_set_range:
 *  Back on the whole screen, the mouse is where the pointer is again.
 */
static void web_mouse_set_range(int x1, int y1, int x2, int y2)
{
   mouse_minx = x1;
   mouse_miny = y1;
   mouse_maxx = x2;
   mouse_maxy = y2;

   if (whole_screen() && pointer_known) {
      _mouse_x = pointer_x;
      _mouse_y = pointer_y;
   }
   _mouse_x = CLAMP(mouse_minx, _mouse_x, mouse_maxx);
   _mouse_y = CLAMP(mouse_miny, _mouse_y, mouse_maxy);
   web_mouse_confine(!whole_screen());
}



/* web_mouse_get_mickeys:
 *  How far the pointer has moved since the last call, in screen pixels.
 */
static void web_mouse_get_mickeys(int *mickeyx, int *mickeyy)
{
   *mickeyx = mymickey_x;
   *mickeyy = mymickey_y;
   mymickey_x = mymickey_y = 0;
}
