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


/* The page object: Module.allegro, one JavaScript object that the drivers
 * share in the page ("web" in their code), made by the system driver
 * before any other is installed. Its fields, by the driver that keeps
 * them (the others only read them or call them):
 *
 *  System (websys.c):
 *    clock()              the page's clock in msec, still while it is hidden
 *    hiddenSince, hiddenTotal   when it was hidden, and for how long in all
 *    visibilityListener   its visibilitychange listener, hung once
 *    waits                how many times the program has handed control to
 *                         the browser (vsync, rest, a yield)
 *    frames               how many frames the program has drawn, that is
 *                         waited in vsync for (the graphics driver counts)
 *    programWaits()       called by the graphics and timer drivers as the
 *                         program begins to wait
 *    whenSeen(mark, run)  runs run once the program has waited twice since
 *                         waits was mark: what it held at mark it has seen
 *
 *  Graphics (webgfx.c):
 *    canvasContext        the canvas's 2D context
 *    showing              whether the screen is shown at each animation frame
 *    frameWaiter          wakes the program waiting in vsync, or null
 *
 *  Keyboard (webkey.c):
 *    keyCodes             KeyboardEvent.code to scancode
 *    keysOn               whether the keys reach the program
 *    keysHeld             scancode to { by, mark, repeat }: who holds the
 *                         key (KEY_BY_KEYBOARD, KEY_BY_CONTROL bits), the
 *                         waits at its press, its repeat's timer
 *    keySend(), keyPress(), keyRelease(), keyRepeat(), keyTap()
 *                         the held set's work
 *    releaseKeys()        lets go of every key held, keyboard or control
 *    controlKey(code, pressed)   the page's on-screen controls
 *    keyDown(), keyUp()   the page's key events
 *    keyListening         whether those are listened to
 *    escapeSeen, escapePassed, escapeTaken(), fullscreenChange(),
 *    pointerLockChange(), escapeListening
 *                         the Esc that the browser takes for itself
 *
 *  Mouse (webmouse.c):
 *    canvasPoint(e)       an event's place on the screen, or null
 *    isTouch(e), fromTouch(e), lastTouch   telling fingers from the mouse
 *    mouseOn              whether the mouse and fingers reach the program
 *    mouseConfined        whether the mouse is confined to a smaller range
 *    mouseMove(), mouseDown(), mouseUp(), mouseListening   the mouse
 *    touchDown(), touchMove(), touchUp(), touchLetGo(), touchListening
 *                         the finger that works as the mouse
 *
 *  Sound (websnd.c):
 *    audioContext, audioOutput   the page's sound output, or null
 *    audioPlayer(), audioProcessor()   the player and the audio worklet
 *    audioWorkletOutput(), audioScriptOutput()   the two ways of sounding
 *    audioPush(chunk)     queues a chunk of sound
 *    audioPosted, audioPlayed   frames queued so far, frames played so far
 *    audioWanted          whether the player has asked for sound by input
 *    audioTouchListening  whether touches are listened to
 *    onInput()            called by the keyboard and mouse drivers at each
 *                         input, and at a touch's start and end: the sound
 *                         may start
 *    onVisibility(shown)  called by the system driver as the page is
 *                         hidden or shown again
 *
 * The timer driver keeps nothing there; it reads clock() and calls
 * programWaits().
 */


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
