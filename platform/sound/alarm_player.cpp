#include "platform/sound/alarm_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace platform::sound {

namespace {

snd_pcm_t* Pcm(void* pcm) {
    return static_cast<snd_pcm_t*>(pcm);
}

// How much sound the output may hold ahead of what is heard.
constexpr unsigned kLatencyMicroseconds = 200000;
constexpr snd_pcm_uframes_t kChunkFrames = 1024;
// An alarm is a short sound; a file claiming more is not read whole.
constexpr sf_count_t kMostSeconds = 60;

// The lines ALSA reports on this thread while one is collected; null
// otherwise, and then they are dropped.
thread_local std::vector<std::string>* t_alsaLines = nullptr;

void TakeAlsaLine(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    if (t_alsaLines == nullptr)
        return;
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    // As ALSA would have printed it.
    std::string taken = std::string(file != nullptr ? file : "?") + ":" + std::to_string(line) +
                        ":(" + (function != nullptr ? function : "?") + ") " + text;
    if (err != 0)
        taken += std::string(": ") + snd_strerror(err);
    t_alsaLines->push_back(std::move(taken));
}

// Collects ALSA's lines on this thread for its life. The handler is
// ALSA's one for the whole process, and ours from the first player on.
class CAlsaLines {
public:
    CAlsaLines() : m_outer(t_alsaLines) {
        static std::once_flag installed;
        std::call_once(installed, [] { snd_lib_error_set_handler(&TakeAlsaLine); });
        t_alsaLines = &m_lines;
    }
    ~CAlsaLines() { t_alsaLines = m_outer; }
    CAlsaLines(const CAlsaLines&) = delete;
    CAlsaLines& operator=(const CAlsaLines&) = delete;

    const std::vector<std::string>& Lines() const { return m_lines; }
    // "text (ALSA: line; line)", or the text alone without lines.
    std::string Explain(std::string text) const {
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            text += (i == 0 ? " (ALSA: " : "; ") + m_lines[i];
        return m_lines.empty() ? text : text + ")";
    }

private:
    std::vector<std::string>* m_outer;
    std::vector<std::string> m_lines;
};

} // namespace

CAlsaAlarmPlayer::CAlsaAlarmPlayer(std::string pcmName, MessageSink playingMessages)
    : m_pcmName(std::move(pcmName)), m_playingMessages(std::move(playingMessages)) {}

CAlsaAlarmPlayer::~CAlsaAlarmPlayer() {
    Close();
}

bool CAlsaAlarmPlayer::Fail(EAlarmFailure failure, std::string text) {
    m_failure = failure;
    m_error = std::move(text);
    return false;
}

bool CAlsaAlarmPlayer::Open(const std::filesystem::path& file) {
    Close();
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr)
        return Fail(EAlarmFailure::File, sf_strerror(nullptr));
    const sf_count_t frames = std::min<sf_count_t>(info.frames, kMostSeconds * info.samplerate);
    std::vector<short> samples(static_cast<std::size_t>(std::max<sf_count_t>(frames, 0)) *
                               static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_short(sound, samples.data(), frames);
    sf_close(sound);
    samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(read, 0)) *
                   static_cast<std::size_t>(info.channels));

    CAlsaLines alsa;
    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, m_pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (result < 0)
        return Fail(EAlarmFailure::Output, alsa.Explain(m_pcmName + ": " + snd_strerror(result)));
    result = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                                static_cast<unsigned>(info.channels),
                                static_cast<unsigned>(info.samplerate), 1, kLatencyMicroseconds);
    if (result < 0) {
        snd_pcm_close(pcm);
        return Fail(EAlarmFailure::Output, alsa.Explain(m_pcmName + ": " + snd_strerror(result)));
    }
    m_pcm = pcm;
    m_samples = std::move(samples);
    m_channels = info.channels;
    m_failure = EAlarmFailure::None;
    m_error.clear();
    return true;
}

bool CAlsaAlarmPlayer::Play() {
    if (m_pcm == nullptr)
        return Fail(EAlarmFailure::Play, "no sound file is open");
    CAlsaLines alsa;
    if (m_playing.joinable()) {
        m_stop = true;
        m_playing.join();
        snd_pcm_drop(Pcm(m_pcm));
    }
    const int result = snd_pcm_prepare(Pcm(m_pcm));
    if (result < 0)
        return Fail(EAlarmFailure::Play, alsa.Explain(m_pcmName + ": " + snd_strerror(result)));
    m_failure = EAlarmFailure::None;
    m_error.clear();
    m_stop = false;
    m_framesPlayed = 0;
    m_playing = std::thread([this] { WriteSamples(); });
    return true;
}

void CAlsaAlarmPlayer::WriteSamples() {
    CAlsaLines alsa;
    const auto frames = static_cast<snd_pcm_uframes_t>(m_samples.size() / m_channels);
    snd_pcm_uframes_t done = 0;
    while (done < frames && !m_stop) {
        const snd_pcm_uframes_t count = std::min(kChunkFrames, frames - done);
        snd_pcm_sframes_t written =
            snd_pcm_writei(Pcm(m_pcm), m_samples.data() + done * m_channels, count);
        if (written < 0)
            written = snd_pcm_recover(Pcm(m_pcm), static_cast<int>(written), 1);
        if (written < 0)
            break;
        done += static_cast<snd_pcm_uframes_t>(written);
        m_framesPlayed = static_cast<long>(done);
    }
    if (m_playingMessages)
        for (const std::string& line : alsa.Lines())
            m_playingMessages(line);
}

void CAlsaAlarmPlayer::Close() {
    // Nothing to report of a close, but nothing for standard error either.
    CAlsaLines alsa;
    m_stop = true;
    if (m_playing.joinable())
        m_playing.join();
    if (m_pcm != nullptr) {
        snd_pcm_drop(Pcm(m_pcm));
        snd_pcm_close(Pcm(m_pcm));
        m_pcm = nullptr;
    }
    m_samples.clear();
}

} // namespace platform::sound
