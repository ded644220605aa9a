#pragma once

#include <optional>

#include "CardUses.h"
#include "Catalogue.h"
#include "DlgMain.h"
#include "MapTrail.h"
#include "MountWatcher.h"
#include "PlaybackRules.h"
#include "SystemCheck.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class CDlgCopy;
class CDlgDisk;
class CPlaybackController;
enum class PlayerCommand;
class CPlayerEvidence;
class CPlayerTrip;
class CUserMessage;

// The main player window: the skin's controls, the start sequence, the routing of buttons, menu
// commands, keys and notifications into the playback controller and the window's own
// operations, the link between the list's rows and the catalogue, and the read-outs, which
// follow the controller's signals.
class CRX9VantoraPCPlayerDlg : public CDlgMain
{
    Q_OBJECT
public:
    // engineArguments follow the media engine's own start arguments (tests add
    // "--aout=dummy").
    explicit CRX9VantoraPCPlayerDlg(QWidget *parent = nullptr,
                                    const QStringList &engineArguments = {});
    ~CRX9VantoraPCPlayerDlg() override;

    // Computer check, engine, first card, card notice, maximised window, first row.
    void RunStartSequence();
    // A folder the start sequence opens in place of the first card (the command line's).
    void SetStartFolder(const QString &folder) { m_startFolder = folder; }
    // A recording of that folder (its clip or drive-data file) that opens first in place of
    // the first row.
    void SetStartClip(const QString &path) { m_startClip = path; }

    // Shows the performance advice when this computer is too small for Full HD clips.
    void CheckSystem();

    // Menu and system-menu commands (and any other source of command ids).
    void OnCommand(int commandId);
    // Runs what a button, a menu item or a key asks for.
    void Run(PlayerCommand command);
    void ShowAbout();

    // Where CheckSystem reads the computer and shows its advice (tests replace them).
    std::function<SystemInfo()> systemInfoSource;
    std::function<void(const QString &)> showAdvice;

    // Shows a message of the player (string id and its text) with one OK button and waits
    // for it to be closed. Default: the skinned message box. Tests record the messages.
    std::function<void(int stringId, const QString &text)> showMessage;
    // Asks a Yes / No question of the player; gives the answer (6 is Yes). Default: the
    // skinned message box. Tests answer it.
    std::function<int(const QString &text)> askQuestion;
    // Asks for a folder to open, starting at `initial`; nothing on cancel. Default: the
    // desktop's folder chooser. Tests answer it.
    std::function<std::optional<QString>(const QString &initial)> chooseFolder;
    // Sees each copy dialog with its files queued, before it runs. Tests hold its worker.
    std::function<void(CDlgCopy &dialog)> copyStarting;

    // The folder that stands for the desktop (captures go below it); empty: the user's
    // desktop.
    void SetDesktopPath(const QString &path) { m_desktopPath = path; }
    QString DesktopPath() const;

    // The engine, the open clip and the playback state.
    CPlaybackController &Playback() const { return *m_playback; }
    // The trip's route, route clicks, shock jumps and the GPX export.
    CPlayerTrip &Trip() const { return *m_trip; }
    CPlayerEvidence &Evidence() const { return *m_evidence; }
    CCatalogue &Catalogue() { return m_catalogue; }
    bool IsClipOpen() const override;

    // The right-click menu's items, each with the key that does the same, in the player's
    // colours.
    void FillPopupMenu(QMenu *popup);

    // The engine draws into the video window.
    virtual void AttachEngine();

    // Opens the recording at a row of the list (past the last row: stops the player).
    virtual void OpenRecordingAt(int row);
    void ClearPlayer();
    // Runs the card dialog (its Format button formats through it); the chosen card's root.
    std::optional<QString> ChooseCard(const QString &shown);

    // Follows the system's mounts from now on (the start sequence begins it): a card that comes
    // while none is loaded is loaded as at start, the loaded card's going clears the player, and
    // the card dialog shows the cards there are.
    void FollowMounts();
    bool IsFollowingMounts() const { return m_mountWatcher && m_mountWatcher->IsWatching(); }
    // Looks at the drives and the loaded card now and does what their change means.
    void CheckMounts();
    // The folder loaded now (a card or a folder chosen by the user), while there is one.
    const std::optional<LoadedCard> &LoadedFolder() const { return m_loadedCard; }
    // The work going on with the loaded card; each piece is told when the card goes.
    CCardUses &CardUses() { return m_cardUses; }

protected:
    bool event(QEvent *event) override;
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override;
    void FillSystemMenu(QMenu *menu) override;

    // Start-sequence steps.
    virtual void AutoLoadCard();
    virtual void ShowCardInfo();

private:
    friend class CPlayerEvidence;
    friend class CPlayerTrip;
    friend class CPlayerTimeline;
    void OnUserMessage(const CUserMessage &message);
    void SelectSpeedUnit(int controlId);
    void ShowPopupMenu();
    void OnSpeedChosen(const CUserMessage &message);

    // Operations of the buttons, menu and keys beyond the controller's.
    void PreviousRecording();
    void NextRecording();
    void AdjustPicture();
    void CaptureStill();
    void ShowSpeedList();
    void OpenCard();
    void OpenFolder();
    void OpenSelectedRow();
    // Copy, export and delete (PlayerCopyDelete.cpp).
    void DeleteSelected();
    void CopySelected();
    void ExportEvents();
    // The options dialog on the settings file of the current card or folder.
    void EditSettings();

    void setUpCatalogue();
    // Remembers the folder the catalogue has listed: the mounts are compared with it.
    void rememberLoadedFolder(const QString &root);
    // Lets the loaded card go: nothing plays or reads it any more, and the list, title,
    // read-outs, graph and map are clear.
    void forgetCard();
    // Whether a card coming now must wait to be loaded: work with a card or a dialog is going on.
    bool loadMustWait() const;
    // When the loaded card has gone (ahead of the watcher's report), lets it go now; true then.
    bool checkCardGone();
    void message(int stringId);
    void message(int stringId, const QString &text);

    // Pieces of copy, export and delete.
    int ask(const QString &text);
    void runCopy(CDlgCopy &dialog);

    // What the window shows of playback.
    void connectPlayback();
    void clearGraph();
    void resetReadouts();
    void setPositionReadout(qint64 timeMs);
    void setLengthReadout(qint64 timeMs);
    void showPlaying(bool playing);
    void showTime(qint64 timeMs);
    void showLength(qint64 lengthMs);
    void showSpeed();
    void clearTrail();
    // The last row to open again when PLAY is pressed after it ended.
    std::optional<int> replayRow() const;
    void failClip();

    std::unique_ptr<CPlaybackController> m_playback;
    CCatalogue m_catalogue;
    CLastFix m_lastFix;
    CMapTrail m_trail;
    int m_speedKmh = 0; // the speed of the second shown, before the unit
    QString m_desktopPath;
    QString m_sentLongitude;
    QString m_sentLatitude;
    CPlayerTrip *m_trip = nullptr;         // a child object
    CPlayerEvidence *m_evidence = nullptr; // a child object
    QString m_startFolder;
    QString m_startClip;

    // Following the mounts.
    CCardUses m_cardUses;
    CMountWatcher *m_mountWatcher = nullptr; // a child object
    DriveSnapshot m_drives;                  // as last looked at
    QStringList m_drivesToTry;               // came while a load had to wait
    QTimer m_mountRetry;                     // looks again while a load waits
    std::optional<LoadedCard> m_loadedCard;
    QPointer<CDlgDisk> m_cardDialog; // while the card dialog is open
};
