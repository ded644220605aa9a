#pragma once

#include <QList>

#include <functional>
#include <utility>

// The work that is going on with the loaded card: a copy or an export reading from it, a dialog
// about to write to it. Each such piece of work holds a use for as long as it runs, with what
// to do when the card goes away; the window tells the uses when it finds the card gone. A use
// that is told stops its work at once and writes nothing more to the card: a copy ends with its
// files counted as not copied, a dialog closes without saving.
//
//     const CCardUses::CUse use = cardUses.Begin([&dialog] { dialog.CardLost(); });
//     dialog.exec();
class CCardUses
{
public:
    // One piece of work; it ends with the object.
    class CUse
    {
    public:
        CUse() = default;
        CUse(CUse &&other) noexcept
            : m_owner(std::exchange(other.m_owner, nullptr))
            , m_id(other.m_id)
        {}
        CUse &operator=(CUse &&other) noexcept;
        CUse(const CUse &) = delete;
        CUse &operator=(const CUse &) = delete;
        ~CUse();
        // Ends the use before the object goes.
        void End();

    private:
        friend class CCardUses;
        CUse(CCardUses *owner, int id)
            : m_owner(owner)
            , m_id(id)
        {}
        CCardUses *m_owner = nullptr;
        int m_id = 0;
    };

    CCardUses() = default;
    CCardUses(const CCardUses &) = delete;
    CCardUses &operator=(const CCardUses &) = delete;
    ~CCardUses();

    // Starts a use; `cardLost` runs (once, on this thread) when the card goes while it lasts.
    [[nodiscard]] CUse Begin(std::function<void()> cardLost);
    // Tells every use that lasts that the card is gone, in the order they began. A use that
    // ends meanwhile (one told closes another's dialog) is not told any more.
    void CardLost();
    // Whether any use lasts.
    bool InUse() const { return !m_uses.isEmpty(); }

private:
    struct Entry
    {
        int id;
        std::function<void()> cardLost;
    };
    void end(int id);

    QList<Entry> m_uses;
    int m_nextId = 1;
};
