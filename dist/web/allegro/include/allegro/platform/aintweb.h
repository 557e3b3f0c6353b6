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
 *      Internal header file for the web platform: how its drivers meet.
 *
 *      See readme.txt for copyright information.
 */


#ifndef AINTWEB_H
#define AINTWEB_H


/* Timer: hands the library's timer the time that has passed on the
 * page's clock since the last call, running the callbacks that fell due.
 * Called whenever the program comes back from waiting for the browser.
 */
AL_FUNC(void, _web_timer_catch_up, (void));

/* Timer: gives the browser control for at least msec milliseconds (0: for
 * one turn of its event loop), then catches the timer up.
 */
AL_FUNC(void, _web_sleep, (int msec));


#endif
