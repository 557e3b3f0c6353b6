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
 *      Web timer driver, without a thread: whenever the program comes back
 *      from waiting for the browser (in vsync(), rest() or a yield), the
 *      time that passed on the page's clock is handed to the library's
 *      timer, which runs the callbacks that fell due. The page's clock
 *      stands still while the page is hidden.
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


/* The longest time handed over at once: after a longer stall of the page
 * (a debugger, a machine waking up) the program's clock does not leap.
 */
#define MAX_CATCH_UP_MSEC     250


static int web_timer_init(void);
static void web_timer_exit(void);
static void web_timer_rest(unsigned int time, AL_METHOD(void, callback, (void)));


TIMER_DRIVER timer_web =
{
   TIMER_WEB,
   empty_string,
   empty_string,
   "Web timer",
   web_timer_init,
   web_timer_exit,
   NULL, NULL,   /* install_int, remove_int */
   NULL, NULL,   /* install_param_int, remove_param_int */
   NULL, NULL,   /* can_simulate_retrace, simulate_retrace */
   web_timer_rest
};


static double last_time;        /* page clock of the last catch-up, in msec */
static int timer_on = FALSE;



/* web_page_clock:
 *  The page's clock in milliseconds, standing still while it is hidden.
 */
EM_JS(double, web_page_clock, (void), {
   return Module.allegro.clock();
});



/* web_page_wait:
 *  Hands control to the browser for msec milliseconds; the program goes on
 *  from here when they have passed.
 */
EM_ASYNC_JS(void, web_page_wait, (int msec), {
   Module.allegro.programWaits();
   await new Promise(function(resolve) { setTimeout(resolve, msec); });
});



/* web_timer_init:
 *  The timer starts from the page's clock as it is now.
 */
static int web_timer_init(void)
{
   last_time = web_page_clock();
   timer_on = TRUE;
   return 0;
}



/* web_timer_exit:
 *  From here the catch-ups run no callbacks.
 */
static void web_timer_exit(void)
{
   timer_on = FALSE;
}



/* _web_timer_catch_up:
 *  Runs the timer for the time that passed since the last call.
 */
void _web_timer_catch_up(void)
{
   double now, elapsed;
   int ticks;

   if (!timer_on)
      return;

   now = web_page_clock();
   elapsed = now - last_time;
   if (elapsed > MAX_CATCH_UP_MSEC) {
      last_time = now - MAX_CATCH_UP_MSEC;
      elapsed = MAX_CATCH_UP_MSEC;
   }

   ticks = (int)(elapsed * TIMERS_PER_SECOND / 1000.0);
   if (ticks <= 0)
      return;

   /* keep the fraction of a tick for the next call */
   last_time += ticks * 1000.0 / TIMERS_PER_SECOND;
   _handle_timer_tick(ticks);
}



/* _web_sleep:
 *  Gives the browser control for at least msec milliseconds (0: for one
 *  turn of its event loop), then catches the timer up.
 */
void _web_sleep(int msec)
{
   web_page_wait(msec);
   _web_timer_catch_up();
}



/* web_timer_rest:
 *  Waits for time milliseconds of the page's clock, running the callback
 *  (if any) each time the browser hands control back.
 */
static void web_timer_rest(unsigned int time, AL_METHOD(void, callback, (void)))
{
   double end = web_page_clock() + time;
   double left;

   for (;;) {
      if (callback)
         callback();
      left = end - web_page_clock();
      if (left <= 0)
         break;
      _web_sleep(callback ? 1 : (int)(left + 0.999));
   }
}
