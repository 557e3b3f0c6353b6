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
 *      Web platform specific header defines: the drivers of a page.
 *
 *      See readme.txt for copyright information.
 */


#ifndef ALWEB_H
#define ALWEB_H

#ifndef ALLEGRO_WEB
   #error bad include
#endif


/* System driver */
#define SYSTEM_WEB              AL_ID('W','E','B',' ')
AL_VAR(SYSTEM_DRIVER, system_web);

/* Timer driver */
#define TIMER_WEB               AL_ID('W','E','B','T')
AL_VAR(TIMER_DRIVER, timer_web);

/* Keyboard driver */
#define KEYBOARD_WEB            AL_ID('W','E','B','K')
AL_VAR(KEYBOARD_DRIVER, keyboard_web);

/* Mouse driver */
#define MOUSE_WEB               AL_ID('W','E','B','M')
AL_VAR(MOUSE_DRIVER, mouse_web);

/* Gfx driver */
#define GFX_WEB                 AL_ID('W','E','B','G')
AL_VAR(GFX_DRIVER, gfx_web);

/* Digital sound driver */
#define DIGI_WEB                AL_ID('W','E','B','S')
AL_VAR(DIGI_DRIVER, digi_web);

#endif
