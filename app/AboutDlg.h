#pragma once

#include <QDialog>

// The about box: the player's icon, its name and version, and OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);

    // The two lines of text.
    static QString FirstLine();
    static QString SecondLine();
};
