// The game's data files, each named once. The game loads them by these
// names, the generator writes them under the same names, the build reads this
// file for the list of what the generator makes (one name per line in the
// form below), and the tests check every one. hiscore.txt is not among them:
// the game writes it.
#pragma once

// The full-screen pictures.
inline constexpr char DATA_BACKGROUND[] = "background.bmp";
inline constexpr char DATA_TITLE_SCREEN[] = "titlescreen.bmp";
inline constexpr char DATA_MAIN_MENU[] = "Mainmenu.bmp";
inline constexpr char DATA_CREDITS[] = "Credits.bmp";
inline constexpr char DATA_CONTROLS[] = "Controls.bmp";
inline constexpr char DATA_HISCORE_SCREEN[] = "HiScore.bmp";
inline constexpr char DATA_STORY_BACK[] = "storyback.bmp";
// The sprite sheets.
inline constexpr char DATA_TRUCK[] = "truck.bmp";
inline constexpr char DATA_CARS[] = "cars2.bmp";
inline constexpr char DATA_MONSTER[] = "monster.bmp";
// The sound effects and narrations, in the order the bank loads them.
inline constexpr char DATA_HORN[] = "horn.WAV";
inline constexpr char DATA_CAR[] = "car.WAV";
inline constexpr char DATA_EXPLOSION[] = "exp.WAV";
inline constexpr char DATA_TENFOUR[] = "tenfour.WAV";
inline constexpr char DATA_STORY1[] = "story1.WAV";
inline constexpr char DATA_MONSTER_ROAR[] = "monster.WAV";
inline constexpr char DATA_YEEHAW[] = "yeehaw.WAV";
inline constexpr char DATA_CANNON[] = "cannon.WAV";
inline constexpr char DATA_BRAKE[] = "brake.WAV";
inline constexpr char DATA_BEEP[] = "beep1.WAV";
inline constexpr char DATA_STORY2[] = "story2.WAV";
inline constexpr char DATA_STORY3[] = "story3.WAV";
inline constexpr char DATA_STORY4[] = "story4.WAV";
// The music: the nine radio stations, the battle, and a fight piece that is
// loaded like the others but never played.
inline constexpr char DATA_MUSIC_A[] = "A.MID";
inline constexpr char DATA_MUSIC_B[] = "B.MID";
inline constexpr char DATA_MUSIC_C[] = "C.MID";
inline constexpr char DATA_MUSIC_D[] = "D.MID";
inline constexpr char DATA_MUSIC_E[] = "E.MID";
inline constexpr char DATA_MUSIC_F[] = "F.MID";
inline constexpr char DATA_MUSIC_G[] = "G.MID";
inline constexpr char DATA_MUSIC_H[] = "H.MID";
inline constexpr char DATA_MUSIC_I[] = "I.MID";
inline constexpr char DATA_BATTLE_MUSIC[] = "Battle.MID";
inline constexpr char DATA_FIGHT_MUSIC[] = "monsterfight.MID";

// The pictures by kind (the sounds and the music are listed by the bank and
// the player that load them).
inline constexpr const char* DATA_SCREENS[] = {DATA_BACKGROUND, DATA_TITLE_SCREEN,   DATA_MAIN_MENU, DATA_CREDITS,
                                               DATA_CONTROLS,   DATA_HISCORE_SCREEN, DATA_STORY_BACK};
inline constexpr const char* DATA_SHEETS[] = {DATA_TRUCK, DATA_CARS, DATA_MONSTER};
