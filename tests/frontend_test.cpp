// The title screen and the pause box driven frame by frame through the library's key
// array and mouse globals: row cycling, the latched keys and their order, click gating,
// the hold rule of the button, the hit bounds, the hover frame, Esc and the quit signals,
// and the pause box's two buttons.
#include "test_support.h"

#include <csignal>

#include "frontend/frontend.h"

class MenuTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        menu_enter(&visit);
        point(0, 0, 0);
    }

    void point(int x, int y, int buttons)
    {
        mouse_x = x;
        mouse_y = y;
        mouse_b = buttons;
    }

    // One frame with the given key down while it runs (as the keyboard driver leaves it).
    void frame_with_key(int k)
    {
        key[k] = 1;
        menu_frame(&visit);
    }

    MenuVisit visit;
};

TEST_F(MenuTest, NumberKeysCycleTheirRowOneFrameLater)
{
    frame_with_key(KEY_2);
    EXPECT_EQ(difficulty, 0);
    EXPECT_EQ(visit.pending_key, KEY_2);
    EXPECT_FALSE(key[KEY_2]);
    menu_frame(&visit);
    EXPECT_EQ(difficulty, 1);

    const int expected[] = {2, 3, 0};
    for (int e : expected) {
        frame_with_key(KEY_2);
        menu_frame(&visit);
        EXPECT_EQ(difficulty, e);
    }
    frame_with_key(KEY_1);
    menu_frame(&visit);
    EXPECT_EQ(player_mode, 1);
    frame_with_key(KEY_1);
    menu_frame(&visit);
    EXPECT_EQ(player_mode, 0);
    frame_with_key(KEY_3);
    menu_frame(&visit);
    EXPECT_EQ(sound_on, 1);
    EXPECT_EQ(visit.done, 0);
}

TEST_F(MenuTest, OfKeysHeldTogetherTheLastOfOneTwoThreeEnterActs)
{
    key[KEY_1] = key[KEY_3] = 1;
    menu_frame(&visit);
    EXPECT_EQ(visit.pending_key, KEY_3);
    key[KEY_1] = key[KEY_2] = key[KEY_ENTER] = 1;
    menu_frame(&visit);  // the 3 acts here
    EXPECT_EQ(sound_on, 1);
    EXPECT_EQ(visit.pending_key, KEY_ENTER);
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 1);
    EXPECT_EQ(visit.result, 0);
    EXPECT_EQ(player_mode, 0);
    EXPECT_EQ(difficulty, 0);
}

// The changes a run of frames makes to the difficulty, 'x' for a frame that changed it.
static std::string difficulty_changes(MenuVisit *visit, int frames)
{
    std::string pattern;
    for (int i = 0; i < frames; i++) {
        const int before = difficulty;
        menu_frame(visit);
        pattern += difficulty != before ? 'x' : '.';
    }
    return pattern;
}

TEST_F(MenuTest, HeldClickStepsOnOnlyAfterHalfASecondThenEveryFourFrames)
{
    point(219, 286, 1);  // just inside "Facile"
    EXPECT_EQ(difficulty_changes(&visit, 44), "x" + std::string(34, '.') + "x...x...x");
    // Let go, the next press counts at once and waits again before it repeats.
    point(219, 286, 0);
    EXPECT_EQ(difficulty_changes(&visit, 3), "...");
    point(219, 286, 1);
    EXPECT_EQ(difficulty_changes(&visit, 36), "x" + std::string(34, '.') + "x");
}

TEST_F(MenuTest, EveryQuickClickCountsOnce)
{
    // Four clicks of 7 frames each (a tenth of a second), 10 frames apart.
    for (int click = 0; click < 4; click++) {
        point(219, 286, 1);
        EXPECT_EQ(difficulty_changes(&visit, 7), "x......") << click;
        point(219, 286, 0);
        difficulty_changes(&visit, 10);
    }
    EXPECT_EQ(difficulty, 0);  // round all four values
    // A two-valued row held for a click's length changes once, not there and back.
    point(219, 316, 1);  // inside "Non"
    for (int i = 0; i < 12; i++)
        menu_frame(&visit);
    EXPECT_EQ(sound_on, 1);
}

TEST_F(MenuTest, ButtonHeldFromElsewhereWaitsBeforeItSteps)
{
    point(600, 100, 1);  // pressed off every value, then dragged onto one
    menu_frame(&visit);
    point(219, 286, 1);
    EXPECT_EQ(difficulty_changes(&visit, 35), std::string(34, '.') + "x");
}

TEST_F(MenuTest, ValueHitTestExcludesAllFourBounds)
{
    const int w = text_length(font, "Facile"), h = text_height(font);
    const int outside[][2] = {{218, 288}, {218 + w, 288}, {220, 285}, {220, 285 + h}};
    // Each a new press: the button is let go for a frame in between.
    for (const auto &p : outside) {
        point(p[0], p[1], 1);
        menu_frame(&visit);
        EXPECT_EQ(difficulty, 0) << p[0] << "," << p[1];
        point(p[0], p[1], 0);
        menu_frame(&visit);
    }
    point(218 + w - 1, 285 + h - 1, 1);
    menu_frame(&visit);
    EXPECT_EQ(difficulty, 1);
}

TEST_F(MenuTest, KeysActDuringTheClickDelayButClicksDoNot)
{
    point(219, 256, 1);
    menu_frame(&visit);  // the click changes the players' row and sets the delay
    EXPECT_EQ(player_mode, 1);
    point(300, 390, 1);  // a click on "Jouer" in the following frames is ignored
    key[KEY_3] = 1;
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 0);
    menu_frame(&visit);  // the latched 3 still acts, and its change adds to the delay
    EXPECT_EQ(sound_on, 1);
    EXPECT_EQ(visit.done, 0);
    for (int i = 0; i < 5; i++)
        menu_frame(&visit);
    EXPECT_EQ(visit.done, 0);
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 1);
    EXPECT_EQ(visit.result, 0);
}

TEST_F(MenuTest, HoverFrameSurroundsTheButtonOnlyWithThePointerInside)
{
    const int red = makecol(255, 64, 64), orange = makecol(255, 155, 68);
    point(281, 384, 0);
    menu_frame(&visit);
    EXPECT_EQ(getpixel(back_buffer, 279, 382), red);
    EXPECT_EQ(getpixel(back_buffer, 361, 404), red);
    EXPECT_EQ(getpixel(back_buffer, 280, 390), orange);
    const int outline[][2] = {{280, 390}, {360, 390}, {300, 383}, {300, 403}};
    for (const auto &p : outline) {
        point(p[0], p[1], 1);
        menu_frame(&visit);
        EXPECT_NE(getpixel(back_buffer, 279, 382), red) << p[0] << "," << p[1];
        EXPECT_EQ(visit.done, 0) << p[0] << "," << p[1];
    }
}

TEST_F(MenuTest, EscEndsTheMenuInItsOwnFrameEvenWithPlay)
{
    point(300, 390, 1);
    key[KEY_ESC] = 1;
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 1);
    EXPECT_EQ(visit.result, 1);
    EXPECT_FALSE(key[KEY_ESC]);

    // A key still down when the screen opens counts: the keys are not cleared on entry.
    key[KEY_ESC] = 1;
    EXPECT_EQ(title_menu(), 1);
    EXPECT_FALSE(key[KEY_ESC]);
}

TEST_F(MenuTest, ScreenShowsTheRowsAndTheCreditLine)
{
    difficulty = 3;
    menu_frame(&visit);
    const struct { int x, y, colour; const char *text; } texts[] = {
        {55, 255, makecol(255, 155, 68), "Nombre de joueurs :"},
        {218, 255, makecol(255, 64, 64), "1 Joueur"},
        {55, 285, makecol(255, 155, 68), "Difficulte :"},
        {218, 285, makecol(255, 64, 64), "Imbattable"},
        {218, 315, makecol(255, 64, 64), "Non"},
        {2, 470, makecol(64, 64, 255), "By Talvrune - Version 1.4"},
        {300, 390, makecol(255, 155, 68), "Jouer"},
    };
    for (const auto &t : texts) {
        BITMAP *ref = reference_text(t.x, t.y, t.colour, t.text);
        EXPECT_TRUE(same_region(back_buffer, ref, t.x, t.y, text_length(font, t.text), 8)) << t.text;
        destroy_bitmap(ref);
    }
    EXPECT_TRUE(same_region(screen, back_buffer, 0, 0, SCREEN_W, SCREEN_H));
}

TEST_F(MenuTest, QuitSignalOrCloseRequestEndsTheMenuAsEscDoes)
{
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 0);
    quit_signal = SIGTERM;
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 1);
    EXPECT_EQ(visit.result, 1);

    quit_signal = 0;
    menu_enter(&visit);
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 0);
    close_requested = 1;
    menu_frame(&visit);
    EXPECT_EQ(visit.done, 1);
    EXPECT_EQ(visit.result, 1);
}

using PauseTest = GameTest;

TEST_F(PauseTest, ButtonsAnswerOnlyInsideTheirRegions)
{
    struct Case { int x, y, done, leave; } cases[] = {
        {1, 95, 1, 1},     {138, 116, 1, 1},  {145, 95, 1, 0}, {282, 116, 1, 0},
        {0, 100, 0, 0},    {139, 100, 0, 0},  {144, 100, 0, 0}, {70, 94, 0, 0},
        {70, 117, 0, 0},   {200, 94, 0, 0},
    };
    for (const auto &c : cases) {
        int done = 0, leave = 0;
        mouse_x = c.x;
        mouse_y = c.y;
        mouse_b = 1;
        pause_pass(&done, &leave);
        EXPECT_EQ(done, c.done) << c.x << "," << c.y;
        EXPECT_EQ(leave, c.leave) << c.x << "," << c.y;
    }
    int done = 0, leave = 0;
    mouse_x = 70;
    mouse_y = 100;
    mouse_b = 2;  // the right button does nothing
    pause_pass(&done, &leave);
    EXPECT_EQ(done, 0);
    // The picture is copied to the screen at (178, 181).
    EXPECT_EQ(getpixel(screen, 178, 181), makecol(40, 40, 40));
    EXPECT_EQ(getpixel(screen, 461, 298), makecol(40, 40, 40));
}

TEST_F(PauseTest, QuitSignalOrCloseRequestLeavesTheMatch)
{
    quit_signal = SIGINT;
    EXPECT_EQ(pause_dialog(), 1);
    quit_signal = 0;
    close_requested = 1;
    EXPECT_EQ(pause_dialog(), 1);
}

TEST_F(PauseTest, KeyStillDownFromOpeningTheBoxDoesNotCount)
{
    int done = 0, leave = 0;
    mouse_b = 0;
    key[KEY_ESC] = 1;
    key[KEY_ENTER] = 1;
    pause_pass(&done, &leave);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(leave, 0);
}
