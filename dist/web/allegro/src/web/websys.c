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
 *      Web system driver: the page the program runs in (the object its
 *      drivers share, its clock, the count of the program's waits), the
 *      driver lists and messages.
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


static int web_sys_init(void);
static void web_sys_exit(void);
static void web_get_executable_name(char *output, int size);
/* web_set_window_title:
 *  The window's title is the page's.
 */
static void web_set_window_title(AL_CONST char *name);
/* web_message:
 *  Shows a message in the page, since a page has no message box of its own.
 */
static void web_message(AL_CONST char *msg);
static void web_yield_timeslice(void);
/* web_desktop_color_depth:
 *  A canvas shows true colour.
 */
static int web_desktop_color_depth(void);
/* web_get_desktop_resolution:
 *  The size of the device's screen, in CSS pixels.
 */
static int web_get_desktop_resolution(int *width, int *height);
/* web_get_gfx_safe_mode:
 *  Any size and depth works on a canvas; this one is the library's usual.
 */
static void web_get_gfx_safe_mode(int *driver, struct GFX_MODE *mode);


SYSTEM_DRIVER system_web =
{
   SYSTEM_WEB,
   empty_string,
   empty_string,
   "Web page",
   web_sys_init,
   web_sys_exit,
   web_get_executable_name,
   NULL,  /* find_resource */
   web_set_window_title,
   NULL,  /* set_close_button_callback: a page is closed, never asked to */
   web_message,
   NULL,  /* assert */
   NULL,  /* save_console_state */
   NULL,  /* restore_console_state */
   NULL,  /* create_bitmap */
   NULL,  /* created_bitmap */
   NULL,  /* create_sub_bitmap */
   NULL,  /* created_sub_bitmap */
   NULL,  /* destroy_bitmap */
   NULL,  /* read_hardware_palette */
   NULL,  /* set_palette_range */
   NULL,  /* get_vtable */
   NULL,  /* set_display_switch_mode */
   NULL,  /* display_switch_lock */
   web_desktop_color_depth,
   web_get_desktop_resolution,
   web_get_gfx_safe_mode,
   web_yield_timeslice,
   NULL,  /* create_mutex: one thread */
   NULL,  /* destroy_mutex */
   NULL,  /* lock_mutex */
   NULL,  /* unlock_mutex */
   NULL,  /* gfx_drivers */
   NULL,  /* digi_drivers */
   NULL,  /* midi_drivers */
   NULL,  /* keyboard_drivers */
   NULL,  /* mouse_drivers */
   NULL,  /* joystick_drivers */
   NULL   /* timer_drivers */
};



_DRIVER_INFO _system_driver_list[] =
{
   { SYSTEM_WEB,              &system_web,              TRUE  },
   { SYSTEM_NONE,             &system_none,             FALSE },
   { 0,                       NULL,                     0     }
};


_DRIVER_INFO _keyboard_driver_list[] =
{
   { KEYBOARD_WEB,            &keyboard_web,            TRUE  },
   { 0,                       NULL,                     0     }
};


_DRIVER_INFO _timer_driver_list[] =
{
   { TIMER_WEB,               &timer_web,               TRUE  },
   { 0,                       NULL,                     0     }
};


_DRIVER_INFO _mouse_driver_list[] =
{
   { MOUSE_WEB,               &mouse_web,               TRUE  },
   { 0,                       NULL,                     0     }
};


BEGIN_GFX_DRIVER_LIST
   { GFX_WEB,                 &gfx_web,                 TRUE  },
END_GFX_DRIVER_LIST


BEGIN_DIGI_DRIVER_LIST
   { DIGI_WEB,                &digi_web,                TRUE  },
END_DIGI_DRIVER_LIST


BEGIN_MIDI_DRIVER_LIST
MIDI_DRIVER_DIGMID
END_MIDI_DRIVER_LIST


BEGIN_JOYSTICK_DRIVER_LIST
END_JOYSTICK_DRIVER_LIST



/* web_page_object:
 *  Makes the object the drivers share in the page, Module.allegro; each
 *  of its fields and the driver that keeps it are listed in aintweb.h.
 */
EM_JS(void, web_page_object, (void), {
   Module.allegro = Module.allegro || {};
});



/* web_page_clock_start:
 *  Starts the page's clock, which stands still while the page is hidden,
 *  and tells the sound driver (web.onVisibility) when the page is hidden
 *  or shown again.
 */
EM_JS(void, web_page_clock_start, (void), {
   var web = Module.allegro;
   web.hiddenSince = document.hidden ? performance.now() : -1;
   web.hiddenTotal = 0;
   web.clock = function() {
      var now = performance.now();
      var hidden = web.hiddenSince >= 0 ? now - web.hiddenSince : 0;
      return now - web.hiddenTotal - hidden;
   };
   if (!web.visibilityListener) {
      web.visibilityListener = function() {
         if (document.hidden) {
            if (web.hiddenSince < 0)
               web.hiddenSince = performance.now();
         }
         else if (web.hiddenSince >= 0) {
            web.hiddenTotal += performance.now() - web.hiddenSince;
            web.hiddenSince = -1;
         }
         if (web.onVisibility)
            web.onVisibility(!document.hidden);
      };
      document.addEventListener('visibilitychange', web.visibilityListener);
   }
});



/* web_page_count_waits:
 *  Counts the times the program hands control to the browser (web.waits)
 *  and keeps what is to be done once it has run for a while since a mark
 *  (web.whenSeen): a press let go at once is so held until the program has
 *  come back from the browser and looked at its input. The page's events
 *  only arrive while the program waits, so a press made during wait n has
 *  been read once wait n + 1 begins; the hold lasts one wait more, since
 *  rest() may wait twice for one short rest.
 */
EM_JS(void, web_page_count_waits, (void), {
   var web = Module.allegro;
   var due = [];
   web.waits = web.waits || 0;
   web.frames = web.frames || 0;
   web.programWaits = function() {
      web.waits++;
      var now = due.filter(function(d) { return d.at <= web.waits; });
      if (!now.length)
         return;
      due = due.filter(function(d) { return d.at > web.waits; });
      /* run once the program has stopped, as the page's own events do */
      Promise.resolve().then(function() {
         now.forEach(function(d) { d.run(); });
      });
   };
   web.whenSeen = function(mark, run) {
      if (web.waits >= mark + 2)
         run();
      else
         due.push({ at: mark + 2, run: run });
   };
});



/* web_page_message:
 *  Shows a message (UTF-8) in the page, or on the console of a page that
 *  has no place for it.
 */
EM_JS(void, web_page_message, (const char *msg), {
   var text = UTF8ToString(msg);
   if (Module.showMessage)
      Module.showMessage(text);
   else
      console.log(text);
});



/* web_page_title:
 *  Names the page (UTF-8).
 */
EM_JS(void, web_page_title, (const char *name), {
   document.title = UTF8ToString(name);
});



/* web_sys_init:
 *  The page object is made here, before any other driver is installed.
 */
static int web_sys_init(void)
{
   os_type = OSTYPE_UNKNOWN;
   web_page_object();
   web_page_clock_start();
   web_page_count_waits();
   return 0;
}



/* web_sys_exit:
 *  Nothing to undo: the page's listeners stay for a program installed
 *  again, and do nothing meanwhile.
 */
static void web_sys_exit(void)
{
}



/* web_get_executable_name:
 *  The program lives at the root of the page's file system, beside its
 *  data files.
 */
static void web_get_executable_name(char *output, int size)
{
   do_uconvert("/program", U_ASCII, output, U_CURRENT, size);
}



/* web_set_window_title:
 *  The window's title is the page's.
 */
static void web_set_window_title(AL_CONST char *name)
{
   char title[256];

   web_page_title(uconvert(name, U_CURRENT, title, U_UTF8, sizeof(title)));
}



/* web_message:
 *  Shows a message in the page, since a page has no message box of its own.
 */
static void web_message(AL_CONST char *msg)
{
   char *text = _AL_MALLOC_ATOMIC(ALLEGRO_MESSAGE_SIZE);

   if (!text)
      return;
   web_page_message(uconvert(msg, U_CURRENT, text, U_UTF8, ALLEGRO_MESSAGE_SIZE));
   _AL_FREE(text);
}



/* web_yield_timeslice:
 *  Gives the browser one turn of its event loop.
 */
static void web_yield_timeslice(void)
{
   _web_sleep(0);
}



/* web_desktop_color_depth:
 *  A canvas shows true colour.
 */
static int web_desktop_color_depth(void)
{
   return 32;
}



/* web_get_desktop_resolution:
 *  The size of the device's screen, in CSS pixels.
 */
static int web_get_desktop_resolution(int *width, int *height)
{
   *width = EM_ASM_INT({ return screen.width; });
   *height = EM_ASM_INT({ return screen.height; });
   return 0;
}



/* web_get_gfx_safe_mode:
 *  Any size and depth works on a canvas; this one is the library's usual.
 */
static void web_get_gfx_safe_mode(int *driver, struct GFX_MODE *mode)
{
   *driver = GFX_WEB;
   mode->width = 640;
   mode->height = 480;
   mode->bpp = 16;
}
