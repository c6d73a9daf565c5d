// Sounds and music: every file decodes with vorbisfile, with the expected format and a real
// signal; every name the game looks up is declared; play lists point at existing tracks.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include <vorbis/vorbisfile.h>

#include "data/GameFolder.h"

namespace
{

using namespace qvtest;

struct Decoded
{
    bool ok = false;
    long rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
};

Decoded Decode(const fs::path& path)
{
    Decoded d;
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0)
        return d;
    vorbis_info* info = ov_info(&file, -1);
    d.rate = info->rate;
    d.channels = info->channels;
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section)) > 0)
        for (long i = 0; i + 1 < got; i += 2)
        {
            int16_t v = static_cast<int16_t>(uint8_t(buffer[i]) | (uint8_t(buffer[i + 1]) << 8));
            d.samples.push_back(v / 32768.0f);
        }
    d.ok = got == 0;
    ov_clear(&file);
    return d;
}

TEST(Sounds, EveryOggDecodesWithTheExpectedFormatAndASignal)
{
    std::vector<ListLine> sounds = ReadList("sounds.list");
    int checked = 0;
    for (const ListLine& line : sounds)
    {
        if (line.words[0] == "playlist")
            continue;
        const std::string name = line.words[0];
        const bool music = line.words[1] == "music";
        SCOPED_TRACE(name);
        Decoded d = Decode(GameDir() / "audio" / (name + ".ogg"));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(d.rate, 44100);
        EXPECT_EQ(d.channels, music ? 2 : 1);
        ASSERT_FALSE(d.samples.empty());
        double sum = 0;
        float peak = 0;
        for (float s : d.samples)
        {
            sum += double(s) * s;
            peak = std::max(peak, std::fabs(s));
        }
        double rms = std::sqrt(sum / d.samples.size());
        EXPECT_GT(rms, 0.01) << "silent";
        EXPECT_GT(peak, 0.1);
        EXPECT_LT(peak, 1.0f) << "clipped";
        if (music)
        {
            EXPECT_GT(d.samples.size() / 2 / 44100.0, 20.0) << "music tracks should run for a while";
        }
        if (line.options.count("loop"))
        {
            // Seamless: the step from the last frame back to the first is no bigger than the
            // signal's ordinary steps.
            double step = 0;
            for (size_t i = d.channels; i < d.samples.size(); ++i)
                step += std::fabs(d.samples[i] - d.samples[i - d.channels]);
            step /= d.samples.size();
            float seam = std::fabs(d.samples.front() - d.samples[d.samples.size() - d.channels]);
            EXPECT_LT(seam, 6 * step + 0.02) << "audible click where the loop wraps";
        }
        ++checked;
    }
    EXPECT_GT(checked, 80);
}

TEST(Sounds, AudioFolderHoldsExactlyTheListedFiles)
{
    std::set<std::string> listed, present;
    for (const ListLine& line : ReadList("sounds.list"))
        if (line.words[0] != "playlist")
            listed.insert(line.words[0] + ".ogg");
    for (const auto& entry : fs::directory_iterator(GameDir() / "audio"))
        present.insert(entry.path().filename().string());
    EXPECT_EQ(listed, present);
}

TEST(Sounds, EverySoundAndPlayListTheGameLooksUpIsDeclared)
{
    const std::string declared = ArchiveText("soundtrack.xml");
    ASSERT_FALSE(declared.empty());
    const char* sounds[] = {"button_mouseover",
                            "button_click",
                            "tooltip",
                            "transition",
                            "menu_open",
                            "map_stock_alert",
                            "map_crew_alert",
                            "ocean",
                            "boat",
                            "boat_start",
                            "boat_stop",
                            "show_map",
                            "falsemove",
                            "character_select",
                            "game_break_charged",
                            "game_move_charged",
                            "game_time_charged",
                            "story_open",
                            "story_close",
                            "story_page",
                            "shop1bell",
                            "shop2bell",
                            "shop3bell",
                            "eol_triumph",
                            "artifact_cash",
                            "medal_cash",
                            "level_up",
                            "eol_countup",
                            "ho_penscratch_0",
                            "ho_penscratch_1",
                            "ho_penscratch_2",
                            "ho_penscratch_3",
                            "ho_triumph_bonus1",
                            "ho_triumph_bonus2",
                            "ho_triumph_bonus3",
                            "ho_fail_bonus1",
                            "ho_fail_bonus2",
                            "ho_fail_bonus3",
                            "ho_wrong",
                            "ho_right",
                            "levelstart",
                            "game_rotate_charging",
                            "game_rotation_hover",
                            "game_amulet_charged",
                            "gameover",
                            "tokenpop3_0",
                            "tokenpop4_0",
                            "tokenpop5_0",
                            "tokenpopvalue3_0",
                            "tokenpopvalue4_0",
                            "tokenpopvalue5_0",
                            "game_pre_pop",
                            "artifact_exit",
                            "interesthalo",
                            "freezewarning",
                            "rotateboard",
                            "rotateboardend",
                            "abilityrow",
                            "abilityswap",
                            "abilityo2",
                            "tilebreakchain",
                            "tilebreakice",
                            "medal_complete",
                            "medal_bronze",
                            "medal_silver",
                            "medal_gold",
                            "timerwarning",
                            "air_leak",
                            "medal_vanish",
                            "glass_slide",
                            "glass_slide_end",
                            "chest_full",
                            "chest_slam",
                            "scorechargeup",
                            "amulet_intro_1",
                            "amulet_intro_2",
                            "amulet_intro_3",
                            "ability_breaktile_metal",
                            "ability_breaktile_soft"};
    for (const char* name : sounds)
        EXPECT_NE(declared.find(std::string("<sound name=\"") + name + "\" path=\"audio:" + name + ".ogg\""),
                  std::string::npos)
            << name;
    // The shop declares these itself; the files must still exist, as must the ones played by path.
    for (const char* file : {"buysound", "nobuysound", "inventory_equip", "music_main"})
    {
        EXPECT_TRUE(fs::exists(GameDir() / "audio" / (std::string(file) + ".ogg"))) << file;
        EXPECT_EQ(declared.find(std::string("name=\"") + file + "\""), std::string::npos) << file;
    }
    // Sounds the code loops must be declared looping.
    for (const char* name : {"ocean", "boat", "freezewarning", "rotateboard", "glass_slide", "air_leak",
                             "eol_countup", "game_rotate_charging"})
        EXPECT_NE(declared.find(std::string("<sound name=\"") + name + "\" path=\"audio:" + name +
                                ".ogg\" looping=\"true\""),
                  std::string::npos)
            << name;
    // Pop variants are found by counting up from 0: no gaps.
    for (const char* family :
         {"tokenpop3_", "tokenpop4_", "tokenpop5_", "tokenpopvalue3_", "tokenpopvalue4_", "tokenpopvalue5_"})
    {
        int count = 0;
        while (declared.find("name=\"" + std::string(family) + std::to_string(count) + "\"") !=
               std::string::npos)
            ++count;
        EXPECT_GE(count, 1) << family;
        EXPECT_LE(count, 5) << family;
        EXPECT_EQ(declared.find("name=\"" + std::string(family) + std::to_string(count + 1) + "\""),
                  std::string::npos)
            << family << " has a gap";
    }
    for (const char* list : {"sand_tracks", "coral_tracks", "shipwreck_tracks", "volcano_tracks",
                             "deepwater_tracks", "sunkencity_tracks", "shop1", "shop2", "shop3", "bonus1",
                             "bonus2", "bonus3", "story_lowkey", "theme"})
        EXPECT_NE(declared.find(std::string("<playlist name=\"") + list + "\">"), std::string::npos) << list;
    // Every track of every play list exists.
    size_t at = 0;
    int tracks = 0;
    while ((at = declared.find("<playlisttrack property=\"track\" path=\"audio:", at)) != std::string::npos)
    {
        at += std::strlen("<playlisttrack property=\"track\" path=\"audio:");
        std::string file = declared.substr(at, declared.find('"', at) - at);
        EXPECT_TRUE(fs::exists(GameDir() / "audio" / file)) << file;
        ++tracks;
    }
    EXPECT_GT(tracks, 14);
}

} // namespace
