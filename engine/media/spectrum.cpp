#include "media/spectrum.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <cmath>

namespace media {

std::array<float, SpectrumBins> spectrum(std::span<const float, SpectrumWindow> samples) {
    std::array<float, SpectrumBins> out{};
    AVTXContext* tx = nullptr;
    av_tx_fn transform = nullptr;
    const float scale = 1.0f;
    if (av_tx_init(&tx, &transform, AV_TX_FLOAT_RDFT, 0, int(SpectrumWindow), &scale, 0) < 0 || !tx)
        return out;
    // libavutil wants its own aligned buffers.
    auto* in = static_cast<float*>(av_malloc(SpectrumWindow * sizeof(float)));
    auto* bins = static_cast<AVComplexFloat*>(av_malloc((SpectrumBins + 1) * sizeof(AVComplexFloat)));
    if (in && bins) {
        std::copy(samples.begin(), samples.end(), in);
        transform(tx, bins, in, sizeof(float));
        for (size_t k = 0; k < SpectrumBins; ++k)
            out[k] = std::hypot(bins[k].re, bins[k].im) * 2.0f / float(SpectrumWindow);
    }
    av_free(in);
    av_free(bins);
    av_tx_uninit(&tx);
    return out;
}

}  // namespace media
