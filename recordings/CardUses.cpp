#include "CardUses.h"

#include <algorithm>

CCardUses::CUse &CCardUses::CUse::operator=(CUse &&other) noexcept
{
    if (this != &other) {
        End();
        m_owner = std::exchange(other.m_owner, nullptr);
        m_id = other.m_id;
    }
    return *this;
}

CCardUses::CUse::~CUse()
{
    End();
}

void CCardUses::CUse::End()
{
    if (m_owner)
        std::exchange(m_owner, nullptr)->end(m_id);
}

CCardUses::~CCardUses() = default;

CCardUses::CUse CCardUses::Begin(std::function<void()> cardLost)
{
    const int id = m_nextId++;
    m_uses.append({id, std::move(cardLost)});
    return CUse(this, id);
}

void CCardUses::end(int id)
{
    m_uses.removeIf([id](const Entry &entry) { return entry.id == id; });
}

void CCardUses::CardLost()
{
    QList<int> ids;
    for (const Entry &entry : std::as_const(m_uses))
        ids.append(entry.id);
    for (int id : ids) {
        const auto it = std::find_if(m_uses.begin(), m_uses.end(),
                                     [id](const Entry &entry) { return entry.id == id; });
        if (it == m_uses.end() || !it->cardLost)
            continue;
        // Each use is told once; what it runs may end uses or begin new ones.
        const std::function<void()> tell = std::exchange(it->cardLost, nullptr);
        tell();
    }
}
