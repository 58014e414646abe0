// The story pages: a title and a dozen lines of narration rolling up over
// the story image before each level and after the last, and the two ways
// out of them, the start of play and the finale.
#include <cstdio>

#include "audio/audio.h"
#include "display/display.h"
#include "frontend/frontend.h"
#include "hiscore/hiscore.h"
#include "platform/platform.h"
#include "play/play.h"

double story_scroll = 0.0;
int story_audio_started = 0;

// Texts keep their double spaces after full stops; the note lines of page 1
// begin with two spaces. Paragraphs are 50 pixels apart, lines 25.
// (Laid out by hand: a page reads as its lines stand on the screen.)
// clang-format off
constexpr StoryPage story_pages[STORY_PAGE_COUNT] = {
    // Page 0, before level 0.
    {&sfx_story1, 13, {
        {"The Devil Went Down to Georgia", 210, 400},
        {"The year is 2049.  Trouble once again hits the deep south and you", 100, 450},
        {"are called back into the fray.  The aliens have been gathering", 100, 475},
        {"together their resources in the good ole south.  What could be", 100, 500},
        {"their purpose?  Hopefully, time will unveil the truth.", 100, 525},
        {"You are currently in Tuscaloosa, Alabama watching the", 100, 575},
        {"Bama/Mississippi game, when suddenly you get a call on your", 100, 600},
        {"portable CB-2000 radio.  'Aliens are in Atlanta blocking traffic", 100, 625},
        {"to the city.  We need assistance!'", 100, 650},
        {"Damn!  Just when the game was getting good.  Too bad the cannon", 100, 700},
        {"on your truck ain't complete yet.  At least it's armored well", 100, 725},
        {"against any Greenies you might find along the way.", 100, 750},
        {"You pack up your gear and hit the road once again...", 100, 775},
    }},
    // Page 1, before level 1.
    {&sfx_story2, 13, {
        {"Momma, Don't Let Your Babies Grow Up To Be Aliens", 140, 400},
        {"Whew, that sure was an ugly alien.  All that ramming damaged", 100, 450},
        {"your chrome pretty good.  Looks like you'll be calling Uncle", 100, 475},
        {"Sam soon for a reinbursement.", 100, 500},
        {"After sifting through the slimy entrails of your defeated", 100, 550},
        {"foe, you find a piece of a note:", 100, 575},
        {"  ...we have secured Atlanta, bring in the Queen when...", 100, 600},
        {"  ...she is done with Little Rock.  Daia-Aoakeas...", 100, 625},
        {"  ...has Nashville by the throat.  She can go there first...", 100, 650},
        {"  ...victory is ours.", 100, 675},
        {"Looks like Nashville is next on your schedule!", 100, 725},
        {"You have heard horrifying tales of Daia-Aoakeas.  Fortunately,", 100, 750},
        {"the engineers at Georgia Tech fixed your 20mm cannon.", 100, 775},
    }},
    // Page 2, before level 2.
    {&sfx_story3, 14, {
        {"All My Aliens Live in Arkansas", 210, 400},
        {"Ha!  Daia-Aoakeas, what a joke!  That 20mm cannon sure did", 100, 450},
        {"the trick.  Now your task is to move on to Little Rock and", 100, 475},
        {"destroy the Queen.  Hopefully, you'll get back to good ole", 100, 500},
        {"Bama in time for the Auburn game.  To watch football or to", 100, 525},
        {"blast aliens; that's the question Quillamore forgot.", 100, 550},
        {"You stop and ponder why the aliens have decided to take over", 100, 600},
        {"the south.  Then you decide to stop pondering and get your", 100, 625},
        {"butt in gear.  This is no time for philosophical thought!", 100, 650},
        {"It could be for a number of reasons...", 100, 675},
        {"As dear ole momma used to say 'Life is like a box of aliens,,'", 100, 700},
        {"Er, you forget how the rest goes, but it made sense way back", 100, 725},
        {"when.  Again, this is no time to be intellectual--", 100, 750},
        {"It's time to kick some alien ***", 180, 800},
    }},
    // Page 3, the finale, after level 2 is won.
    {&sfx_story4, 13, {
        {"The End", 290, 400},
        {"Whew!  Time and time again you are called into duty and", 100, 450},
        {"you always seem to succeed.  Why is that?", 100, 475},
        {"Anyway, you have defeated the aliens and brought the", 100, 525},
        {"south back to its former glory.  There are a few", 100, 550},
        {"strange looking people still roaming the streets,", 100, 575},
        {"but your pretty sure they're not alien.  That doesn't matter", 100, 600},
        {"now.  What does matter, is there enough time to get back", 100, 625},
        {"to Tuscaloosa for the Auburn game?  But, that my friends is", 100, 650},
        {"another story.", 100, 675},
        {"The President calls you on your CB-2000 radio saying how", 100, 725},
        {"happy he is that you have saved the human race once again.", 100, 750},
        {"You don't have time to answer... you must hit the road.", 100, 775},
    }},
};
// clang-format on

namespace {

// The whole page must fit the text buffer with its terminator.
constexpr bool pages_fit_text_buffer()
{
    for (const StoryPage& page : story_pages) {
        for (int k = 0; k < page.line_count; ++k) {
            int length = 0;
            while (page.lines[k].text[length] != 0) {
                ++length;
            }
            if (length >= TEXT_BUFFER_SIZE) {
                return false;
            }
        }
    }
    return true;
}
static_assert(pages_fit_text_buffer());

// Space on pages 0 to 2: the level begins, with A.MID on the radio and the
// level clock running from now.
void play_start()
{
    radio_station = 0;
    story_scroll = 0.0;
    mus_play(music_tracks[0]);
    for (const StoryPage& page : story_pages) {
        snd_stop(*page.narration);
    }
    snd_play(sfx_car);
    game_mode = MODE_PLAY;
    story_audio_started = 0;
    clock_start = plat_get_tick_count();
}

// Space on the finale: wait for the key to be let go (a close request ends
// the wait), take the initials, and go back to the menu with a fresh game.
void finale_exit()
{
    for (;;) {
        if (plat_close_requested()) {
            break;
        }
        plat_wait_step();
        if (plat_close_requested() || !plat_key_down(gk::SPACE)) {
            break;
        }
    }
    hiscore_enter(score);
    snd_stop(sfx_story4);
    game_mode = MODE_MENU;
    play_new_game(LIVES_AFTER_FINALE);
    wreck_timer = 0;
}

}  // namespace

void story_rewind_narrations()
{
    for (const StoryPage& page : story_pages) {
        snd_rewind(*page.narration);
    }
}

int story_frame()
{
    gfx_fill_surface(back_buffer, 0);
    gfx_blit(story_surface, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, back_buffer, 0);

    int page_index = level_index;
    if (page_index < 0 || page_index >= STORY_PAGE_COUNT) {
        page_index = STORY_PAGE_COUNT - 1;  // never happens; keeps the lookup in bounds
    }
    const StoryPage& page = story_pages[page_index];
    if (!story_audio_started) {
        mus_play(music_tracks[2]);
        snd_play(*page.narration);
        story_audio_started = 1;
    }

    int rolled = static_cast<int>(story_scroll);  // toward zero
    for (int k = 0; k < page.line_count; ++k) {
        const StoryLine& line = page.lines[k];
        snprintf(text_buffer, sizeof text_buffer, "%s", line.text);
        gfx_draw_text(text_buffer, line.x, line.base_y - rolled, TEXT_COLOUR, back_buffer);
    }

    PlatDC* dc = plat_get_dc(back_buffer);
    if (!dc) {
        return 0;
    }
    // A black bottom row, drawn over the text.
    PlatPen* pen = plat_create_pen(1, plat_rgb(0, 0, 0));
    PlatPen* previous = plat_select_pen(dc, pen);
    plat_move_to(dc, 0, 479);
    plat_line_to(dc, SCREEN_WIDTH, SCREEN_HEIGHT - 1);
    plat_select_pen(dc, previous);
    plat_delete_pen(pen);
    plat_release_dc(back_buffer, dc);

    gfx_flip();

    // Repeated additions, not a multiple of a frame count: the rounding of
    // the sum decides on which frame each line moves up.
    if (story_scroll < 350.0) {
        story_scroll += 0.3;
    }

    if (plat_key_down(gk::SPACE) && level_index != 3) {
        play_start();
    } else if (plat_key_down(gk::SPACE) && level_index == 3) {
        finale_exit();
    }
    return 1;
}
