#include "DlgOption.h"
#include "AccessibleControls.h"
#include "CircleChart.h"
#include "DropList.h"
#include "SkinButton.h"
#include "SkinRadioButton.h"
#include "SliderOption.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A settings file on a card folder of its own, and the options dialog over it, shown the way
// the main window runs it (the messages it would show are recorded instead).
class OptionDialog : public ::testing::Test
{
protected:
    QTemporaryDir card;
    QString path;
    std::unique_ptr<CDlgOption> dialog;
    QList<int> messages;

    void SetUp() override
    {
        ASSERT_TRUE(card.isValid());
        path = card.path() + QStringLiteral("/Setup/setup.bin");
    }

    void WriteFile(const QByteArray &bytes)
    {
        QDir().mkpath(card.path() + QStringLiteral("/Setup"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    void WriteRecord(const CameraSettings &record) { WriteFile(CameraSettingsToBytes(record)); }

    QByteArray FileBytes() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Open(const QString &settingsPath)
    {
        dialog = std::make_unique<CDlgOption>();
        dialog->showMessage = [this](int id) { messages.append(id); };
        dialog->SetPath(settingsPath);
        dialog->show();
        QCoreApplication::processEvents();
    }
    void Open() { Open(path); }

    // A real click on a radio mark (its page made current by a click on the tab first).
    void Click(int radioId)
    {
        CSkinRadioButton *radio = dialog->Radio(radioId);
        ASSERT_NE(radio, nullptr);
        const int page = radioId >= 1060 && radioId != 1063 && radioId != 1064 && radioId != 1066 &&
                                 radioId != 1067
                             ? 2
                         : (radioId >= 1051 && radioId <= 1059) || radioId == 1064 ? 1
                                                                                   : 0;
        QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(page).center());
        ASSERT_EQ(dialog->CurrentPage(), page);
        ASSERT_TRUE(radio->isVisible()) << radioId;
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(7, 7));
        QCoreApplication::processEvents();
    }

    bool Checked(int id) const { return dialog->Radio(id)->IsChecked(); }
    const CameraSettings &Record() const { return dialog->Rules().Record(); }
    QList<int> Ratios() const
    {
        return {Record().ratioNormal, Record().ratioEvent, Record().ratioParking};
    }
    QList<int> PercentValues() const
    {
        QList<int> values;
        for (const PercentLine &line : dialog->Rules().PercentLines())
            values.append(line.value);
        return values;
    }

    int Finish()
    {
        QCoreApplication::processEvents();
        EXPECT_FALSE(dialog->isVisible());
        return dialog->result();
    }
};

CameraSettings FileTypeRecord()
{
    CameraSettings r;
    r.fwMajor = 2;
    r.fwMinor = 7;
    r.timeZone = 33;
    r.reserved4 = 0xA5;
    r.driveShockSensitivity = 2;
    r.parkingMode = 2;
    r.parkShockSensitivity = 1;
    r.reserved10 = 0x5A;
    r.motionSensitivity = 1;
    r.shockAlarm = 1;
    r.deletionMethod = 0;
    r.ratioNormal = 40;
    r.ratioEvent = 30;
    r.ratioParking = 30;
    return r;
}

CameraSettings TimeOrderRecord()
{
    CameraSettings r = FileTypeRecord();
    r.deletionMethod = 1;
    r.ratioNormal = r.ratioEvent = r.ratioParking = 0;
    return r;
}

} // namespace

TEST_F(OptionDialog, RepairsOutOfRangeCodesAndWritesThemBack)
{
    CameraSettings r = FileTypeRecord();
    r.timeZone = 200;
    r.deletionMethod = 7;
    r.parkingMode = 9;
    r.quality = 5;
    r.frameRate = 3;
    r.driveShockSensitivity = 4;
    r.parkShockSensitivity = 3;
    r.brightness = 2;
    r.motionSensitivity = 3;
    r.shockAlarm = 2;
    r.speedDisplay = 2;
    WriteRecord(r);
    Open();
    EXPECT_TRUE(dialog->Rules().IsLoaded());
    EXPECT_EQ(dialog->TimeZoneBox()->text(), QStringLiteral("(GMT+09:00) Seoul"));
    EXPECT_EQ(dialog->TimeZoneBox()->CurrentPosition(), 76);
    EXPECT_TRUE(Checked(1062));
    EXPECT_FALSE(Checked(1065));
    EXPECT_TRUE(Checked(1064));
    EXPECT_TRUE(Checked(1052));
    EXPECT_TRUE(Checked(1039) && Checked(1042) && Checked(1048) && Checked(1055) && Checked(1044) &&
                Checked(1058) && Checked(1061) && Checked(1066));

    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(Finish(), CDlgOption::kSavedResult);
    const QByteArray expected = QByteArray::fromHex("0207"   // firmware, as read
                                                    "00"     // frame rate 3 -> 0
                                                    "4c"     // time zone 200 -> 76
                                                    "a5"     // reserved, as read
                                                    "02"     // shock sensing 4 -> Normal
                                                    "02"     // parking 9 -> 2
                                                    "00"     // quality 5 -> 0
                                                    "01"     // parking shock 3 -> 1
                                                    "00"     // brightness 2 -> 0
                                                    "5a"     // reserved, as read
                                                    "01"     // motion 3 -> 1
                                                    "01"     // alarm 2 -> 1
                                                    "01"     // deletion 7 -> time order
                                                    "281e1e" // ratios as read
                                                    "00");   // speed display 2 -> ON
    EXPECT_EQ(FileBytes().toHex(), expected.toHex());
    EXPECT_TRUE(messages.isEmpty()); // time order: no notice
}

TEST_F(OptionDialog, TimeZone91AndShortFile)
{
    CameraSettings r = TimeOrderRecord();
    r.timeZone = 91;
    WriteRecord(r);
    Open();
    EXPECT_EQ(dialog->TimeZoneBox()->text(), QStringLiteral("(GMT+09:00) Seoul"));
    dialog->Save();
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(FileBytes().at(3), 76);

    // Five bytes: the rest reads as zero and is repaired like any other code (0 is valid for
    // every field but the deletion method, which then means by file type).
    WriteFile(QByteArray::fromHex("0102030405"));
    Open();
    EXPECT_TRUE(dialog->Rules().IsLoaded());
    EXPECT_EQ(dialog->TimeZoneBox()->text(), TimeZoneTexts().at(4));
    dialog->Save();
    EXPECT_EQ(Finish(), 1);
    // Frame rate 3 is repaired to 0; time zone 4 and the reserved byte stay.
    EXPECT_EQ(FileBytes().toHex(), QByteArray("010200040500000000000000000000000000"));
}

TEST_F(OptionDialog, SaveWritesInPlaceKeepingTheRestOfTheFile)
{
    QByteArray bytes = CameraSettingsToBytes(FileTypeRecord());
    for (int i = 0; i < 14; ++i)
        bytes.append(char(0xE0 + i));
    WriteFile(bytes);
    Open();
    Click(1043); // 15 fps
    Click(1056); // parking shock Sensitive
    QTest::keyClick(dialog->Client(), Qt::Key_Space);
    EXPECT_EQ(Finish(), 1);
    QByteArray expected = bytes;
    expected[2] = 1;
    expected[8] = 2;
    EXPECT_EQ(FileBytes().toHex(), expected.toHex());
}

TEST_F(OptionDialog, CancelAndEscapeLeaveTheCardUntouched)
{
    WriteRecord(FileTypeRecord());
    const QByteArray before = FileBytes();
    Open();
    Click(1046);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(Finish(), CDlgOption::kCancelledResult);
    Open();
    Click(1041);
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(Finish(), CDlgOption::kCancelledResult);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionDialog, QualityPicksTheFastRateLabel)
{
    CameraSettings r = TimeOrderRecord();
    r.quality = 1;
    WriteRecord(r);
    Open();
    EXPECT_EQ(dialog->Radio(1042)->accessibleName(), QStringLiteral("30fps"));
    Click(1039);
    EXPECT_EQ(dialog->Radio(1042)->accessibleName(), QStringLiteral("24fps"));
    EXPECT_FALSE(Checked(1040));
    EXPECT_EQ(Record().quality, 0);
}

TEST_F(OptionDialog, AlarmFollowsShockSensing)
{
    WriteRecord(FileTypeRecord());
    Open();
    Click(1046); // shock sensing OFF: the alarm goes off with it
    EXPECT_TRUE(Checked(1060));
    EXPECT_FALSE(Checked(1061));
    EXPECT_EQ(Record().shockAlarm, 0);
    Click(1061);
    EXPECT_EQ(messages, QList<int>{506});
    EXPECT_FALSE(Checked(1061));
    EXPECT_EQ(Record().shockAlarm, 0);
    Click(1047); // Insensitive: the alarm may be switched on again
    Click(1061);
    EXPECT_EQ(messages, QList<int>{506});
    EXPECT_TRUE(Checked(1061));
    EXPECT_FALSE(Checked(1060));
    EXPECT_EQ(Record().shockAlarm, 1);
}

TEST_F(OptionDialog, KindsSwitchedOffAndOnResetTheRatios)
{
    WriteRecord(FileTypeRecord());
    Open();
    EXPECT_EQ(dialog->Chart()->EndAngles(), (QList<int>{144, 252, 360}));
    EXPECT_TRUE(dialog->Slider()->Model().IsDual());

    Click(1046); // shock sensing OFF, by file type: 50/0/50
    EXPECT_EQ(Ratios(), (QList<int>{50, 0, 50}));
    EXPECT_EQ(dialog->Chart()->EndAngles(), (QList<int>{180, 360}));
    EXPECT_FALSE(dialog->Slider()->Model().IsDual());
    EXPECT_EQ(dialog->Slider()->Model().FirstStep(), 5);
    EXPECT_EQ(PercentValues(), (QList<int>{50, 50}));

    Click(1048); // on again: 40/30/30
    EXPECT_EQ(Ratios(), (QList<int>{40, 30, 30}));
    EXPECT_EQ(Record().driveShockSensitivity, 2);
    EXPECT_EQ(dialog->Slider()->Model().SecondStep(), 7);
    EXPECT_EQ(PercentValues(), (QList<int>{40, 30, 30}));

    Click(1051); // parking OFF: 50/50/0, sub-modes hidden
    EXPECT_EQ(Ratios(), (QList<int>{50, 50, 0}));
    EXPECT_FALSE(dialog->Radio(1052)->isVisible());
    EXPECT_FALSE(dialog->Rules().ParkingDetail());
    EXPECT_EQ(Record().parkingMode, 0);

    Click(1064); // parking ON: 40/30/30, shock & motion
    EXPECT_EQ(Ratios(), (QList<int>{40, 30, 30}));
    EXPECT_EQ(Record().parkingMode, 2);
    EXPECT_TRUE(Checked(1052));
    EXPECT_TRUE(dialog->Radio(1052)->isVisible());
    Click(1053);
    EXPECT_EQ(Record().parkingMode, 1);
    EXPECT_FALSE(Checked(1052));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionDialog, BothKindsOffForceDeletionByTimeOrder)
{
    WriteRecord(FileTypeRecord());
    Open();
    Click(1046);
    Click(1051); // parking OFF while shock sensing is OFF
    EXPECT_EQ(Record().deletionMethod, 1);
    EXPECT_EQ(Ratios(), (QList<int>{0, 0, 0}));
    EXPECT_TRUE(Checked(1062));
    EXPECT_FALSE(Checked(1065));
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
    EXPECT_FALSE(dialog->Chart()->isVisible());
    EXPECT_TRUE(dialog->Rules().PercentLines().isEmpty());

    Click(1065); // refused
    EXPECT_EQ(messages, QList<int>{294});
    EXPECT_TRUE(Checked(1062));
    EXPECT_FALSE(Checked(1065));
    EXPECT_EQ(Record().deletionMethod, 1);
}

TEST_F(OptionDialog, FileTypeFromTimeOrderStartsAtFortyThirtyThirty)
{
    WriteRecord(TimeOrderRecord());
    Open();
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
    EXPECT_FALSE(dialog->Chart()->isVisible());
    Click(1065);
    EXPECT_EQ(Record().deletionMethod, 0);
    EXPECT_EQ(Ratios(), (QList<int>{40, 30, 30}));
    EXPECT_TRUE(dialog->Chart()->isVisible());
    EXPECT_EQ(dialog->Chart()->EndAngles(), (QList<int>{144, 252, 360}));
    EXPECT_EQ(dialog->Slider()->Model().FirstStep(), 4);
    EXPECT_EQ(dialog->Slider()->Model().SecondStep(), 7);
    const QList<PercentLine> lines = dialog->Rules().PercentLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], (PercentLine{295, 40, QColor(255, 0, 0)}));
    EXPECT_EQ(lines[1], (PercentLine{296, 30, QColor(0, 255, 0)}));
    EXPECT_EQ(lines[2], (PercentLine{297, 30, QColor(255, 255, 0)}));

    Click(1062); // back to time order: ratios cleared, chart hidden
    EXPECT_EQ(Ratios(), (QList<int>{0, 0, 0}));
    EXPECT_FALSE(dialog->Chart()->isVisible());

    // Only parking left: 50/0/50; only events left: 50/50/0.
    Click(1046);
    Click(1065);
    EXPECT_EQ(Ratios(), (QList<int>{50, 0, 50}));
    EXPECT_EQ(PercentValues(), (QList<int>{50, 50}));
    EXPECT_EQ(dialog->Rules().PercentLines()[1].stringId, 297);
}

TEST_F(OptionDialog, SliderSharesTheCardAndUpdatesTheTexts)
{
    WriteRecord(FileTypeRecord());
    Open();
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
    CSliderOption *slider = dialog->Slider();
    const auto &model = slider->Model();
    const int knobCentre = model.FirstKnobX() + 7;
    const int target = int(9 + 2 * model.StepWidth()); // step 2
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(knobCentre, 12));
    QTest::mouseMove(slider, QPoint(target, 12));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(target, 12));
    QCoreApplication::processEvents();
    EXPECT_EQ(model.FirstStep(), 2);
    EXPECT_EQ(Ratios(), (QList<int>{20, 50, 30}));
    EXPECT_EQ(PercentValues(), (QList<int>{20, 50, 30}));
    EXPECT_EQ(dialog->Chart()->EndAngles(), (QList<int>{72, 252, 360}));
    dialog->Save();
    EXPECT_EQ(messages, QList<int>{503});
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(FileBytes().mid(14, 3), QByteArray::fromHex("14321e"));
}

TEST_F(OptionDialog, SliderIsIgnoredWhileDeletingByTimeOrder)
{
    WriteRecord(TimeOrderRecord());
    Open();
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
    CSliderOption *slider = dialog->Slider();
    const int target = int(9 + 6 * slider->Model().StepWidth());
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(target, 12));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(target, 12));
    QCoreApplication::processEvents();
    EXPECT_EQ(slider->Model().FirstStep(), 6);  // the knob moves ...
    EXPECT_EQ(Ratios(), (QList<int>{0, 0, 0})); // ... the record does not
    dialog->Save();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(FileBytes(), CameraSettingsToBytes(TimeOrderRecord()));
}

TEST_F(OptionDialog, SaveNoticesInTheirOrder)
{
    // Shock sensing switched off: 505 (even though the ratios changed too).
    WriteRecord(FileTypeRecord());
    Open();
    Click(1046);
    dialog->Save();
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(messages, QList<int>{505});
    CameraSettings expected = FileTypeRecord();
    expected.driveShockSensitivity = 0;
    expected.shockAlarm = 0;
    expected.ratioNormal = 50;
    expected.ratioEvent = 0;
    expected.ratioParking = 50;
    EXPECT_EQ(FileBytes(), CameraSettingsToBytes(expected));

    // Parking switched off: 504.
    messages.clear();
    WriteRecord(FileTypeRecord());
    Open();
    Click(1051);
    dialog->Save();
    EXPECT_EQ(Finish(), 1);
    EXPECT_EQ(messages, QList<int>{504});

    // Time order on either side: no notice.
    messages.clear();
    WriteRecord(FileTypeRecord());
    Open();
    Click(1062);
    dialog->Save();
    EXPECT_EQ(Finish(), 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(OptionDialog, NothingLoadedMeansNothingSaved)
{
    // No card or folder: the defaults, and OK refuses to write.
    Open(QString());
    EXPECT_FALSE(dialog->Rules().IsLoaded());
    EXPECT_TRUE(Checked(1039) && Checked(1042) && Checked(1044) && Checked(1048) && Checked(1064) &&
                Checked(1052) && Checked(1055) && Checked(1058) && Checked(1060) && Checked(1062) &&
                Checked(1066));
    EXPECT_EQ(dialog->TimeZoneBox()->text(), QStringLiteral("(GMT+09:00) Seoul"));
    EXPECT_EQ(dialog->Chart()->EndAngles(), (QList<int>{144, 252, 360}));
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(Finish(), CDlgOption::kNotSavedResult);
    EXPECT_FALSE(QFile::exists(QStringLiteral("Setup/setup.bin")));

    // A missing file is never created.
    Open();
    dialog->Save();
    EXPECT_EQ(Finish(), CDlgOption::kNotSavedResult);
    EXPECT_FALSE(QFile::exists(path));

    // A read-only file is left as it is.
    WriteRecord(FileTypeRecord());
    const QByteArray before = FileBytes();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    Open();
    EXPECT_FALSE(dialog->Rules().IsLoaded());
    Click(1041);
    dialog->Save();
    EXPECT_EQ(Finish(), CDlgOption::kNotSavedResult);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(OptionDialog, CardRemovedBeforeOkIsAFailure)
{
    WriteRecord(FileTypeRecord());
    Open();
    Click(1041);
    ASSERT_TRUE(QFile::remove(path));
    dialog->Save();
    EXPECT_EQ(Finish(), CDlgOption::kNotSavedResult);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(OptionDialog, TabsShowTheirPagesControls)
{
    WriteRecord(FileTypeRecord());
    Open();
    EXPECT_EQ(dialog->ClientSize(), QSize(520, 350));
    EXPECT_TRUE(dialog->Radio(1039)->isVisible());
    EXPECT_FALSE(dialog->Slider()->isVisible());
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, QPoint(300, 60)); // not a tab
    EXPECT_EQ(dialog->CurrentPage(), 0);
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(1).center());
    EXPECT_FALSE(dialog->Radio(1039)->isVisible());
    EXPECT_TRUE(dialog->Radio(1054)->isVisible());
    QTest::mouseClick(dialog->Client(), Qt::LeftButton, {}, CDlgOption::TabRect(2).center());
    EXPECT_TRUE(dialog->Slider()->isVisible());
    EXPECT_TRUE(dialog->TimeZoneBox()->isVisible());
    EXPECT_TRUE(dialog->Chart()->isVisible());
    EXPECT_TRUE(dialog->OkButton()->isVisible());
    // Every control, on every page, with its role, name, value and checked state.
    // The page's radios, OK, Cancel and the page tabs; the slider, time zone and chart.
    const int shown[3] = {13 + 3, 10 + 3, 4 + 3 + 3};
    for (int page = 0; page < 3; ++page) {
        dialog->SetPage(page);
        EXPECT_EQ(ExpectAccessibleControls(dialog.get()), shown[page]) << page;
    }
    QAccessibleInterface *slider = QAccessible::queryAccessibleInterface(dialog->Slider());
    EXPECT_EQ(slider->text(QAccessible::Description),
              QStringLiteral("Normal : 40%, Event : 30%, Parking : 30%"));
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(dialog->Radio(1040))->text(QAccessible::Description),
        QStringLiteral("Recording Quality"));
}

TEST_F(OptionDialog, KeyboardWalksThePagesAndGroupsAndOkWritesTheChange)
{
    WriteRecord(FileTypeRecord());
    Open();
    dialog->activateWindow();
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto key = [&focused](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focused(), Qt::Key(k), modifiers);
        QCoreApplication::processEvents();
    };
    const QImage untouched = dialog->grab().toImage();

    // The page tabs: the arrows and Ctrl+Tab turn the pages; nothing else changes looks.
    dialog->PageTabs()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Right);
    EXPECT_EQ(dialog->CurrentPage(), 1);
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(dialog->CurrentPage(), 2);
    key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Left);
    EXPECT_EQ(dialog->CurrentPage(), 0);
    EXPECT_EQ(dialog->grab().toImage(), untouched);

    // Tab stops at each group's checked mark: quality, frame rate, brightness, shock sensing.
    const int stops[] = {1039, 1042, 1044, 1048, 1066};
    for (int id : stops) {
        key(Qt::Key_Tab);
        EXPECT_EQ(focused(), dialog->Radio(id)) << id;
    }
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Left); // shock sensing: Normal -> Insensitive, as a click would
    EXPECT_TRUE(Checked(1047));
    EXPECT_FALSE(Checked(1048));
    EXPECT_EQ(Record().driveShockSensitivity, 1);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Right); // brightness: Bright
    EXPECT_EQ(Record().brightness, 1);

    // On the last page the slider moves with the keys like a drag.
    key(Qt::Key_PageDown, Qt::ControlModifier);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    ASSERT_EQ(dialog->CurrentPage(), 2);
    dialog->Slider()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Left);
    EXPECT_EQ(Ratios(), (QList<int>{30, 40, 30}));

    key(Qt::Key_Return); // the dialog's own key: OK
    EXPECT_EQ(Finish(), CDlgOption::kSavedResult);
    EXPECT_EQ(messages, QList<int>{503});
    CameraSettings expected = FileTypeRecord();
    expected.driveShockSensitivity = 1;
    expected.brightness = 1;
    expected.ratioNormal = 30;
    expected.ratioEvent = 40;
    EXPECT_EQ(FileBytes(), CameraSettingsToBytes(expected));
}
