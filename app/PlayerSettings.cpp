// The main window's settings command: the options dialog on the card's settings file.

#include "RX9VantoraPCPlayerDlg.h"

#include "CameraSettings.h"
#include "DlgOption.h"

namespace {
constexpr int kSaveFailedMessage = 102;
} // namespace

void CRX9VantoraPCPlayerDlg::EditSettings()
{
    const QString root = m_catalogue.FolderPath();
    CDlgOption dialog(this);
    dialog.SetPath(root.isEmpty() ? QString() : CameraSettingsPath(root));
    const CCardUses::CUse use = m_cardUses.Begin([&dialog] { dialog.CardLost(); });
    if (dialog.exec() == CDlgOption::kNotSavedResult)
        message(kSaveFailedMessage);
}
