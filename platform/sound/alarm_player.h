#pragma once
// The alarm sound of the operator program: a sound file opened, played in
// the background, and closed again. The ALSA player reads the file with
// libsndfile and plays it on a PCM device named when it is made ("default"
// in the program; tests use ALSA's "null", which takes the samples and
// plays nothing).
//
// ALSA reports its own troubles as lines it would print on standard error
// (eight of them for each open of "default" without a sound card). The
// player takes them instead: those of an Open or Play become part of its
// ErrorText, those of the background playing go to the sink it was given.
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform::sound {

// What the last Open or Play failed on.
enum class EAlarmFailure {
    None,
    // The sound file could not be read.
    File,
    // The sound output could not be opened or set up.
    Output,
    // The output refused to play.
    Play,
};

class IAlarmPlayer {
public:
    virtual ~IAlarmPlayer() = default;
    // Reads the file and opens the output; false (Failure and ErrorText say
    // why) when either fails, and nothing stays open.
    virtual bool Open(const std::filesystem::path& file) = 0;
    // Starts playing what Open read and returns at once; false when nothing
    // is open or the output refuses.
    virtual bool Play() = 0;
    // Stops playing and closes the output; harmless when nothing is open.
    virtual void Close() = 0;
    virtual EAlarmFailure Failure() const = 0;
    // Why the last Open or Play failed: for the file, what the sound library
    // says of it (the caller knows its path); for the output, its name, the
    // reason and what ALSA reported meanwhile.
    virtual std::string ErrorText() const = 0;
};

class CAlsaAlarmPlayer final : public IAlarmPlayer {
public:
    // Takes ALSA's lines raised while the sound plays in the background.
    using MessageSink = std::function<void(const std::string& line)>;

    explicit CAlsaAlarmPlayer(std::string pcmName = "default", MessageSink playingMessages = {});
    ~CAlsaAlarmPlayer() override;
    CAlsaAlarmPlayer(const CAlsaAlarmPlayer&) = delete;
    CAlsaAlarmPlayer& operator=(const CAlsaAlarmPlayer&) = delete;

    bool Open(const std::filesystem::path& file) override;
    bool Play() override;
    void Close() override;
    EAlarmFailure Failure() const override { return m_failure; }
    std::string ErrorText() const override { return m_error; }

    // Frames written to the output by the last Play that has ended (for
    // tests: the whole file reached the PCM).
    long FramesPlayed() const { return m_framesPlayed.load(); }

private:
    bool Fail(EAlarmFailure failure, std::string text);
    void WriteSamples();

    std::string m_pcmName;
    MessageSink m_playingMessages;
    EAlarmFailure m_failure = EAlarmFailure::None;
    std::string m_error;
    void* m_pcm = nullptr;        // snd_pcm_t
    std::vector<short> m_samples; // interleaved
    int m_channels = 0;
    std::thread m_playing;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_framesPlayed{0};
};

} // namespace platform::sound
