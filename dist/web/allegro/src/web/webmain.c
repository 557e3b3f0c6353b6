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
 *      Web main() replacement: runs the program's main (END_OF_MAIN()
 *      names it) and ends the program with its result. Once the program
 *      has waited for the browser, its return no longer reaches the
 *      runtime that called main, so it is passed on from here.
 *
 *      See readme.txt for copyright information.
 */


#include <stdlib.h>


extern void *_mangled_main_address;



/* main:
 *  Replacement for main function.
 */
int main(int argc, char *argv[])
{
   int (*real_main) (int, char *[]) = (int (*) (int, char *[])) _mangled_main_address;

   exit((*real_main)(argc, argv));
}
