#pragma once

#include "DlgFrame.h"

#include <QRect>

class CSkinButton;
class CSkinSlider;

// Whoever opens the adjustment dialog (the main window): it keeps brightness and contrast and
// applies each new value to the open clip at once.
class CPictureAdjustOwner
{
public:
    virtual ~CPictureAdjustOwner() = default;
    virtual void SetBrightness(float value) = 0;
    virtual void SetContrast(float value) = 0;
};

// The picture adjustment dialog: contrast and brightness as two sliders of seven steps whose
// changes reach the owner (and the playing video) while the knob moves. OK keeps them; Cancel,
// Escape and closing the window put back the steps the dialog was opened with.
class CDlgAdjustment : public CDlgFrame
{
    Q_OBJECT
public:
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kBrightnessId = 1030;
    static constexpr int kContrastId = 1031;
    static constexpr QSize kWindowSize{300, 190};

    explicit CDlgAdjustment(CPictureAdjustOwner *owner, QWidget *parent = nullptr);

    // The steps (0-6) of the values at opening; Cancel goes back to them.
    void SetSavedSteps(int contrastStep, int brightnessStep);
    int SavedContrastStep() const { return m_savedContrast; }
    int SavedBrightnessStep() const { return m_savedBrightness; }
    // Set while night vision is on: both knobs then start on step 3.
    void SetStartFlag(bool startAtNeutral);
    bool StartFlag() const { return m_startFlag; }

    CSkinSlider *BrightnessSlider() const { return m_brightness; }
    CSkinSlider *ContrastSlider() const { return m_contrast; }
    CSkinButton *OkButton() const { return m_ok; }
    CSkinButton *CancelButton() const { return m_cancel; }

    // Any ending but OK (Cancel, Escape, the window being closed) restores the saved steps
    // through the owner before the dialog ends.
    void done(int result) override;

    // The labels' font: Arial 15 pixels, normal weight.
    static QFont LabelFont();
    // The labels' rectangles, (10, 23)-(70, 38) and (10, 68)-(70, 83). A label longer than its
    // rectangle ("Brightness") runs on towards the slider rather than being cut short.
    static constexpr QRect kContrastLabel{10, 23, 60, 15};
    static constexpr QRect kBrightnessLabel{10, 68, 60, 15};

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void PaintClient(QPainter &painter, const QRect &clip) override;

private:
    void placeKnobs();

    CPictureAdjustOwner *m_owner;
    CSkinButton *m_ok = nullptr;
    CSkinButton *m_cancel = nullptr;
    CSkinSlider *m_brightness = nullptr;
    CSkinSlider *m_contrast = nullptr;
    bool m_startFlag = false;
    int m_savedContrast = 3;
    int m_savedBrightness = 3;
};

// Runs the dialog for the owner's current values: the saved steps come from `brightness` and
// `contrast`, and night vision puts both knobs on step 3. Returns 1 (OK) or 2 (cancelled).
int ShowAdjustment(CPictureAdjustOwner *owner, float brightness, float contrast, bool nightVision,
                   QWidget *parent = nullptr);
