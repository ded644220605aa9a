#include "MapTrail.h"

CMapTrail::Step CMapTrail::Report(quint64 clip, int second, bool fix,
                                  const std::function<bool(int)> &fixAt)
{
    bool next =
        m_seen && clip == m_clip && second >= m_second && second - m_second <= kMaxStepSeconds;
    for (int skipped = m_second + 1; next && fixAt && skipped < second; ++skipped)
        next = fixAt(skipped);
    m_seen = true;
    m_clip = clip;
    m_second = second;
    if (!fix) {
        m_joinable = false; // a gap in the fixes
        return Step::NoFix;
    }
    const bool joins = next && m_joinable;
    m_joinable = true;
    return joins ? Step::Joins : Step::NewTrail;
}
