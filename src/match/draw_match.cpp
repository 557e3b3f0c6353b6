// Drawing of one match frame: the starfield, the scores and frame rate, the ball and
// the two paddles, copied whole to the screen on the vertical retrace.
#include "match/match.h"
#include "effects/effects.h"

#include <cstdio>

#define HUD_RED_R 255
#define HUD_RED_G 64
#define HUD_RED_B 64
#define HUD_TEXT_SIZE 32  // the longest line, "Ordinateur : -2147483648", fits

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

    // Formatted on the stack and drawn with textout_ex: the library's own printf-style text
    // calls allocate a buffer on every call, which a frame should not. The background is
    // the library's default text mode: opaque, colour 0 behind the glyphs.
    char text[HUD_TEXT_SIZE];
    snprintf(text, sizeof text, "Joueur 1 : %d", paddles[0].score);
    textout_ex(back_buffer, font, text, 5, 5, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode);
    snprintf(text, sizeof text, player_mode == 0 ? "Ordinateur : %d" : "Joueur 2 : %d",
             paddles[1].score);
    textout_ex(back_buffer, font, text, 5, 16, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode);
    snprintf(text, sizeof text, "FPS : %d", rate);
    textout_ex(back_buffer, font, text, 200, 5, makecol(HUD_RED_R, HUD_RED_G, HUD_RED_B), _textmode);

    draw_sprite(back_buffer, ball_bmp, (int)(ball.x - ball_bmp->w / 2), (int)(ball.y - ball_bmp->h / 2));
    draw_sprite(back_buffer, paddle_left_bmp, (int)paddles[0].x, (int)paddles[0].y);
    draw_sprite(back_buffer, paddle_right_bmp,
                (int)((SCREEN_W - paddle_right_bmp->w) - paddles[1].x), (int)paddles[1].y);

    release_bitmap(back_buffer);
    vsync();
    blit(back_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
}
