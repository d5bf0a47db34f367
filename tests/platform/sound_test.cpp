// The ALSA alarm player on ALSA's "null" PCM (it takes every sample and
// plays nothing): the generated alarm sound opens, plays to its end and
// closes; a missing or unreadable file and an unknown PCM say which failed
// and why, and ALSA prints nothing on standard error meanwhile.
#include "platform/sound/alarm_player.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sndfile.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::sound::CAlsaAlarmPlayer;
using platform::sound::EAlarmFailure;

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

// What standard error receives while `run` runs.
std::string StandardErrorOf(const std::function<void()>& run) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    const int saved = ::dup(2);
    ::dup2(::fileno(capture), 2);
    run();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string text;
    std::rewind(capture);
    for (int c; (c = std::fgetc(capture)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(capture);
    return text;
}

TEST(AlsaAlarmPlayer, FailuresSayWhatFailedAndWhyAndAlsaKeepsQuiet) {
    test_support::CTempDir folder{"sound-test"};
    const std::filesystem::path notSound = folder.path() / "Alarm.wav";
    std::ofstream(notSound) << "no sound in here";
    struct Case {
        const char* pcm;
        std::filesystem::path file;
        EAlarmFailure failure;
        std::vector<std::string> mentioned;
    };
    const Case cases[] = {
        {"null", "/nonexistent/Alarm.wav", EAlarmFailure::File, {"No such file"}},
        {"null", notSound, EAlarmFailure::File, {}},
        // ALSA's own line about it comes with the reason.
        {"no_such_pcm_here",
         ALARM_WAV_PATH,
         EAlarmFailure::Output,
         {"no_such_pcm_here: ", "(ALSA: ", "Unknown PCM no_such_pcm_here"}},
    };
    for (const Case& c : cases) {
        CAlsaAlarmPlayer player(c.pcm);
        bool opened = true;
        EXPECT_EQ(StandardErrorOf([&] { opened = player.Open(c.file); }), "") << c.file;
        EXPECT_FALSE(opened) << c.file;
        EXPECT_EQ(player.Failure(), c.failure) << c.file;
        EXPECT_FALSE(player.ErrorText().empty()) << c.file;
        for (const std::string& text : c.mentioned)
            EXPECT_NE(player.ErrorText().find(text), std::string::npos) << player.ErrorText();
        EXPECT_FALSE(player.Play());
        EXPECT_EQ(player.Failure(), EAlarmFailure::Play);
    }
}

} // namespace
