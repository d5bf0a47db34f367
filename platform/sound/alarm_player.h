#pragma once
// The alarm sound of the operator program: a sound file opened, played in
// the background, and closed again. The ALSA player reads the file with
// libsndfile and plays it on a PCM device named when it is made ("default"
// in the program; tests use ALSA's "null", which takes the samples and
// plays nothing).
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform::sound {

class IAlarmPlayer {
public:
    virtual ~IAlarmPlayer() = default;
    // Reads the file and opens the output; false (ErrorText says why) when
    // either fails, and nothing stays open.
    virtual bool Open(const std::filesystem::path& file) = 0;
    // Starts playing what Open read and returns at once; false when nothing
    // is open or the output refuses.
    virtual bool Play() = 0;
    // Stops playing and closes the output; harmless when nothing is open.
    virtual void Close() = 0;
    // Why the last Open or Play failed.
    virtual std::string ErrorText() const = 0;
};

class CAlsaAlarmPlayer final : public IAlarmPlayer {
public:
    explicit CAlsaAlarmPlayer(std::string pcmName = "default");
    ~CAlsaAlarmPlayer() override;
    CAlsaAlarmPlayer(const CAlsaAlarmPlayer&) = delete;
    CAlsaAlarmPlayer& operator=(const CAlsaAlarmPlayer&) = delete;

    bool Open(const std::filesystem::path& file) override;
    bool Play() override;
    void Close() override;
    std::string ErrorText() const override { return m_error; }

    // Frames written to the output by the last Play that has ended (for
    // tests: the whole file reached the PCM).
    long FramesPlayed() const { return m_framesPlayed.load(); }

private:
    void WriteSamples();

    std::string m_pcmName;
    std::string m_error;
    void* m_pcm = nullptr;        // snd_pcm_t
    std::vector<short> m_samples; // interleaved
    int m_channels = 0;
    std::thread m_playing;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_framesPlayed{0};
};

} // namespace platform::sound
