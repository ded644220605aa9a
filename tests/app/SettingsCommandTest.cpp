#include "DlgOption.h"
#include "DropList.h"
#include "PlayerTestSupport.h"
#include "SkinButton.h"
#include "SkinRadioButton.h"
#include "SliderOption.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr int kOptionButton = 1024;
constexpr int kSettingCommand = 32803;

// Runs `act` on the options dialog once the main window has opened it modally. Whatever
// happens, a dialog still open after the time-out is cancelled, so a failing test ends.
class DialogDriver : public QObject
{
public:
    explicit DialogDriver(std::function<void(CDlgOption &)> act)
        : m_act(std::move(act))
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
        m_clock.start();
    }
    bool Ran() const { return m_ran; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<CDlgOption *>(QApplication::activeModalWidget());
        if (dialog && !m_ran && dialog->isVisible()) {
            m_ran = true;
            m_act(*dialog);
        } else if (m_clock.elapsed() > 30000 && dialog) {
            dialog->done(CDlgOption::kCancelledResult);
        }
    }

    std::function<void(CDlgOption &)> m_act;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_ran = false;
};

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SettingsCommand, WithoutACardTheDialogRefusesToSaveAndSays102)
{
    CTestPlayer player;
    player.show();
    QString shownPath = QStringLiteral("unset");
    DialogDriver driver([&shownPath](CDlgOption &dialog) {
        shownPath = dialog.Path();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    player.Press(kOptionButton);
    EXPECT_TRUE(driver.Ran());
    EXPECT_TRUE(shownPath.isEmpty());
    EXPECT_EQ(player.MessageIds(), QList<int>{102});
    EXPECT_FALSE(QFile::exists(QStringLiteral("Setup/setup.bin")));

    // The menu's "Setting" opens the same dialog; Cancel says nothing.
    DialogDriver cancel([](CDlgOption &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    player.OnCommand(kSettingCommand);
    EXPECT_TRUE(cancel.Ran());
    EXPECT_EQ(player.MessageIds(), QList<int>{102});
}

TEST(SettingsCommand, EditingTheDemoCardWritesExactlyTheChosenBytes)
{
    CClipFolder card({0}, true);
    ASSERT_TRUE(card.ok()) << qPrintable(SharedDemoCard().error);
    const QString settings = card.Path() + QStringLiteral("Setup/setup.bin");
    {
        // Bytes after the record belong to the camera and must survive the save.
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray::fromHex("deadbeef00ff"));
    }
    const QByteArray before = ReadAll(settings);
    ASSERT_EQ(before.size(), 24);
    ASSERT_EQ(before.at(13), 1); // the demo card deletes by time order

    CTestPlayer player;
    player.show();
    ASSERT_TRUE(player.LoadAndPlay(card.Path()));
    player.messages.clear();

    DialogDriver driver([](CDlgOption &dialog) {
        QWidget *client = dialog.Client();
        QTest::mouseClick(client, Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
        // Deletion by file type: 40/30/30.
        QTest::mouseClick(dialog.Radio(1065), Qt::LeftButton, {}, QPoint(7, 7));
        QCoreApplication::processEvents();
        // The first knob from step 4 to step 3: 30/40/30.
        CSliderOption *slider = dialog.Slider();
        const int from = slider->Model().FirstKnobX() + 7;
        const int to = int(9 + 3 * slider->Model().StepWidth());
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(from, 12));
        QTest::mouseMove(slider, QPoint(to, 12));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(to, 12));
        QCoreApplication::processEvents();
        // The time zone one above the last: Petropavlovsk-Kamchatsky.
        CDropButton *zone = dialog.TimeZoneBox();
        QTest::mouseClick(zone, Qt::LeftButton);
        QTest::keyClick(zone->List(), Qt::Key_End);
        QTest::keyClick(zone->List(), Qt::Key_Up);
        QTest::keyClick(zone->List(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    });
    player.Press(kOptionButton);
    ASSERT_TRUE(driver.Ran());
    // Switching to file type from time order warns of nothing.
    EXPECT_TRUE(player.MessageIds().isEmpty());

    QByteArray expected = before;
    expected[3] = 89;  // time zone
    expected[13] = 0;  // deletion by file type
    expected[14] = 30; // normal
    expected[15] = 40; // event
    expected[16] = 30; // parking
    EXPECT_EQ(ReadAll(settings).toHex(), expected.toHex());
}

TEST(SettingsCommand, ASettingsFileThatIsALinkIsRefusedWith102AndNothingOutsideChanges)
{
    CClipFolder card({0}, true);
    ASSERT_TRUE(card.ok()) << qPrintable(SharedDemoCard().error);
    QTemporaryDir home;
    const QString outside = home.filePath(QStringLiteral("notes.txt"));
    const QByteArray mine(24, char(0xEE)); // no valid setting: a save would change every byte
    {
        QFile file(outside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(mine);
    }
    const QString settings = card.Path() + QStringLiteral("Setup/setup.bin");
    ASSERT_TRUE(QFile::remove(settings));
    ASSERT_TRUE(QFile::link(outside, settings));

    CTestPlayer player;
    player.show();
    ASSERT_TRUE(player.LoadAndPlay(card.Path()));
    player.messages.clear();
    DialogDriver driver(
        [](CDlgOption &dialog) { QTest::mouseClick(dialog.OkButton(), Qt::LeftButton); });
    player.Press(kOptionButton);
    ASSERT_TRUE(driver.Ran());
    EXPECT_EQ(player.MessageIds(), QList<int>{102});
    EXPECT_EQ(ReadAll(outside), mine);
    EXPECT_TRUE(QFileInfo(settings).isSymLink());
}
