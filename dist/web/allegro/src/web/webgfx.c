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
 *      Web graphics driver: the screen is a bitmap in memory, shown on the
 *      page's canvas each time the browser paints (so whatever is drawn to
 *      it shows, with or without vsync()). vsync() waits for the browser's
 *      next animation frame, the display's own refresh.
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


static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth);
static void web_gfx_exit(BITMAP *bmp);
static void web_gfx_vsync(void);


GFX_DRIVER gfx_web =
{
   GFX_WEB,
   empty_string,
   empty_string,
   "Web canvas",
   web_gfx_init,
   web_gfx_exit,
   NULL,                      /* scroll */
   web_gfx_vsync,
   NULL,                      /* set_palette */
   NULL, NULL, NULL,          /* request_scroll, poll_scroll, enable_triple_buffer */
   NULL, NULL, NULL, NULL,    /* video bitmaps */
   NULL, NULL,                /* system bitmaps */
   NULL, NULL, NULL, NULL,    /* hardware cursor */
   NULL,                      /* drawing_mode */
   NULL, NULL,                /* save_video_state, restore_video_state */
   NULL,                      /* set_blender_mode */
   NULL,                      /* fetch_mode_list */
   0, 0,                      /* physical screen size */
   TRUE,                      /* linear */
   0, 0, 0, 0,                /* bank_size, bank_gran, vid_mem, vid_phys_base */
   TRUE                       /* windowed: a canvas in a page */
};


static unsigned char *screen_pixels;   /* the screen's own pixels */
static uint32_t *frame_pixels;         /* the same as RGBA for the canvas */
static uint32_t *rgba_of;              /* RGBA of each 15/16-bit colour */
static int screen_depth;



/* web_canvas_open:
 *  Sizes the canvas to the screen and starts showing the screen on it at
 *  every animation frame; a program waiting in vsync() is let go first,
 *  so that the frame it copies to the screen shows at once.
 */
EM_JS(int, web_canvas_open, (int w, int h), {
   var web = Module.allegro;
   var canvas = Module.canvas;
   if (!canvas || !canvas.getContext)
      return -1;
   var context = canvas.getContext('2d', { alpha: false });
   if (!context)
      return -1;
   canvas.width = w;
   canvas.height = h;
   web.canvasContext = context;
   web.frameWaiter = null;
   web.showing = true;
   function paint() {
      if (!web.showing)
         return;
      requestAnimationFrame(paint);
      var wakeUp = web.frameWaiter;
      web.frameWaiter = null;
      try {
         if (wakeUp)
            wakeUp();
      }
      catch (e) {
         /* the program ended in this frame: the page has been told */
         if (!(e instanceof ExitStatus))
            throw e;
      }
      var pixels = Module.__web_gfx_frame();
      if (pixels)
         context.putImageData(new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h), 0, 0);
   }
   requestAnimationFrame(paint);
   return 0;
});



/* web_canvas_close:
 *  Stops showing the screen on the canvas.
 */
EM_JS(void, web_canvas_close, (void), {
   Module.allegro.showing = false;
});



/* web_canvas_wait_frame:
 *  Hands control to the browser until its next animation frame, counting
 *  the frame the program has drawn (web.frames). The count is made where
 *  the wait begins, which is run once, not again as the program resumes.
 */
EM_JS(void, web_canvas_wait_frame, (void), {
   Asyncify.handleSleep(function(wakeUp) {
      var web = Module.allegro;
      web.frames++;
      web.programWaits();
      web.frameWaiter = wakeUp;
   });
});



/* make_colour_table:
 *  Builds the RGBA of every 15 or 16-bit pixel, as the library packs them.
 */
static int make_colour_table(int depth)
{
   int c;

   rgba_of = _AL_MALLOC_ATOMIC(65536 * sizeof(uint32_t));
   if (!rgba_of)
      return -1;

   for (c = 0; c < 65536; c++) {
      int r = (depth == 15) ? getr15(c) : getr16(c);
      int g = (depth == 15) ? getg15(c) : getg16(c);
      int b = (depth == 15) ? getb15(c) : getb16(c);
      rgba_of[c] = 0xFF000000u | (b << 16) | (g << 8) | r;
   }
   return 0;
}



/* web_gfx_init:
 *  Makes the screen, a linear bitmap of w by h in memory, and starts
 *  showing it on the page's canvas; 15, 16 and 32-bit colour.
 */
static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if ((v_w > w) || (v_h > h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported virtual resolution"));
      return NULL;
   }
   if ((color_depth != 15) && (color_depth != 16) && (color_depth != 32)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported color depth"));
      return NULL;
   }

   screen_depth = color_depth;
   screen_pixels = _AL_MALLOC_ATOMIC(w * h * BYTES_PER_PIXEL(color_depth));
   frame_pixels = _AL_MALLOC_ATOMIC(w * h * sizeof(uint32_t));
   if ((!screen_pixels) || (!frame_pixels) ||
       ((color_depth != 32) && (make_colour_table(color_depth) != 0))) {
      web_gfx_exit(NULL);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }
   memset(screen_pixels, 0, w * h * BYTES_PER_PIXEL(color_depth));

   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_web, color_depth, w * BYTES_PER_PIXEL(color_depth));
   if (!b) {
      web_gfx_exit(NULL);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }

   if (web_canvas_open(w, h) != 0) {
      destroy_bitmap(b);
      web_gfx_exit(NULL);
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("The page has no canvas"));
      return NULL;
   }

   gfx_web.w = w;
   gfx_web.h = h;
   gfx_web.vid_mem = w * h * BYTES_PER_PIXEL(color_depth);
   return b;
}



/* web_gfx_exit:
 *  Stops showing the screen and frees its memory.
 */
static void web_gfx_exit(BITMAP *bmp)
{
   (void)bmp;

   web_canvas_close();
   _AL_FREE(screen_pixels);
   _AL_FREE(frame_pixels);
   _AL_FREE(rgba_of);
   screen_pixels = NULL;
   frame_pixels = NULL;
   rgba_of = NULL;
}



/* web_gfx_vsync:
 *  Waits for the browser's next animation frame, then catches the timer
 *  up with the time that passed meanwhile.
 */
static void web_gfx_vsync(void)
{
   web_canvas_wait_frame();
   _web_timer_catch_up();
}



/* _web_gfx_frame:
 *  Called by the page as it paints: the screen as RGBA pixels, or NULL
 *  when there is no screen.
 */
EMSCRIPTEN_KEEPALIVE uint32_t *_web_gfx_frame(void)
{
   int n, i;

   if ((!screen_pixels) || (!frame_pixels))
      return NULL;

   n = gfx_web.w * gfx_web.h;
   if (screen_depth == 32) {
      const uint32_t *src = (const uint32_t *)screen_pixels;
      for (i = 0; i < n; i++) {
         uint32_t c = src[i];
         frame_pixels[i] = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
   }
   else {
      const uint16_t *src = (const uint16_t *)screen_pixels;
      for (i = 0; i < n; i++)
         frame_pixels[i] = rgba_of[src[i]];
   }
   return frame_pixels;
}
