// The transition between screens: the picture in back_buffer dissolves to black in 32
// blending steps, each shown on a vertical retrace.
#include "effects/effects.h"

#define FADE_ALPHA_STEP 8  // alpha rises by this much per step: 0, 8, ... 248

void fade_out(void)
{
    BITMAP *overlay = create_bitmap(SCREEN_W, SCREEN_H);
    if (overlay == NULL) {
        // Without an overlay there is nothing to blend towards: show the picture as it is.
        blit(back_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
        return;
    }
    // The picture fades towards black; a new bitmap's memory is otherwise undefined.
    clear_bitmap(overlay);

    install_int_ex(retrace_keeper, RETRACE_KEEPER_PERIOD);
    for (int alpha = 0; alpha <= 255; alpha += FADE_ALPHA_STEP) {
        set_trans_blender(0, 0, 0, alpha);
        draw_trans_sprite(back_buffer, overlay, 0, 0);
        vsync();
        blit(back_buffer, screen, 0, 0, 0, 0, SCREEN_W, SCREEN_H);
    }
    remove_int(retrace_keeper);

    destroy_bitmap(overlay);
}
