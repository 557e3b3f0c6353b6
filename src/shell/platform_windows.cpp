// What the game needs of Windows that no other system does: the icon resource, the game's
// own folder as its working folder, held keys repeating as set in Windows, Wine's cheapest
// way of drawing, and no quit signals (closing the window is how a program without a
// console is asked to end).
#include "shell/platform.h"
#include "shell/game.h"

#include <winalleg.h>  // the Windows API, with its BITMAP kept apart from the library's

#include <cstdio>
#include <cstring>
#include <cwchar>

// Under Wine, DirectDraw is drawn by Wine's Direct3D, whose command thread spins between
// two frames (a whole core at 60 frames a second) and which puts every frame through
// OpenGL. The game draws each pixel itself, so Wine's GDI renderer shows the same picture
// for an eighth of that. Wine reads the choice from WINE_D3D_CONFIG when its Direct3D starts,
// which the library leaves until the mode is set; Windows ignores the variable.
#define WINE_D3D_SETTING "WINE_D3D_CONFIG"
#define WINE_D3D_CHOICE "renderer=gdi"

// 1 where the player chose Wine's renderer: in WINE_D3D_CONFIG, or in Wine's Direct3D key
// for every program or for this one by its file name, which the variable would override.
static int wine_renderer_chosen(void)
{
    SetLastError(0);
    if (GetEnvironmentVariableA(WINE_D3D_SETTING, NULL, 0) > 0 ||
        GetLastError() != ERROR_ENVVAR_NOT_FOUND)
        return 1;
    char path[MAX_PATH], key[MAX_PATH + 64];
    const DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    const char *name = n > 0 && n < MAX_PATH ? path : "tabrivet.exe";
    if (strrchr(name, '\\') != NULL)
        name = strrchr(name, '\\') + 1;
    snprintf(key, sizeof key, "Software\\Wine\\AppDefaults\\%s\\Direct3D", name);
    return RegGetValueA(HKEY_CURRENT_USER, key, "renderer", RRF_RT_REG_SZ, NULL, NULL,
                        NULL) == ERROR_SUCCESS ||
           RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\Direct3D", "renderer",
                        RRF_RT_REG_SZ, NULL, NULL, NULL) == ERROR_SUCCESS;
}

static void choose_wine_renderer(void)
{
    if (wine_renderer_chosen())
        return;
    SetEnvironmentVariableA(WINE_D3D_SETTING, WINE_D3D_CHOICE);
    // Wine's Direct3D reads it with the Universal C runtime's getenv(), which looks in the
    // copy of the environment that runtime made when it started, before main: that copy
    // is given it too.
    HMODULE crt = GetModuleHandleA("ucrtbase.dll");
    FARPROC put = crt != NULL ? GetProcAddress(crt, "_putenv") : NULL;
    if (put != NULL) {
        typedef int(__cdecl * putenv_proc)(const char *);
        reinterpret_cast<putenv_proc>(reinterpret_cast<void (*)(void)>(put))(
            WINE_D3D_SETTING "=" WINE_D3D_CHOICE);
    }
}

void prepare_window(void)
{
    // The library names its window after the title set once it runs, and takes the icon
    // from the program's resource "allegro_icon".
    choose_wine_renderer();
}

// Started from Explorer, a shortcut or a prompt elsewhere, the game still finds its data
// file beside the program, as the library finds patches.dat there, and saves its
// screenshots there. The path is read in UTF-16, so any folder name works.
void enter_game_folder(void)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    wchar_t *slash = wcsrchr(path, L'\\');
    if (slash == NULL)
        return;
    *slash = L'\0';
    SetCurrentDirectoryW(path);
}

// The library repeats held keys itself here, after 250 ms whatever the player chose; a key
// held a little long, Enter leaving the pause box say, then counts again on the next
// screen. Windows' own settings: a delay of 0 to 3 (250 to 1000 ms) and a speed of 0 to
// 31 (about 2.5 to 30 repeats a second).
void follow_key_repeat_setting(void)
{
    int delay = 1, speed = 31;
    SystemParametersInfo(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    SystemParametersInfo(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    set_keyboard_rate(250 * (delay + 1), (int)(1000.0 / (2.5 + speed * 27.5 / 31)));
}

int set_game_mode(void)
{
    return set_gfx_mode(GFX_AUTODETECT, 640, 480, 0, 0);
}

// A program with a window and no console gets no Ctrl+C or kill signals: closing its
// window (the close button, Alt+F4) is how it is asked to end.
void note_inherited_signals(void)
{
}

void catch_quit_signals(void)
{
}

void end_by_quit_signal(void)
{
}
