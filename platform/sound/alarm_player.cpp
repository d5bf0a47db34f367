#include "platform/sound/alarm_player.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <algorithm>

namespace platform::sound {

namespace {

snd_pcm_t* Pcm(void* pcm) {
    return static_cast<snd_pcm_t*>(pcm);
}

// How much sound the output may hold ahead of what is heard.
constexpr unsigned kLatencyMicroseconds = 200000;
constexpr snd_pcm_uframes_t kChunkFrames = 1024;

} // namespace

CAlsaAlarmPlayer::CAlsaAlarmPlayer(std::string pcmName) : m_pcmName(std::move(pcmName)) {}

CAlsaAlarmPlayer::~CAlsaAlarmPlayer() {
    Close();
}

bool CAlsaAlarmPlayer::Open(const std::filesystem::path& file) {
    Close();
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    if (sound == nullptr) {
        m_error = file.string() + ": " + sf_strerror(nullptr);
        return false;
    }
    std::vector<short> samples(static_cast<std::size_t>(info.frames) * info.channels);
    const sf_count_t read = sf_readf_short(sound, samples.data(), info.frames);
    sf_close(sound);
    samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(read, 0)) * info.channels);

    snd_pcm_t* pcm = nullptr;
    int result = snd_pcm_open(&pcm, m_pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (result < 0) {
        m_error = m_pcmName + ": " + snd_strerror(result);
        return false;
    }
    result = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED,
                                static_cast<unsigned>(info.channels),
                                static_cast<unsigned>(info.samplerate), 1, kLatencyMicroseconds);
    if (result < 0) {
        m_error = m_pcmName + ": " + snd_strerror(result);
        snd_pcm_close(pcm);
        return false;
    }
    m_pcm = pcm;
    m_samples = std::move(samples);
    m_channels = info.channels;
    m_error.clear();
    return true;
}

bool CAlsaAlarmPlayer::Play() {
    if (m_pcm == nullptr) {
        m_error = "no sound file is open";
        return false;
    }
    if (m_playing.joinable()) {
        m_stop = true;
        m_playing.join();
        snd_pcm_drop(Pcm(m_pcm));
    }
    const int result = snd_pcm_prepare(Pcm(m_pcm));
    if (result < 0) {
        m_error = m_pcmName + ": " + snd_strerror(result);
        return false;
    }
    m_stop = false;
    m_framesPlayed = 0;
    m_playing = std::thread([this] { WriteSamples(); });
    return true;
}

void CAlsaAlarmPlayer::WriteSamples() {
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
}

void CAlsaAlarmPlayer::Close() {
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
