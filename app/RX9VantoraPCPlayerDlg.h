#pragma once

#include "DlgMain.h"
#include "SystemCheck.h"

#include <functional>

class CUserMessage;

// The main player window: the start sequence, the routing of buttons, menu commands, keys and
// notifications to their operations, and (with the playback, catalogue and settings work) the
// operations themselves.
class CRX9VantoraPCPlayerDlg : public CDlgMain
{
    Q_OBJECT
public:
    explicit CRX9VantoraPCPlayerDlg(QWidget *parent = nullptr);
    ~CRX9VantoraPCPlayerDlg() override;

    // Computer check, engine, first card, card notice, maximised window, first row.
    void RunStartSequence();

    // Shows the performance advice when this computer is too small for Full HD clips.
    void CheckSystem();

    // Menu and system-menu commands (and any other source of command ids).
    void OnCommand(int commandId);
    void ShowAbout();

    // Where CheckSystem reads the computer and shows its advice (tests replace them).
    std::function<SystemInfo()> systemInfoSource;
    std::function<void(const QString &)> showAdvice;

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

    // Start-sequence steps that the engine, catalogue, settings and playback work fill in.
    virtual void AttachEngine() {}
    virtual void AutoLoadCard() {}
    virtual void ShowCardInfo() {}
    virtual void OpenRecordingAt(int row) { (void)row; }

    // Operations of the buttons, menu and keys, filled in by the playback, catalogue, copy
    // and settings work.
    virtual void PreviousRecording() {}
    virtual void NextRecording() {}
    virtual void StepBack() {}
    virtual void StepForward() {}
    virtual void ResumePlayback() {}
    virtual void PausePlayback() {}
    virtual void TogglePlayback() {}
    virtual void AdjustPicture() {}
    virtual void NightVisionOn() {}
    virtual void NightVisionOff() {}
    virtual void Rotate() {}
    virtual void CaptureStill() {}
    virtual void ShowSpeedList() {}
    virtual void SoundOn() {}
    virtual void SoundOff() {}
    virtual void ToggleSound() {}
    virtual void VolumeUp() {}
    virtual void VolumeDown() {}
    virtual void OpenCard() {}
    virtual void OpenFolder() {}
    virtual void DeleteSelected() {}
    virtual void CopySelected() {}
    virtual void ExportEvents() {}
    virtual void EditSettings() {}
    virtual void OpenSelectedRow() {}
    virtual void SelectRowAbove() {}
    virtual void SelectRowBelow() {}
    // Notifications that the playback, list and graph work handle.
    virtual void OnSpeedChosen(const CUserMessage &message) { (void)message; }
    virtual void OnVolumeSlider(int volume) { (void)volume; }
    virtual void OnPlayTime(qint64 timeMs) { (void)timeMs; }
    virtual void CycleKindFilter() {}
    virtual void RelocateCurrent() {}
    virtual void SeekTo(qint64 timeMs) { (void)timeMs; }
};
