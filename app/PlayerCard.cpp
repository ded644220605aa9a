// The main player window's side of the card dialog and the card format.

#include "RX9VantoraPCPlayerDlg.h"

#include "CardFormat.h"
#include "DlgDisk.h"
#include "DlgFormat.h"
#include "DlgMessage.h"
#include "PlayerTrip.h"

std::optional<QString> CRX9VantoraPCPlayerDlg::ChooseCard(const QString &shown)
{
    CDlgDisk dialog(this);
    m_cardDialog = &dialog;
    dialog.SetPath(shown);
    dialog.SetFormatHandler([this, &dialog](const QString &root, const auto &pin) {
        FormatEnvironment environment;
        environment.ops = SystemDeviceOps();
        environment.desktopPath = DesktopPath();
        environment.message = [&dialog](int type, const QString &text) {
            return ShowMessage(type, text, QString(), &dialog);
        };
        // Nothing may read the card once it is unmounted; the player lets it go before (the
        // card that comes back is a new one).
        environment.clearPlayer = [this] { forgetCard(); };
        environment.runRecovery = [&dialog](CZeroFill &fill, const std::function<int()> &open) {
            CDlgFormat progress(fill, open, &dialog);
            return progress.exec();
        };
        return FormatCard(root, pin, environment).root;
    });
    dialog.FillList();
    if (dialog.exec() != 1)
        return std::nullopt;
    return dialog.Path();
}
