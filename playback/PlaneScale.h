#pragma once

#include <cstdint>
#include <vector>

// Sample positions for one axis of a bilinear scaling: for each target sample the first of the
// two neighbouring source samples and the weight of the second, in 1/`one` (0..one), sampling
// at pixel centres. The last target samples lean on the last two source samples.
struct CBilinearAxis
{
    std::vector<int> index;
    std::vector<int> weight;
};
CBilinearAxis MapBilinearAxis(int sourceLength, int targetLength, int one);

// Scales one 8-bit plane down with two-tap bilinear filtering: each target row blends two
// source rows, then each target sample blends two neighbours of that row. Made for pictures
// shrunk by at most half on each side (a video fitted into its view), where this is several
// times cheaper than a general scaler: the row blend is plain vector arithmetic, and the
// samples of eight target pixels always lie within sixteen source bytes, so one byte shuffle
// and one multiply-add make eight pixels.
//
// Weights have six bits. The vector path and the plain one give the same bytes.
class CPlaneScaler
{
public:
    enum class Kernel {
        Best,   // the vector path where the processor has it (SSSE3, rows by AVX2), else plain
        Narrow, // the vector path with 16-byte steps only (SSSE3), where the processor has it
        Plain,  // the plain path (also the reference the vector path is held to)
    };

    // Whether the sizes suit this scaler: both sides at least 2, at most the source's and at
    // least half of it.
    static bool Suits(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);
    // Whether Kernel::Best takes the vector path on this processor.
    static bool Accelerated();
    // Whether the vector path can take 32 bytes a step here (rows are blended that way).
    static bool Wide();

    explicit CPlaneScaler(Kernel kernel = Kernel::Best)
        : m_vector(kernel != Kernel::Plain && Accelerated())
        , m_wide(m_vector && kernel == Kernel::Best && Wide())
    {}

    // Sets up for the given sizes (kept when they are the ones set up already); false when they
    // do not suit.
    bool Prepare(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

    // Scales a plane of the prepared source size into one of the prepared target size. Reads
    // only the source's width in each row. Writes each target row up to the next multiple of
    // 8 samples, so targetPitch must have that room.
    void Scale(const std::uint8_t *source, int sourcePitch, std::uint8_t *target, int targetPitch);

    static constexpr int kOne = 64;  // weights are in 1/64
    static constexpr int kGroup = 8; // target samples made at once

    // Per group of eight target samples: where their source bytes start, which bytes pair
    // up for each sample, and the pairs' weights.
    struct Group
    {
        int start = 0;
        alignas(16) std::uint8_t pick[16] = {};
        alignas(16) std::int8_t weights[16] = {};
    };

private:
    void blendRows(const std::uint8_t *row0, const std::uint8_t *row1, int weight,
                   std::uint8_t *out) const;
    void scaleRow(const std::uint8_t *row, std::uint8_t *out) const;
    void prefetchRows(const std::uint8_t *source, int sourcePitch, int y) const;

    bool m_vector; // the vector path, not the plain one
    bool m_wide;   // ... with rows blended 32 bytes a step
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    int m_targetWidth = 0;
    int m_targetHeight = 0;
    CBilinearAxis m_rows;
    std::vector<Group> m_groups;
    std::vector<std::uint8_t> m_blended; // one blended source row, with room for the last group
};
