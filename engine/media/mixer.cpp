// Mixing voices with levels, saturation and the voice limit.
#include "media/mixer.h"

#include <algorithm>
#include <cmath>

namespace media {

SoundTransform SoundTransform::fromPan(double pan, double volume) {
    pan = std::clamp(pan, -100.0, 100.0);
    SoundTransform t;
    t.volume = volume;
    t.ll = pan > 0 ? 100 - pan : 100;
    t.rr = pan < 0 ? 100 + pan : 100;
    return t;
}

SoundTransform chained(const SoundTransform& outer, const SoundTransform& inner) {
    SoundTransform t;
    t.ll = (outer.ll * inner.ll + outer.rl * inner.lr) / 100.0;
    t.rl = (outer.ll * inner.rl + outer.rl * inner.rr) / 100.0;
    t.lr = (outer.lr * inner.ll + outer.rr * inner.lr) / 100.0;
    t.rr = (outer.lr * inner.rl + outer.rr * inner.rr) / 100.0;
    t.volume = outer.volume * inner.volume / 100.0;
    return t;
}

double SoundTransform::pan() const { return std::abs(rr) - std::abs(ll); }

VoiceId Mixer::play(std::unique_ptr<SoundSource> source, const VoiceOptions& options) {
    if (!source)
        return 0;
    if (m_voices.size() >= MaxVoices) {
        m_voices.erase(m_voices.begin(), m_voices.begin() + ptrdiff_t(m_voices.size() - MaxVoices + 1));
        dropGoneOwners();
    }
    VoiceId id = m_nextId++;
    m_voices.push_back({id, options.tag, options.owner, options.transform, std::move(source), {}});
    return id;
}

template <typename Pred>
void Mixer::removeIf(Pred pred) {
    std::erase_if(m_voices, pred);
    dropGoneOwners();
}

void Mixer::dropGoneOwners() {
    for (auto it = m_goneOwners.begin(); it != m_goneOwners.end();) {
        const uint64_t owner = *it;
        if (std::any_of(m_voices.begin(), m_voices.end(), [owner](const Voice& v) { return v.owner == owner; })) {
            ++it;
            continue;
        }
        m_owners.erase(owner);
        it = m_goneOwners.erase(it);
    }
}

void Mixer::stop(VoiceId id) {
    removeIf([id](const Voice& v) { return v.id == id; });
}

void Mixer::stopTag(uint32_t tag) {
    removeIf([tag](const Voice& v) { return v.tag == tag; });
}

void Mixer::stopOwner(uint64_t owner) {
    removeIf([owner](const Voice& v) { return v.owner == owner; });
}

void Mixer::stopAll() {
    m_voices.clear();
    dropGoneOwners();
}

bool Mixer::playing(VoiceId id) const { return source(id) != nullptr; }

size_t Mixer::countTag(uint32_t tag) const {
    return size_t(std::count_if(m_voices.begin(), m_voices.end(), [tag](const Voice& v) { return v.tag == tag; }));
}

SoundSource* Mixer::source(VoiceId id) const {
    for (const Voice& v : m_voices) {
        if (v.id == id)
            return v.source.get();
    }
    return nullptr;
}

std::pair<float, float> Mixer::peaks(VoiceId id) const {
    for (const Voice& v : m_voices) {
        if (v.id == id)
            return v.peaks;
    }
    return {0.0f, 0.0f};
}

void Mixer::setTransform(VoiceId id, const SoundTransform& t) {
    for (Voice& v : m_voices) {
        if (v.id == id)
            v.transform = t;
    }
}

void Mixer::setOwnerTransform(uint64_t owner, const SoundTransform& t) { m_owners[owner] = t; }

void Mixer::setEnclosingTransform(uint64_t owner, const SoundTransform& t) {
    const SoundTransform identity;
    if (t.ll == identity.ll && t.lr == identity.lr && t.rl == identity.rl && t.rr == identity.rr &&
        t.volume == identity.volume)
        m_enclosing.erase(owner);
    else
        m_enclosing[owner] = t;
}

bool Mixer::ownerPlaying(uint64_t owner) const {
    return std::any_of(m_voices.begin(), m_voices.end(), [owner](const Voice& v) { return v.owner == owner; });
}

void Mixer::forgetOwner(uint64_t owner) {
    m_goneOwners.insert(owner);
    dropGoneOwners();
}

SoundTransform Mixer::ownerTransform(uint64_t owner) const {
    auto it = m_owners.find(owner);
    return it == m_owners.end() ? SoundTransform{} : it->second;
}

void Mixer::mix(std::span<int16_t> out) {
    size_t frames = out.size() / OutputChannels;
    if (m_voices.empty()) {
        // Most of a movie's time is silent: nothing to sum or clip.
        std::fill_n(out.begin(), frames * OutputChannels, int16_t(0));
        m_framesMixed += frames;
        return;
    }
    m_sum.assign(frames * OutputChannels, 0.0f);
    m_scratch.resize(frames * OutputChannels);
    bool ended = false;
    for (size_t i = 0; i < m_voices.size();) {
        Voice& v = m_voices[i];
        size_t made = v.source->read({m_scratch.data(), frames * OutputChannels});
        made = std::min(made, frames);
        // Voice, owner and global levels compose; a transform is a 2x2 matrix
        // scaled by its volume.
        SoundTransform o = ownerTransform(v.owner);
        if (const auto enclosing = m_enclosing.find(v.owner); enclosing != m_enclosing.end())
            o = chained(enclosing->second, o);
        if (v.owner != 0)
            o = chained(ownerTransform(0), o);
        const SoundTransform& t = v.transform;
        double k = t.volume / 100.0 * o.volume / 100.0 * m_volume / 100.0 / 10000.0;
        float ll = float((o.ll * t.ll + o.rl * t.lr) * k);  // left in -> left out
        float rl = float((o.ll * t.rl + o.rl * t.rr) * k);  // right in -> left out
        float lr = float((o.lr * t.ll + o.rr * t.lr) * k);  // left in -> right out
        float rr = float((o.lr * t.rl + o.rr * t.rr) * k);
        const int16_t* src = m_scratch.data();
        float* sum = m_sum.data();
        float peakLeft = 0;
        float peakRight = 0;
        for (size_t f = 0; f < made; ++f) {
            float l = src[2 * f];
            float r = src[2 * f + 1];
            const float left = l * ll + r * rl;
            const float right = l * lr + r * rr;
            sum[2 * f] += left;
            sum[2 * f + 1] += right;
            peakLeft = std::max(peakLeft, std::abs(left));
            peakRight = std::max(peakRight, std::abs(right));
        }
        v.peaks = {std::min(peakLeft / 32768.0f, 1.0f), std::min(peakRight / 32768.0f, 1.0f)};
        if (made < frames) {
            m_finished.push_back({v.id, v.tag, v.owner, m_framesMixed + made});
            m_voices.erase(m_voices.begin() + ptrdiff_t(i));
            ended = true;
            continue;
        }
        ++i;
    }
    for (size_t s = 0; s < frames * OutputChannels; ++s)
        out[s] = int16_t(std::lrint(std::clamp(m_sum[s], -32768.0f, 32767.0f)));
    m_framesMixed += frames;
    if (ended)
        dropGoneOwners();
}

std::vector<FinishedVoice> Mixer::takeFinished() {
    std::vector<FinishedVoice> done;
    done.swap(m_finished);
    return done;
}

}  // namespace media
