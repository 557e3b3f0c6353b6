// The title screen: the logo over a moving starfield, three settings worked with the mouse
// or the keys 1, 2 and 3, "Jouer" (or Enter) to start a match and Esc to quit.
#include "frontend/frontend.h"
#include "shell/game.h"
#include "effects/effects.h"

#define VERSION_TEXT "1.4"
#define LABEL_X 55
#define VALUE_X 218
#define ROW_COUNT 3
#define CLICK_DELAY_FRAMES 4  // a change ignores the clicks of the next 3 frames
#define CLICK_REPEAT_FRAMES 35  // half a second at 70 Hz: a held button steps on after it

// The "Jouer" button's box.
#define BUTTON_LEFT 280
#define BUTTON_TOP 383
#define BUTTON_RIGHT 360
#define BUTTON_BOTTOM 403
#define BUTTON_TEXT_Y 390

static const char *const player_labels[] = {"1 Joueur", "2 Joueurs"};
static const char *const difficulty_labels[] = {"Facile", "Moyen", "Difficile", "Imbattable"};
static const char *const sound_labels[] = {"Non", "Oui"};

// One row of settings: its label, where it is drawn, the setting it changes, the texts of
// that setting's values and the key that cycles it.
struct MenuRow {
    const char *label;
    int y;
    int *setting;
    const char *const *values;
    int value_count;
    int key_code;
};

static const MenuRow menu_rows[ROW_COUNT] = {
    {"Nombre de joueurs :", 255, &player_mode, player_labels, 2, KEY_1},
    {"Difficulte :", 285, &difficulty, difficulty_labels, 4, KEY_2},
    {"Musique :", 315, &sound_on, sound_labels, 2, KEY_3},
};

// 1 when the pointer is inside the "Jouer" box, its outline excluded.
static int pointer_on_button(void)
{
    return mouse_x > BUTTON_LEFT && mouse_x <= BUTTON_RIGHT - 1 &&
           mouse_y > BUTTON_TOP && mouse_y <= BUTTON_BOTTOM - 1;
}

// 1 when the pointer is strictly inside the value text of a row.
static int pointer_on_value(const MenuRow *row, const char *value)
{
    return mouse_x > VALUE_X && mouse_x < VALUE_X + text_length(font, value) &&
           mouse_y > row->y && mouse_y < row->y + text_height(font);
}

// Draws the logo, the credit line, the rows and the button into back_buffer.
static void draw_menu(void)
{
    const int orange = makecol(255, 155, 68);
    const int red = makecol(255, 64, 64);

    masked_blit(logo_bmp, back_buffer, 0, 0, 0, 0, logo_bmp->w, logo_bmp->h);
    textprintf_ex(back_buffer, font, 2, 470, makecol(64, 64, 255), _textmode,
                  "By Talvrune - Version %s", VERSION_TEXT);
    for (int i = 0; i < ROW_COUNT; i++) {
        const MenuRow *row = &menu_rows[i];
        textprintf_ex(back_buffer, font, LABEL_X, row->y, orange, _textmode, "%s", row->label);
        textprintf_ex(back_buffer, font, VALUE_X, row->y, red, _textmode, "%s",
                      row->values[*row->setting]);
    }
    textprintf_centre_ex(back_buffer, font, SCREEN_W / 2, BUTTON_TEXT_Y, orange, _textmode, "Jouer");
    rect(back_buffer, BUTTON_LEFT, BUTTON_TOP, BUTTON_RIGHT, BUTTON_BOTTOM, orange);
}

void menu_enter(MenuVisit *visit)
{
    visit->done = 0;
    visit->result = 0;
    visit->click_delay = 0;
    visit->pending_key = 0;
    visit->held_frames = 0;
    init_stars(visit->stars);
    clear_bitmap(back_buffer);
    set_mouse_range(0, 0, SCREEN_W - 1, SCREEN_H - 1);
    set_mouse_sprite(cursor_bmp);
    position_mouse(SCREEN_W / 2, SCREEN_H / 2);
}

void menu_frame(MenuVisit *visit)
{
    acquire_bitmap(back_buffer);
    clear_bitmap(back_buffer);
    draw_stars(visit->stars);
    draw_menu();

    // A press of the button counts at once; held on, it counts again only after a delay,
    // as a key's auto-repeat does, so that a click of a tenth of a second changes a value
    // once instead of stepping a two-valued row there and back.
    const int button = mouse_b & 1;
    if (!button)
        visit->held_frames = 0;
    else if (visit->held_frames <= CLICK_REPEAT_FRAMES)
        visit->held_frames++;
    const int press_counts = visit->held_frames == 1 || visit->held_frames > CLICK_REPEAT_FRAMES;

    // A row changes on a click on its value (unless a change was just made) or on its key
    // latched in the previous frame; the new value shows from the next frame.
    for (int i = 0; i < ROW_COUNT; i++) {
        const MenuRow *row = &menu_rows[i];
        const int clicked = pointer_on_value(row, row->values[*row->setting]) && press_counts &&
                            visit->click_delay == 0;
        if (clicked || visit->pending_key == row->key_code) {
            *row->setting = (*row->setting + 1) % row->value_count;
            visit->click_delay += CLICK_DELAY_FRAMES;
        }
    }

    if (pointer_on_button())
        rect(back_buffer, BUTTON_LEFT - 1, BUTTON_TOP - 1, BUTTON_RIGHT + 1, BUTTON_BOTTOM + 1,
             makecol(255, 64, 64));
    if ((pointer_on_button() && button && visit->click_delay == 0) ||
        visit->pending_key == KEY_ENTER)
        visit->done = 1;

    masked_blit(cursor_bmp, back_buffer, 0, 0, mouse_x, mouse_y, cursor_bmp->w, cursor_bmp->h);
    release_bitmap(back_buffer);
    vsync();
    blit(back_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);

    if (visit->click_delay > 0)
        visit->click_delay--;

    // Latch the menu keys for the next frame; of several, the last in this order wins.
    visit->pending_key = 0;
    if (key[KEY_1])
        visit->pending_key = KEY_1;
    if (key[KEY_2])
        visit->pending_key = KEY_2;
    if (key[KEY_3])
        visit->pending_key = KEY_3;
    if (key[KEY_ENTER])
        visit->pending_key = KEY_ENTER;

    // A quit signal or a close request ends the program as Esc does.
    if (key[KEY_ESC] || quit_requested()) {
        visit->done = 1;
        visit->result = 1;
    }
    clear_keys();
}

int title_menu(void)
{
    MenuVisit visit;
    install_int_ex(retrace_keeper, RETRACE_KEEPER_PERIOD);
    menu_enter(&visit);
    while (!visit.done)
        menu_frame(&visit);
    remove_int(retrace_keeper);
    clear_keys();
    return visit.result;
}
