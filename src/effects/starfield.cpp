// The starfield behind the title screen and the match: 200 points that appear near the
// middle of the screen and stream outwards, brightening, as if the viewer flew through them.
#include "effects/effects.h"

#include <cstdlib>

#define STAR_NEAREST (-10)
#define STAR_FARTHEST (-100)

// Gives a star a random place in space, centred on the line of sight.
static void place_star(Star *s)
{
    s->x = rand() % (SCREEN_W / 2) - SCREEN_W / 4;
    s->y = rand() % (SCREEN_H / 2) - SCREEN_H / 4;
}

void init_stars(Star *stars)
{
    for (int i = 0; i < STAR_COUNT; i++) {
        place_star(&stars[i]);
        stars[i].z = rand() % 110 - 100;
    }
}

// Moves every star one step nearer, respawning those that come too close, and plots it
// into back_buffer in a grey that brightens as the star nears.
void draw_stars(Star *stars)
{
    for (int i = 0; i < STAR_COUNT; i++) {
        Star *s = &stars[i];
        s->z++;
        if (s->z > STAR_NEAREST) {
            place_star(s);
            s->z = STAR_FARTHEST;
        }
        s->sx = SCREEN_W / 2 + (100 * s->x) / s->z;
        s->sy = SCREEN_H / 2 + (100 * s->y) / s->z;
        int level = s->z + 192;
        putpixel(back_buffer, s->sx, s->sy, makecol(level, level, level));
    }
}
