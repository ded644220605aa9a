#pragma once

#include <QtGlobal>

#include <functional>

// Which positions of the map's trail join. The trail behind the marker may only link fixes that
// were driven one after the other: the next second (or the same one again) of the same clip,
// with a fix in every second between. Anything else (another clip, a seek, a second without a
// fix, the player cleared) starts a new trail, so no line is drawn between places the car did
// not drive between.
class CMapTrail
{
public:
    // Play-time reports can skip a second (a busy computer, a fast play speed); a skip this
    // small still joins.
    static constexpr int kMaxStepSeconds = 2;

    enum class Step {
        NoFix,    // nothing to draw: the map keeps its last position
        NewTrail, // the fix starts a trail of its own
        Joins,    // the fix continues the trail
    };

    // The player moved somewhere else than the next second (a seek, a clip opened or closed):
    // the next fix starts a new trail.
    void Jump() { m_joinable = false; }

    // A play-time report of `second` in the clip `clip` (any number telling clips apart, such as
    // the engine's open generation), and whether that second has a fix. `fixAt` tells whether a
    // second skipped since the last report had one; without it a skipped second counts as fixed.
    Step Report(quint64 clip, int second, bool fix,
                const std::function<bool(int second)> &fixAt = {});

private:
    bool m_seen = false;
    bool m_joinable = false; // the last report was a fix that the next one may join
    quint64 m_clip = 0;
    int m_second = 0;
};
