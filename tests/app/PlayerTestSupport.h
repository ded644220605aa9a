#pragma once

// What the main-window tests that play real clips share: a small demo card made once per test
// program by the demo-card tool, folders of chosen clips, and the player window with its
// messages recorded, its desktop in a temporary folder and the engine without a sound device.

#include "PlaybackController.h"
#include "RX9VantoraPCPlayerDlg.h"
#include "UserMessage.h"

#include <QStringList>
#include <QTemporaryDir>

#include <any>
#include <memory>

// The demo card: two clips of each kind, four seconds each, 640 x 360, with drive data and
// the settings file. Made on first use; empty folder when the tool failed (tests then fail
// with the reason).
struct DemoCard
{
    QString folder;    // ends in '/'
    QStringList clips; // clip file names in the list's order (by stem)
    QString error;
    bool ok() const { return error.isEmpty(); }
};
const DemoCard &SharedDemoCard();

// A new temporary folder holding copies of the demo card's clips at `indexes` (in the card's
// order), each with its drive-data file; the settings folder too when `withSettings`.
class CClipFolder
{
public:
    explicit CClipFolder(const QList<int> &indexes, bool withSettings = false);

    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Stem(int row) const;     // stem of the clip at a row of the list
    QString FileName(int row) const; // its file name
    // Adds a file under a recording's name that is not a video.
    void AddNotAvi(const QString &fileName);
    // Replaces a clip's drive data.
    bool WriteDriveData(int row, const QList<bool> &fixes, int speedKmh, double longitude,
                        double latitude);
    // Replaces a clip's drive data with a fix in each of `seconds` seconds that tells them
    // apart: at second s, about 10 * (s + 1) km/h (the file keeps knots) at longitude
    // 127 + s / 1000; one shock at three quarters of the clip.
    bool WriteDriveDataBySecond(int row, int seconds);
    bool ok() const { return m_ok; }

private:
    QTemporaryDir m_dir;
    QStringList m_names; // sorted by stem
    bool m_ok = true;
};

// The main window as the tests drive it.
class CTestPlayer : public CRX9VantoraPCPlayerDlg
{
public:
    struct Message
    {
        int id;
        QString text;
    };

    CTestPlayer();

    QList<Message> messages;
    QList<qint64> times; // every time notification handled
    QTemporaryDir desktop;

    QList<int> MessageIds() const;
    // Posts a notification to the window and handles it at once.
    void Post(int code, qint64 value, std::any record = {});
    void Press(int buttonId) { Post(1, buttonId); }
    // Loads a folder as the FOLDER button would, and waits until its first row plays (a time
    // notification of the open clip arrived).
    bool LoadAndPlay(const QString &folder);
    // Waits for a time notification handled after this call.
    bool WaitForTime(qint64 atLeastMs = 0);
    QString PositionText() const;
    QString LengthText() const;
};
