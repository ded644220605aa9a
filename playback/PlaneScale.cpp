#include "PlaneScale.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RX9_PLANE_SCALE_SSSE3 1
#endif

CBilinearAxis MapBilinearAxis(int sourceLength, int targetLength, int one)
{
    CBilinearAxis map;
    if (sourceLength <= 0 || targetLength <= 0)
        return map;
    map.index.resize(std::size_t(targetLength));
    map.weight.resize(std::size_t(targetLength));
    // Position of target sample t in source samples, in 1/65536: (t + 0.5) * s / d - 0.5.
    const std::int64_t step = (std::int64_t(sourceLength) << 16) / targetLength;
    const std::int64_t start = step / 2 - (1 << 15);
    for (int t = 0; t < targetLength; ++t) {
        const std::int64_t pos = start + step * t;
        int i = 0;
        int w = 0;
        if (pos > 0) {
            i = int(pos >> 16);
            w = int(((pos & 0xffff) * one) >> 16);
        }
        if (i >= sourceLength - 1) {
            i = std::max(sourceLength - 2, 0);
            w = sourceLength > 1 ? one : 0;
        }
        map.index[std::size_t(t)] = i;
        map.weight[std::size_t(t)] = w;
    }
    return map;
}

namespace {

constexpr int kHalf = CPlaneScaler::kOne / 2;
constexpr int kShift = 6;
static_assert(CPlaneScaler::kOne == 1 << kShift);

inline std::uint8_t Blend(int a, int b, int weight)
{
    return std::uint8_t((a * (CPlaneScaler::kOne - weight) + b * weight + kHalf) >> kShift);
}

#ifdef RX9_PLANE_SCALE_SSSE3

__attribute__((target("ssse3"))) void BlendRowsSsse3(const std::uint8_t *row0,
                                                     const std::uint8_t *row1, int weight,
                                                     int count, std::uint8_t *out)
{
    // Byte pairs (row0, row1) times (1 - weight, weight), summed into 16 bits: no overflow,
    // as 255 * 64 fits.
    const __m128i weights = _mm_set1_epi16(short((weight << 8) | (CPlaneScaler::kOne - weight)));
    const __m128i half = _mm_set1_epi16(kHalf);
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row0 + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row1 + i));
        __m128i low = _mm_maddubs_epi16(_mm_unpacklo_epi8(a, b), weights);
        __m128i high = _mm_maddubs_epi16(_mm_unpackhi_epi8(a, b), weights);
        low = _mm_srli_epi16(_mm_add_epi16(low, half), kShift);
        high = _mm_srli_epi16(_mm_add_epi16(high, half), kShift);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(low, high));
    }
    for (; i < count; ++i)
        out[i] = Blend(row0[i], row1[i], weight);
}

// The same, 32 bytes a step. The unpacking and packing work within each 16-byte half, so the
// samples come out in their order without a permute.
__attribute__((target("avx2"))) void BlendRowsAvx2(const std::uint8_t *row0,
                                                   const std::uint8_t *row1, int weight, int count,
                                                   std::uint8_t *out)
{
    const __m256i weights = _mm256_set1_epi16(short((weight << 8) | (CPlaneScaler::kOne - weight)));
    const __m256i half = _mm256_set1_epi16(kHalf);
    int i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row0 + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row1 + i));
        __m256i low = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), weights);
        __m256i high = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), weights);
        low = _mm256_srli_epi16(_mm256_add_epi16(low, half), kShift);
        high = _mm256_srli_epi16(_mm256_add_epi16(high, half), kShift);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_packus_epi16(low, high));
    }
    if (i < count)
        BlendRowsSsse3(row0 + i, row1 + i, weight, count - i, out + i);
}

__attribute__((target("ssse3"))) void ScaleRowSsse3(const std::uint8_t *row,
                                                    const CPlaneScaler::Group *groups, int count,
                                                    std::uint8_t *out)
{
    const __m128i half = _mm_set1_epi16(kHalf);
    for (int g = 0; g < count; ++g, out += CPlaneScaler::kGroup) {
        const CPlaneScaler::Group &group = groups[g];
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + group.start));
        const __m128i pairs =
            _mm_shuffle_epi8(bytes, _mm_load_si128(reinterpret_cast<const __m128i *>(group.pick)));
        __m128i sums = _mm_maddubs_epi16(
            pairs, _mm_load_si128(reinterpret_cast<const __m128i *>(group.weights)));
        sums = _mm_srli_epi16(_mm_add_epi16(sums, half), kShift);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(sums, sums));
    }
}

#endif

} // namespace

bool CPlaneScaler::Suits(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
{
    const auto axis = [](int source, int target) {
        return target >= 2 && target <= source && 2 * std::int64_t(target) >= source;
    };
    return axis(sourceWidth, targetWidth) && axis(sourceHeight, targetHeight);
}

bool CPlaneScaler::Accelerated()
{
#ifdef RX9_PLANE_SCALE_SSSE3
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    return ssse3;
#else
    return false;
#endif
}

bool CPlaneScaler::Wide()
{
#ifdef RX9_PLANE_SCALE_SSSE3
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

bool CPlaneScaler::Prepare(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight)
{
    if (sourceWidth == m_sourceWidth && sourceHeight == m_sourceHeight &&
        targetWidth == m_targetWidth && targetHeight == m_targetHeight && !m_groups.empty())
        return true;
    m_groups.clear();
    m_sourceWidth = m_sourceHeight = m_targetWidth = m_targetHeight = 0;
    if (!Suits(sourceWidth, sourceHeight, targetWidth, targetHeight))
        return false;

    const CBilinearAxis columns = MapBilinearAxis(sourceWidth, targetWidth, kOne);
    std::vector<Group> groups(std::size_t((targetWidth + kGroup - 1) / kGroup));
    for (std::size_t g = 0; g < groups.size(); ++g) {
        Group &group = groups[g];
        const int first = int(g) * kGroup;
        group.start = columns.index[std::size_t(first)];
        for (int k = 0; k < kGroup; ++k) {
            // Past the last target sample the group repeats it (written into the row's padding).
            const auto t = std::size_t(std::min(first + k, targetWidth - 1));
            const int offset = columns.index[t] - group.start;
            if (offset < 0 || offset + 1 > 15)
                return false; // cannot happen when shrinking by at most half
            group.pick[2 * k] = std::uint8_t(offset);
            group.pick[2 * k + 1] = std::uint8_t(offset + 1);
            group.weights[2 * k] = std::int8_t(kOne - columns.weight[t]);
            group.weights[2 * k + 1] = std::int8_t(columns.weight[t]);
        }
    }
    m_groups = std::move(groups);
    m_rows = MapBilinearAxis(sourceHeight, targetHeight, kOne);
    // A group reads 16 bytes from its start, which is at most two before the row's end.
    m_blended.assign(std::size_t(sourceWidth) + 16, 0);
    m_sourceWidth = sourceWidth;
    m_sourceHeight = sourceHeight;
    m_targetWidth = targetWidth;
    m_targetHeight = targetHeight;
    return true;
}

void CPlaneScaler::blendRows(const std::uint8_t *row0, const std::uint8_t *row1, int weight,
                             std::uint8_t *out) const
{
    const int count = m_sourceWidth;
    if (weight == 0 || row0 == row1) {
        std::memcpy(out, row0, std::size_t(count));
        return;
    }
    if (weight == kOne) {
        std::memcpy(out, row1, std::size_t(count));
        return;
    }
#ifdef RX9_PLANE_SCALE_SSSE3
    if (m_wide) {
        BlendRowsAvx2(row0, row1, weight, count, out);
        return;
    }
    if (m_vector) {
        BlendRowsSsse3(row0, row1, weight, count, out);
        return;
    }
#endif
    for (int i = 0; i < count; ++i)
        out[i] = Blend(row0[i], row1[i], weight);
}

void CPlaneScaler::scaleRow(const std::uint8_t *row, std::uint8_t *out) const
{
#ifdef RX9_PLANE_SCALE_SSSE3
    if (m_vector) {
        ScaleRowSsse3(row, m_groups.data(), int(m_groups.size()), out);
        return;
    }
#endif
    for (const Group &group : m_groups) {
        const std::uint8_t *from = row + group.start;
        for (int k = 0; k < kGroup; ++k) {
            const int a = from[group.pick[2 * k]];
            const int b = from[group.pick[2 * k + 1]];
            const int weight = group.weights[2 * k + 1];
            *out++ = Blend(a, b, weight);
        }
    }
}

void CPlaneScaler::Scale(const std::uint8_t *source, int sourcePitch, std::uint8_t *target,
                         int targetPitch)
{
    if (m_groups.empty() || !source || !target)
        return;
    std::uint8_t *blended = m_blended.data();
    for (int y = 0; y < m_targetHeight; ++y) {
        const auto row = std::size_t(y);
        const std::uint8_t *row0 = source + std::ptrdiff_t(m_rows.index[row]) * sourcePitch;
        const std::uint8_t *row1 = m_sourceHeight > 1 ? row0 + sourcePitch : row0;
        blendRows(row0, row1, m_rows.weight[row], blended);
        if (y + 1 < m_targetHeight)
            prefetchRows(source, sourcePitch, y + 1);
        scaleRow(blended, target + std::ptrdiff_t(y) * targetPitch);
    }
}

void CPlaneScaler::prefetchRows(const std::uint8_t *source, int sourcePitch, int y) const
{
    // The picture usually comes from another core's cache or from memory: asking for the next
    // target row's source rows while this row is scaled hides most of the wait for them.
    const int first = m_rows.index[std::size_t(y)];
    const int last = std::min(first + 1, m_sourceHeight - 1);
    for (int r = first; r <= last; ++r) {
        const std::uint8_t *line = source + std::ptrdiff_t(r) * sourcePitch;
        for (int x = 0; x < m_sourceWidth; x += 64)
            __builtin_prefetch(line + x);
    }
}
