// The ALSA alarm player on ALSA's "null" PCM (it takes every sample and
// plays nothing): the generated alarm sound opens, plays to its end and
// closes; a missing file and an unknown PCM say why.
#include "platform/sound/alarm_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sndfile.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::sound::CAlsaAlarmPlayer;

long FramesOf(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr)
        return -1;
    sf_close(sound);
    return static_cast<long>(info.frames);
}

TEST(AlsaAlarmPlayer, PlaysTheAlarmSoundOnTheNullPcm) {
    const long frames = FramesOf(ALARM_WAV_PATH);
    ASSERT_GT(frames, 0) << "the generated " << ALARM_WAV_PATH;
    CAlsaAlarmPlayer player("null");
    ASSERT_TRUE(player.Open(ALARM_WAV_PATH)) << player.ErrorText();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(player.Play()) << player.ErrorText();
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (player.FramesPlayed() < frames && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        EXPECT_EQ(player.FramesPlayed(), frames) << "round " << round;
    }
    player.Close();
    player.Close();
    EXPECT_FALSE(player.Play());
    EXPECT_FALSE(player.ErrorText().empty());
}

TEST(AlsaAlarmPlayer, FailuresSayWhy) {
    struct Case {
        const char* pcm;
        std::filesystem::path file;
        const char* mentioned;
    };
    const Case cases[] = {
        {"null", "/nonexistent/Alarm.wav", "/nonexistent/Alarm.wav"},
        {"no_such_pcm_here", ALARM_WAV_PATH, "no_such_pcm_here"},
    };
    for (const Case& c : cases) {
        CAlsaAlarmPlayer player(c.pcm);
        EXPECT_FALSE(player.Open(c.file)) << c.mentioned;
        EXPECT_NE(player.ErrorText().find(c.mentioned), std::string::npos) << player.ErrorText();
        EXPECT_GT(player.ErrorText().size(), std::string(c.mentioned).size() + 2)
            << player.ErrorText();
        EXPECT_FALSE(player.Play());
    }
}

} // namespace
