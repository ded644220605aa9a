#pragma once

#include <optional>

#include "Catalogue.h"
#include "DlgAdjustment.h"
#include "DlgMain.h"
#include "PlaybackRules.h"
#include "SystemCheck.h"

#include <QTimer>

#include <functional>
#include <memory>

class CDlgCopy;
class CPlayerTrip;
class CUserMessage;
class CVlcPlayer;

// The main player window: the start sequence, the routing of buttons, menu commands, keys and
// notifications to their operations, and (with the playback, catalogue and settings work) the
// operations themselves.
class CRX9VantoraPCPlayerDlg : public CDlgMain, public CPictureAdjustOwner
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

    // Shows the performance advice when this computer is too small for Full HD clips.
    void CheckSystem();

    // Menu and system-menu commands (and any other source of command ids).
    void OnCommand(int commandId);
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

    // The folder that stands for the desktop (captures go below it); empty: the user's
    // desktop.
    void SetDesktopPath(const QString &path) { m_desktopPath = path; }
    QString DesktopPath() const;

    CVlcPlayer &Engine() const { return *m_engine; }
    // The trip's route, route clicks, shock jumps and the GPX export.
    CPlayerTrip &Trip() const { return *m_trip; }
    CCatalogue &Catalogue() { return m_catalogue; }
    const CRotationControl &Rotation() const { return m_rotation; }
    bool IsClipOpen() const override;

    // The engine draws into the video window and notifies this window.
    virtual void AttachEngine();

    // Playback (clip opening, controls and still capture).
    virtual void OpenRecordingAt(int row);
    void ClearPlayer();
    // Runs the card dialog (its Format button formats through it); the chosen card's root.
    std::optional<QString> ChooseCard(const QString &shown);

    // Timers 0 (clip ready), 1 (deferred rotation) and 2 (rotation settle).
    QTimer &Timer(int id) { return m_timers[id]; }
    void OnTimer(int id);

    // The adjustment dialog's live changes: store the value and apply it to the open clip.
    void SetBrightness(float value) override;
    void SetContrast(float value) override;

    static constexpr int kAboutCommand = 16;
    static constexpr int kExitCommand = 32804;

protected:
    bool event(QEvent *event) override;
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers) override;
    void FillSystemMenu(QMenu *menu) override;

    void OnUserMessage(const CUserMessage &message);
    void DispatchButton(int controlId);
    void SelectSpeedUnit(int controlId);
    void ShowPopupMenu();

    // Start-sequence steps.
    virtual void AutoLoadCard();
    virtual void ShowCardInfo();

    // Operations of the buttons, menu and keys.
    virtual void PreviousRecording();
    virtual void NextRecording();
    virtual void StepBack();
    virtual void StepForward();
    virtual void ResumePlayback();
    virtual void PausePlayback();
    virtual void TogglePlayback();
    virtual void AdjustPicture();
    virtual void NightVisionOn();
    virtual void NightVisionOff();
    virtual void Rotate();
    virtual void CaptureStill();
    virtual void ShowSpeedList();
    virtual void SoundOn();
    virtual void SoundOff();
    virtual void ToggleSound();
    virtual void VolumeUp();
    virtual void VolumeDown();
    virtual void OpenCard();
    virtual void OpenFolder();
    // Copy, export and delete (PlayerCopyDelete.cpp).
    virtual void DeleteSelected();
    virtual void CopySelected();
    virtual void ExportEvents();
    // The options dialog on the settings file of the current card or folder.
    virtual void EditSettings();
    virtual void OpenSelectedRow();
    virtual void SelectRowAbove();
    virtual void SelectRowBelow();
    // Notifications.
    virtual void OnSpeedChosen(const CUserMessage &message);
    virtual void OnVolumeSlider(int volume);
    virtual void OnPlayTime(qint64 timeMs);
    virtual void CycleKindFilter();
    virtual void RelocateCurrent();
    virtual void SeekTo(qint64 timeMs);

private:
    friend class CPlayerTrip;
    void setUpCatalogue();
    void syncCatalogueState();
    void message(int stringId);
    void message(int stringId, const QString &text);

    // Pieces of copy, export and delete.
    int ask(const QString &text);
    void pauseForCopy();
    void runCopy(CDlgCopy &dialog);

    // Pieces of clip playback.
    void clearGraph();
    void resetReadouts();
    void setPositionReadout(qint64 timeMs);
    void setLengthReadout(qint64 timeMs);
    void showPlaying(bool playing);
    void stopAndClose();
    void failClip();
    void onClipReady();
    void applySound(const SoundView &view);
    void applySoundVolume(int volume);
    void applyPicture();
    void runRotation(const CRotationControl::Actions &actions);
    void showNightVision(bool on);

    std::unique_ptr<CVlcPlayer> m_engine;
    CCatalogue m_catalogue;
    CRotationControl m_rotation;
    CLastFix m_lastFix;
    QTimer m_timers[3];
    QString m_desktopPath;
    int m_shownGpsFix = 0;
    int m_shownSpeed = 0;
    SoundView m_soundView; // what the sound buttons show and the open clip hears
    QString m_sentLongitude;
    QString m_sentLatitude;
    CPlayerTrip *m_trip = nullptr; // a child object
    QString m_startFolder;
};
