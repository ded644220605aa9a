#include "AboutDlg.h"

#include "PlayerInfo.h"
#include "SkinImages.h"
#include "StringTable.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    // The about item's text without its mnemonic and ellipsis: "... 정보(&A)..." -> "... 정보".
    QString title = LoadResString(101);
    title.remove(QRegularExpression(QStringLiteral("\\(&.\\)|\\.\\.\\.$|&")));
    setWindowTitle(title.trimmed());
    auto *grid = new QGridLayout(this);

    auto *icon = new QLabel(this);
    QIcon appIcon = parent ? parent->windowIcon() : QIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(appIcon.pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Icon"));
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);

    auto *first = new QLabel(FirstLine(), this);
    auto *second = new QLabel(SecondLine(), this);
    grid->addWidget(first, 0, 1);
    grid->addWidget(second, 1, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    grid->addWidget(buttons, 2, 0, 1, 2);
}

QString CAboutDlg::FirstLine()
{
    return QStringLiteral("RX-9 Vantora PC Player, Version %1").arg(PlayerVersion());
}

QString CAboutDlg::SecondLine()
{
    return QStringLiteral("Player for the RX-9 dashboard camera's SD cards");
}
