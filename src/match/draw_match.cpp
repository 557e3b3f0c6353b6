// Drawing of one match frame: the starfield, the scores and frame rate, the ball and
// the two paddles, copied whole to the screen on the vertical retrace.
#include "match/match.h"
#include "effects/effects.h"

#define HUD_RED_R 255
#define HUD_RED_G 64
#define HUD_RED_B 64

// Frames per second over the current measuring window; 0 before the clock has moved.
static int frame_rate(void)
{
    if (tick_count == fps_mark)
        return 0;
    return (frame_count * 1000) / (tick_count - fps_mark);
}

void draw_match(Star *stars, Ball ball, const Paddle *paddles)
{
    int rate = frame_rate();

    acquire_bitmap(back_buffer);
    clear_bitmap(back_buffer);
    draw_stars(stars);

    // The library's default text mode: opaque, colour 0 behind the glyphs.
    textprintf_ex(back_buffer, font, 5, 5, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode,
                  "Joueur 1 : %d", paddles[0].score);
    textprintf_ex(back_buffer, font, 5, 16, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode,
                  player_mode == 0 ? "Ordinateur : %d" : "Joueur 2 : %d", paddles[1].score);
    textprintf_ex(back_buffer, font, 200, 5, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode,
                  "FPS : %d", rate);

    draw_sprite(back_buffer, ball_bmp, (int)(ball.x - ball_bmp->w / 2), (int)(ball.y - ball_bmp->h / 2));
    draw_sprite(back_buffer, paddle_left_bmp, (int)paddles[0].x, (int)paddles[0].y);
    draw_sprite(back_buffer, paddle_right_bmp,
                (int)((SCREEN_W - paddle_right_bmp->w) - paddles[1].x), (int)paddles[1].y);

    release_bitmap(back_buffer);
    vsync();
    blit(back_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
}
