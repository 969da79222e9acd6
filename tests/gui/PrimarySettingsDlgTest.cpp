#include "primary/PrimarySettingsDlg.h"

#include "BoxRecorder.h"
#include "SettingsTestSupport.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "core/ProfileStore.h"
#include "primary/ClientSettingsDlg.h"
#include "widgets/FileDialogs.h"
#include "widgets/IpAddressEdit.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace WindowProbe;
using namespace SettingsTestSupport;

namespace {
template <typename T> T* Child(const QWidget& window, const char* name)
{
    auto* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        qFatal("No control %s", name);
    }
    return child;
}

QLineEdit* Edit(const QWidget& window, const char* name)
{
    return Child<QLineEdit>(window, name);
}

QStringList AddressTexts(const QWidget& window, const char* name)
{
    const auto* address = Child<CIpAddressEdit>(window, name);
    QStringList texts;
    for (int i = 0; i < 4; ++i) {
        texts.append(address->Field(i)->text());
    }
    return texts;
}

void SetAddress(const QWidget& window, const char* name, const QStringList& texts)
{
    const auto* address = Child<CIpAddressEdit>(window, name);
    for (int i = 0; i < 4; ++i) {
        address->Field(i)->setText(texts.at(i));
    }
}

QStringList ListRow(const CSortListCtrl& list, int row)
{
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column) {
        texts.append(list.topLevelItem(row)->text(column));
    }
    return texts;
}

const QString kClients{
    QStringLiteral("[SecondaryServers]\n"
                   "ClientName1=alpha\nClientIP1=10.0.0.1\nClientLoc1=Hall\n"
                   "ClientName2=beta\nClientIP2=10.0.0.2\nClientLoc2=Roof\n"
                   "ClientName3=gamma\nClientIP3=10.0.0.3\nClientLoc3=Cellar\n")};

std::string Server(const char* key)
{
    return CProfileStore::ReadText("SecondaryServers", key, "<absent>", 128, "zezodi.ini");
}
} // namespace

class PrimarySettingsDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        m_boxRecorder.Start();
    }

    void cleanup()
    {
        CBoxRecorder::Stop();
        CFileDialogs::SetTestHook({});
        m_env.reset();
    }

    void TabOrder_FollowsTheFieldsOnScreen()
    {
        CPrimarySettingsDlg dlg;
        dlg.show();
        // The next control that Tab reaches: one that takes focus by Tab and is shown.
        QWidget* next{dlg.findChild<QWidget*>(QStringLiteral("deleteButton"))->nextInFocusChain()};
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible()) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), QStringLiteral("allowedClientsEdit"));
    }

    void Controls_ShowTheirTextsAndTheIntervalItems()
    {
        CPrimarySettingsDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Primary settings"));
        QCOMPARE(Child<QGroupBox>(dlg, "settingsGroup")->title(),
                 QStringLiteral("Settings for primary synchronization tool"));
        QCOMPARE(LabelText(dlg, "webPathLabel"), QStringLiteral("Web-Server Document Path:"));
        QCOMPARE(LabelText(dlg, "webPathNote"),
                 QStringLiteral(
                     "All data which needs to be synchronize will be copied to this directory."));
        QCOMPARE(LabelText(dlg, "intervalLabel"),
                 QStringLiteral("Interval between synchronizations: "));
        QCOMPARE(LabelText(dlg, "hoursLabel"), QStringLiteral("hours"));
        QCOMPARE(LabelText(dlg, "thresholdLabel"),
                 QStringLiteral("Zip files automatically for download if bigger then "));
        QCOMPARE(LabelText(dlg, "kilobytesLabel"), QStringLiteral("KB."));
        QCOMPARE(CMnemonics::Plain(Child<QRadioButton>(dlg, "gzipRadio")->text()),
                 QStringLiteral("Use Gzip program to zip files"));
        QCOMPARE(CMnemonics::Plain(Child<QRadioButton>(dlg, "programRadio")->text()),
                 QStringLiteral("Use program to zip:"));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "browseButton")->text()),
                 QStringLiteral("..."));
        QCOMPARE(LabelText(dlg, "addressLabel"), QStringLiteral("IP-Address of this server:"));
        QCOMPARE(CMnemonics::Plain(Child<QCheckBox>(dlg, "timeSyncCheck")->text()),
                 QStringLiteral("Automatically synchronize system-time on client servers with "
                                "primary server"));
        QCOMPARE(LabelText(dlg, "clientsLabel"), QStringLiteral("Secondary client servers:"));
        QCOMPARE(LabelText(dlg, "allowedClientsLabel"),
                 QStringLiteral("Other allowed clients (addresses or names, * for everyone):"));
        QCOMPARE(Child<QLabel>(dlg, "allowedClientsLabel")->buddy(),
                 static_cast<QWidget*>(Edit(dlg, "allowedClientsEdit")));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "addButton")->text()),
                 QStringLiteral("Add"));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "editButton")->text()),
                 QStringLiteral("Edit"));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "deleteButton")->text()),
                 QStringLiteral("Delete"));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "changeRoleButton")->text()),
                 QStringLiteral("Change to secondary server"));
        auto* buttons = Child<QDialogButtonBox>(dlg, "buttonBox");
        QCOMPARE(CMnemonics::Plain(buttons->button(QDialogButtonBox::Ok)->text()),
                 QStringLiteral("OK"));
        QCOMPARE(CMnemonics::Plain(buttons->button(QDialogButtonBox::Cancel)->text()),
                 QStringLiteral("Cancel"));

        auto* interval = Child<QComboBox>(dlg, "intervalCombo");
        QVERIFY(interval->isEditable());
        QStringList items;
        for (int i = 0; i < interval->count(); ++i) {
            items.append(interval->itemText(i));
        }
        QCOMPARE(items, QString{"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 20 24 30 48 60 72"}.split(
                            QLatin1Char(' ')));

        CSortListCtrl* clients = List(dlg, "clientList");
        QCOMPARE(Headers(*clients), (QStringList{QStringLiteral("Client Computername"),
                                                 QStringLiteral("Client IP-Address"),
                                                 QStringLiteral("Client Location")}));
        QCOMPARE(Widths(*clients), WidthsFitting(*clients, {130, 120, 138}));
        QCOMPARE(clients->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(clients->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void Opening_ShowsTheFileValuesAndWritesAnAbsentSyncJxalarmIni()
    {
        SetIniText(QStringLiteral("[Config]\nCopyToWebPath=/srv/web\nUseGZip=0\nZipProg=/usr/bin/"
                                  "zip\nZipIfBigger=2048\nPrimIntervalInHours=7\n"
                                  "SyncClientSystemTime=1\nPrimaryIPAddress=10.1.2.3\n"
                                  "AllowedClients=*\n"));
        CPrimarySettingsDlg dlg;
        QCOMPARE(Edit(dlg, "allowedClientsEdit")->text(), QStringLiteral("*"));
        QCOMPARE(Edit(dlg, "webPathEdit")->text(), QStringLiteral("/srv/web"));
        QCOMPARE(Edit(dlg, "zipProgEdit")->text(), QStringLiteral("/usr/bin/zip"));
        QCOMPARE(Edit(dlg, "thresholdEdit")->text(), QStringLiteral("2048"));
        QCOMPARE(Child<QComboBox>(dlg, "intervalCombo")->currentText(), QStringLiteral("7"));
        QVERIFY(Child<QRadioButton>(dlg, "programRadio")->isChecked());
        QVERIFY(!Child<QRadioButton>(dlg, "gzipRadio")->isChecked());
        QVERIFY(Edit(dlg, "zipProgEdit")->isEnabled());
        QVERIFY(Child<QPushButton>(dlg, "browseButton")->isEnabled());
        QVERIFY(Child<QCheckBox>(dlg, "timeSyncCheck")->isChecked());
        QCOMPARE(AddressTexts(dlg, "addressEdit"),
                 (QStringList{QStringLiteral("10"), QStringLiteral("1"), QStringLiteral("2"),
                              QStringLiteral("3")}));
        QCOMPARE(dlg.SyncJxalarmIni(), 0);
        QVERIFY(IniText().endsWith(QStringLiteral("AllowedClients=*\nSyncJxalarmIni=0\n")));
        QCOMPARE(dlg.Fields().webPath, std::string{"/srv/web"});
        QCOMPARE(dlg.Fields().interval, std::string{"7"});
        QCOMPARE(dlg.Fields().threshold, 2048);
        QCOMPARE(dlg.Fields().compressionChoice, 1);
        QCOMPARE(dlg.Fields().timeSync, 1);
        QVERIFY(!dlg.RoleChanged());
    }

    void Opening_WithAbsentKeys_ShowsTheirDefaults()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=1\n"));
        CPrimarySettingsDlg dlg;
        QCOMPARE(dlg.SyncJxalarmIni(), 1);
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=1\n"));
        QVERIFY(Child<QRadioButton>(dlg, "gzipRadio")->isChecked());
        QVERIFY(!Edit(dlg, "zipProgEdit")->isEnabled());
        QVERIFY(!Child<QPushButton>(dlg, "browseButton")->isEnabled());
        QCOMPARE(Edit(dlg, "thresholdEdit")->text(), QStringLiteral("0"));
        QCOMPARE(Child<QComboBox>(dlg, "intervalCombo")->currentText(), QStringLiteral("0"));
        QVERIFY(!Child<QCheckBox>(dlg, "timeSyncCheck")->isChecked());
        QCOMPARE(dlg.Fields().timeSync, -9);
        QCOMPARE(AddressTexts(dlg, "addressEdit"), QStringList(4, QString{}));
    }

    void StoredAddress_FillsTheFieldsOnlyWhenLongerThanFiveCharacters_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("written");
        QTest::newRow("zeros") << "0.0.0.0" << QStringList{"0", "0", "0", "0"} << "0.0.0.0";
        QTest::newRow("empty") << "" << QStringList(4, QString{}) << "0.0.0.0";
        QTest::newRow("five characters") << "1.2.3" << QStringList(4, QString{}) << "0.0.0.0";
        QTest::newRow("three parts") << "10.1.2" << QStringList{"10", "1", "2", ""} << "10.1.2.0";
        QTest::newRow("letters") << "a.b.7.300" << QStringList{"0", "0", "7", "255"} << "0.0.7.255";
    }

    void StoredAddress_FillsTheFieldsOnlyWhenLongerThanFiveCharacters()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, fields);
        QFETCH(QString, written);
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nPrimaryIPAddress=%1\n").arg(stored));
        CPrimarySettingsDlg dlg;
        QCOMPARE(AddressTexts(dlg, "addressEdit"), fields);
        dlg.accept();
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
        QCOMPARE(QString::fromStdString(
                     CProfileStore::ReadText("Config", "PrimaryIPAddress", "", 128, "zezodi.ini")),
                 written);
    }

    void Ok_WritesEveryKeyInItsOrder()
    {
        CPrimarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("/srv/web data"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("24"));
        Edit(dlg, "thresholdEdit")->setText(QStringLiteral("512"));
        QTest::mouseClick(Child<QRadioButton>(dlg, "programRadio"), Qt::LeftButton);
        Edit(dlg, "zipProgEdit")->setText(QStringLiteral("/opt/zip/zezodi-zip"));
        Child<QCheckBox>(dlg, "timeSyncCheck")->setChecked(true);
        SetAddress(dlg, "addressEdit", {"192", "168", "", "7"});
        Edit(dlg, "allowedClientsEdit")->setText(QStringLiteral("10.0.0.9, standby"));
        QTest::mouseClick(Child<QDialogButtonBox>(dlg, "buttonBox")->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=0\n"
                                           "CopyToWebPath=/srv/web data\nUseGZip=0\n"
                                           "ZipProg=/opt/zip/zezodi-zip\nZipIfBigger=512\n"
                                           "PrimIntervalInHours=24\nSyncClientSystemTime=1\n"
                                           "PrimaryIPAddress=192.168.0.7\n"
                                           "AllowedClients=10.0.0.9, standby\n"));
        QVERIFY(!dlg.RoleChanged());
        QCOMPARE(dlg.Fields().interval, std::string{"24"});
        QCOMPARE(dlg.Fields().threshold, 512);
        QCOMPARE(dlg.Fields().zipProgram, std::string{"/opt/zip/zezodi-zip"});
        QCOMPARE(dlg.Fields().timeSync, 1);
        QVERIFY(m_boxes.isEmpty());
    }

    void Ok_WithGzip_WritesUseGZipOneAndKeepsTheZipProgram()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nUseGZip=0\nZipProg=/old/zip\n"));
        CPrimarySettingsDlg dlg;
        QTest::mouseClick(Child<QRadioButton>(dlg, "gzipRadio"), Qt::LeftButton);
        QVERIFY(!Edit(dlg, "zipProgEdit")->isEnabled());
        Edit(dlg, "zipProgEdit")->setText(QStringLiteral("/new/zip"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("0"));
        dlg.accept();
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=0\nUseGZip=1\n"
                                           "ZipProg=/old/zip\nCopyToWebPath=\nZipIfBigger=0\n"
                                           "PrimIntervalInHours=0\nSyncClientSystemTime=0\n"
                                           "PrimaryIPAddress=0.0.0.0\n"));
        QCOMPARE(dlg.Fields().interval, std::string{"0"});
    }

    void Ok_WithoutANumberAsThreshold_ComplainsAndWritesNothing()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nZipIfBigger=100\n"));
        CPrimarySettingsDlg dlg;
        Edit(dlg, "thresholdEdit")->clear();
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("/changed"));
        dlg.accept();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text, QStringLiteral("Please enter an integer."));
        QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(dlg.result(), int{QDialog::Rejected});
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=0\nZipIfBigger=100\n"));

        // Input past what an int holds is no number either.
        Edit(dlg, "thresholdEdit")->setText(QStringLiteral("99999999999"));
        dlg.accept();
        QCOMPARE(m_boxes.size(), 2);
        QCOMPARE(dlg.Fields().threshold, 100);
        QCOMPARE(dlg.result(), int{QDialog::Rejected});
    }

    // No path longer than the next start reads back is taken: the box says so, nothing is
    // written and the dialog stays open.
    void Ok_WithTooLongPath_ComplainsAndWritesNothing()
    {
        const QString before{QStringLiteral("[Config]\nSyncJxalarmIni=0\n")};
        const struct
        {
            const char* edit;
            int length;
            bool accepted;
        } cases[] = {
            {"webPathEdit", 128, false}, {"zipProgEdit", 80, false}, {"webPathEdit", 127, true}};
        for (const auto& c : cases) {
            SetIniText(before);
            m_boxes.clear();
            CPrimarySettingsDlg dlg;
            QTest::mouseClick(Child<QRadioButton>(dlg, "programRadio"), Qt::LeftButton);
            Edit(dlg, "zipProgEdit")->setText(QStringLiteral("/usr/bin/zip"));
            const QString path{QLatin1Char('/') + QString{c.length - 1, QLatin1Char('p')}};
            Edit(dlg, c.edit)->setText(path);
            dlg.accept();
            QCOMPARE(dlg.result(), int{c.accepted ? QDialog::Accepted : QDialog::Rejected});
            QCOMPARE(m_boxes.size(), c.accepted ? 0 : 1);
            if (!c.accepted) {
                QCOMPARE(m_boxes.first().text,
                         QStringLiteral("The path %1 is longer than %2 characters and cannot be "
                                        "used. Please enter a shorter path.")
                             .arg(path)
                             .arg(c.length - 1));
                QCOMPARE(IniText(), before);
            }
        }
    }

    void ThresholdBox_TakesDigitsOnly()
    {
        CPrimarySettingsDlg dlg;
        QLineEdit* threshold = Edit(dlg, "thresholdEdit");
        threshold->clear();
        QTest::keyClicks(threshold, QStringLiteral("1a-2 3"));
        QCOMPARE(threshold->text(), QStringLiteral("123"));
    }

    void Cancel_WritesNothingAndKeepsTheLoadedValues()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nCopyToWebPath=/srv/web\n"
                                  "PrimIntervalInHours=12\nZipIfBigger=1024\n"));
        const QString before{IniText()};
        CPrimarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("/elsewhere"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("3"));
        Edit(dlg, "thresholdEdit")->setText(QStringLiteral("5"));
        QTest::mouseClick(
            Child<QDialogButtonBox>(dlg, "buttonBox")->button(QDialogButtonBox::Cancel),
            Qt::LeftButton);
        QCOMPARE(dlg.result(), int{QDialog::Rejected});
        QCOMPARE(IniText(), before);
        QCOMPARE(dlg.Fields().webPath, std::string{"/srv/web"});
        QCOMPARE(dlg.Fields().interval, std::string{"12"});
        QCOMPARE(dlg.Fields().threshold, 1024);
        QVERIFY(!dlg.RoleChanged());
    }

    void RadioButton_TakesAllValuesIntoTheFieldsBeforeCancel()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nCopyToWebPath=/srv/web\n"));
        const QString before{IniText()};
        CPrimarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("/elsewhere"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("3"));
        Edit(dlg, "thresholdEdit")->setText(QStringLiteral("5"));
        Child<QCheckBox>(dlg, "timeSyncCheck")->setChecked(true);
        QTest::mouseClick(Child<QRadioButton>(dlg, "programRadio"), Qt::LeftButton);
        QVERIFY(Edit(dlg, "zipProgEdit")->isEnabled());
        Edit(dlg, "zipProgEdit")->setText(QStringLiteral("/typed/after/the/click"));
        dlg.reject();
        QCOMPARE(IniText(), before);
        QCOMPARE(dlg.Fields().webPath, std::string{"/elsewhere"});
        QCOMPARE(dlg.Fields().interval, std::string{"3"});
        QCOMPARE(dlg.Fields().threshold, 5);
        QCOMPARE(dlg.Fields().timeSync, 1);
        QCOMPARE(dlg.Fields().compressionChoice, 1);
        QCOMPARE(dlg.Fields().zipProgram, std::string{});
    }

    void Browse_PutsTheChosenProgramIntoTheBoxAndCancelKeepsIt()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nUseGZip=0\nZipProg=/usr/bin/zip\n"));
        QList<CFileDialogs::Request> requests;
        QString answer{QStringLiteral("/opt/tools/zezodi-zip")};
        CFileDialogs::SetTestHook([&](const CFileDialogs::Request& request) {
            requests.append(request);
            return answer;
        });
        CPrimarySettingsDlg dlg;
        QTest::mouseClick(Child<QPushButton>(dlg, "browseButton"), Qt::LeftButton);
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests.first().programsOnly);
        QCOMPARE(requests.first().directory, QStringLiteral("/usr/bin"));
        QCOMPARE(Edit(dlg, "zipProgEdit")->text(), answer);
        answer.clear();
        QTest::mouseClick(Child<QPushButton>(dlg, "browseButton"), Qt::LeftButton);
        QCOMPARE(requests.size(), 2);
        QCOMPARE(Edit(dlg, "zipProgEdit")->text(), QStringLiteral("/opt/tools/zezodi-zip"));
    }

    void ChangeToSecondary_Yes_WritesOnlyIsPrimaryAndReportsTheChange()
    {
        SetIniText(
            QStringLiteral("[Config]\nSyncJxalarmIni=0\nIsPrimary=1\nCopyToWebPath=/srv/web\n"));
        m_answer = QMessageBox::Yes;
        CPrimarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("/elsewhere"));
        Edit(dlg, "thresholdEdit")->setText(QStringLiteral("77"));
        QTest::mouseClick(Child<QPushButton>(dlg, "changeRoleButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().icon, QMessageBox::Question);
        QCOMPARE(m_boxes.first().caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(m_boxes.first().defaultButton, QMessageBox::No);
        QCOMPARE(m_boxes.first().text,
                 QStringLiteral("Are you sure you want to change from primary  to secondary "
                                "synchronization ?\nThe program will restart as secondary "
                                "synchronization tool.\nOnly change if this server needs to be a "
                                "slave server!\nMake sure to change the slave server from "
                                "secondary to primary."));
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=0\nIsPrimary=0\n"
                                           "CopyToWebPath=/srv/web\n"));
        QVERIFY(dlg.RoleChanged());
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
        QCOMPARE(dlg.Fields().webPath, std::string{"/elsewhere"});
        QCOMPARE(dlg.Fields().threshold, 77);
    }

    void ChangeToSecondary_No_ChangesNothing()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\nIsPrimary=1\n"));
        m_answer = QMessageBox::No;
        CPrimarySettingsDlg dlg;
        dlg.show();
        QTest::mouseClick(Child<QPushButton>(dlg, "changeRoleButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(IniText(), QStringLiteral("[Config]\nSyncJxalarmIni=0\nIsPrimary=1\n"));
        QVERIFY(!dlg.RoleChanged());
        QVERIFY(dlg.isVisible());
    }

    void ClientList_ShowsTheEntriesUpToTheFirstEmptyName()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients +
                   QStringLiteral("ClientName5=hidden\nClientIP5=10.0.0.5\n"));
        CPrimarySettingsDlg dlg;
        CSortListCtrl* clients = List(dlg, "clientList");
        QCOMPARE(clients->topLevelItemCount(), 3);
        QCOMPARE(ListRow(*clients, 0),
                 (QStringList{QStringLiteral("alpha"), QStringLiteral("10.0.0.1"),
                              QStringLiteral("Hall")}));
        QCOMPARE(ListRow(*clients, 2),
                 (QStringList{QStringLiteral("gamma"), QStringLiteral("10.0.0.3"),
                              QStringLiteral("Cellar")}));
    }

    void Delete_WithoutSelection_ShowsMessage145()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        const QString before{IniText()};
        CPrimarySettingsDlg dlg;
        QTest::mouseClick(Child<QPushButton>(dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text,
                 QStringLiteral("Please select a client item first in the list to delete."));
        QCOMPARE(m_boxes.first().caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(IniText(), before);
    }

    void Delete_AsksWithTheNameAndMovesTheLaterEntriesDown()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        m_answer = QMessageBox::Yes;
        CPrimarySettingsDlg dlg;
        CSortListCtrl* clients = List(dlg, "clientList");
        clients->topLevelItem(1)->setSelected(true);
        QTest::mouseClick(Child<QPushButton>(dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text,
                 QStringLiteral("Delete secondary server beta from client list ?"));
        QCOMPARE(m_boxes.first().caption, QString{});
        QCOMPARE(m_boxes.first().defaultButton, QMessageBox::Yes);
        QCOMPARE(Server("ClientName2"), std::string{"gamma"});
        QCOMPARE(Server("ClientIP2"), std::string{"10.0.0.3"});
        QCOMPARE(Server("ClientLoc2"), std::string{"Cellar"});
        QCOMPARE(Server("ClientName3"), std::string{});
        QCOMPARE(Server("ClientIP3"), std::string{});
        QCOMPARE(Server("ClientLoc3"), std::string{});
        QCOMPARE(clients->topLevelItemCount(), 2);
        QCOMPARE(clients->topLevelItem(1)->text(0), QStringLiteral("gamma"));
    }

    void Delete_OfTheOnlyEntry_LeavesItsKeysEmptyAndTheNextAddWritesEntryOne()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n[SecondaryServers]\n"
                                  "ClientName1=alpha\nClientIP1=10.0.0.1\nClientLoc1=Hall\n"));
        m_answer = QMessageBox::Yes;
        CPrimarySettingsDlg dlg;
        CSortListCtrl* clients = List(dlg, "clientList");
        clients->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(Child<QPushButton>(dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(clients->topLevelItemCount(), 0);
        QVERIFY(IniText().endsWith(
            QStringLiteral("[SecondaryServers]\nClientName1=\nClientIP1=\nClientLoc1=\n")));

        bool seen{false};
        OnNextModal(
            [](QDialog& client) {
                Edit(client, "nameEdit")->setText(QStringLiteral("delta"));
                SetAddress(client, "addressEdit", {"10", "0", "0", "4"});
                client.accept();
            },
            seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(Server("ClientName1"), std::string{"delta"});
        QCOMPARE(Server("ClientIP1"), std::string{"10.0.0.4"});
        QCOMPARE(clients->topLevelItemCount(), 1);
    }

    void Delete_Answered_No_ChangesNothing()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        const QString before{IniText()};
        m_answer = QMessageBox::No;
        CPrimarySettingsDlg dlg;
        List(dlg, "clientList")->topLevelItem(0)->setSelected(true);
        QTest::mouseClick(Child<QPushButton>(dlg, "deleteButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(IniText(), before);
        QCOMPARE(List(dlg, "clientList")->topLevelItemCount(), 3);
    }

    void Add_OpensTheAddCaptionAndWritesAtTheFirstFreeNumber()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        CPrimarySettingsDlg dlg;
        bool seen{false};
        QString caption;
        QStringList shown;
        OnNextModal(
            [&](QDialog& client) {
                QVERIFY(client.inherits("CClientSettingsDlg"));
                caption = Child<QGroupBox>(client, "clientGroup")->title();
                shown = AddressTexts(client, "addressEdit");
                shown.append(Edit(client, "nameEdit")->text());
                QTest::keyClicks(Edit(client, "nameEdit"), QStringLiteral("delta"));
                QTest::keyClicks(Edit(client, "locationEdit"), QStringLiteral("Tower"));
                SetAddress(client, "addressEdit", {"172", "16", "1", ""});
                QTest::mouseClick(
                    Child<QDialogButtonBox>(client, "buttonBox")->button(QDialogButtonBox::Ok),
                    Qt::LeftButton);
            },
            seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(caption, QStringLiteral("Add new secondary client server"));
        QCOMPARE(shown, QStringList(5, QString{}));
        QCOMPARE(Server("ClientName4"), std::string{"delta"});
        QCOMPARE(Server("ClientIP4"), std::string{"172.16.1.0"});
        QCOMPARE(Server("ClientLoc4"), std::string{"Tower"});
        QCOMPARE(List(dlg, "clientList")->topLevelItemCount(), 4);
    }

    void Add_OfAnEmptyEntry_EndsTheListAndTheNextAddLandsBehindIt()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        CPrimarySettingsDlg dlg;
        bool seen{false};
        OnNextModal([](QDialog& client) { client.accept(); }, seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(Server("ClientName4"), std::string{});
        QCOMPARE(Server("ClientIP4"), std::string{"0.0.0.0"});
        OnNextModal(
            [](QDialog& client) {
                Edit(client, "nameEdit")->setText(QStringLiteral("epsilon"));
                client.accept();
            },
            seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "addButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(Server("ClientName5"), std::string{"epsilon"});
        QCOMPARE(List(dlg, "clientList")->topLevelItemCount(), 3);
    }

    void DoubleClick_EditsTheEntryOfTheRow()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        CPrimarySettingsDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CSortListCtrl* clients = List(dlg, "clientList");
        bool seen{false};
        QString caption;
        QStringList shown;
        OnNextModal(
            [&](QDialog& client) {
                caption = Child<QGroupBox>(client, "clientGroup")->title();
                shown = AddressTexts(client, "addressEdit");
                shown.append(Edit(client, "nameEdit")->text());
                shown.append(Edit(client, "locationEdit")->text());
                Edit(client, "nameEdit")->setText(QStringLiteral("beta2"));
                client.accept();
            },
            seen);
        const QRect rect{clients->visualItemRect(clients->topLevelItem(1))};
        QTest::mouseClick(clients->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(clients->viewport(), Qt::LeftButton, {}, rect.center());
        QVERIFY(seen);
        QCOMPARE(caption, QStringLiteral("Edit settings of existent secondary client server"));
        QCOMPARE(shown, (QStringList{"10", "0", "0", "2", "beta", "Roof"}));
        QCOMPARE(Server("ClientName2"), std::string{"beta2"});
        QCOMPARE(Server("ClientIP2"), std::string{"10.0.0.2"});
        QCOMPARE(clients->topLevelItem(1)->text(0), QStringLiteral("beta2"));
    }

    void Edit_WithoutSelection_AddsAtTheFirstFreeNumber()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        CPrimarySettingsDlg dlg;
        bool seen{false};
        QString caption;
        QString name{QStringLiteral("<unread>")};
        OnNextModal(
            [&](QDialog& client) {
                caption = Child<QGroupBox>(client, "clientGroup")->title();
                name = Edit(client, "nameEdit")->text();
                Edit(client, "nameEdit")->setText(QStringLiteral("zeta"));
                client.accept();
            },
            seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "editButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(caption, QStringLiteral("Edit settings of existent secondary client server"));
        QCOMPARE(name, QString{});
        QCOMPARE(Server("ClientName4"), std::string{"zeta"});
        QCOMPARE(Server("ClientIP4"), std::string{"0.0.0.0"});
    }

    void ClientCancel_WritesNothingButRefillsTheList()
    {
        SetIniText(QStringLiteral("[Config]\nSyncJxalarmIni=0\n") + kClients);
        CPrimarySettingsDlg dlg;
        List(dlg, "clientList")->topLevelItem(0)->setSelected(true);
        bool seen{false};
        OnNextModal(
            [](QDialog& client) {
                Edit(client, "nameEdit")->setText(QStringLiteral("typed"));
                // Someone else edits the file meanwhile; the list shows the file afterwards.
                CProfileStore::WriteText("SecondaryServers", "ClientName1", "outside",
                                         "zezodi.ini");
                client.reject();
            },
            seen);
        QTest::mouseClick(Child<QPushButton>(dlg, "editButton"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(Server("ClientName1"), std::string{"outside"});
        QCOMPARE(List(dlg, "clientList")->topLevelItem(0)->text(0), QStringLiteral("outside"));
    }

    void ClientSettings_ShowsItsTextsAndCutsLongInput()
    {
        CClientSettingsDlg client{-1};
        QCOMPARE(client.windowTitle(), QStringLiteral("Client Settings"));
        QCOMPARE(LabelText(client, "nameLabel"), QStringLiteral("Computer-Name of client:"));
        QCOMPARE(LabelText(client, "addressLabel"), QStringLiteral("IP-Address of client:"));
        QCOMPARE(LabelText(client, "locationLabel"), QStringLiteral("Location of client:"));
        QCOMPARE(Edit(client, "nameEdit")->maxLength(), 127);
        QCOMPARE(Edit(client, "locationEdit")->maxLength(), 127);
        Edit(client, "nameEdit")->setText(QString(200, QLatin1Char('n')));
        client.accept();
        QCOMPARE(client.result(), int{QDialog::Accepted});
        QCOMPARE(Server("ClientName1"), std::string(127, 'n'));
    }

    void AddressFields_TakeZeroTo255AndMoveOnAtAPoint()
    {
        CIpAddressEdit address;
        address.show();
        address.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&address));
        address.Field(0)->setFocus();
        // Typed as an operator types: every key goes to the field that has the focus.
        for (const QChar key : QStringLiteral("10.256.255")) {
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        }
        QCOMPARE(address.Field(0)->text(), QStringLiteral("10"));
        QCOMPARE(address.Field(1)->text(), QStringLiteral("25"));
        QCOMPARE(address.Field(2)->text(), QStringLiteral("255"));
        QCOMPARE(QApplication::focusWidget(), address.Field(3));
        const CIpAddressEdit::Fields fields{address.GetFields()};
        QCOMPARE(fields.at(0), std::optional<int>{10});
        QCOMPARE(fields.at(1), std::optional<int>{25});
        QCOMPARE(fields.at(2), std::optional<int>{255});
        QVERIFY(!fields.at(3).has_value());
        address.Clear();
        QCOMPARE(address.GetFields(), CIpAddressEdit::Fields{});
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxRecorder;
    QList<CMessageBoxes::Box>& m_boxes{m_boxRecorder.boxes};
    QMessageBox::StandardButton& m_answer{m_boxRecorder.answer};
};

QTEST_MAIN(PrimarySettingsDlgTest)
#include "PrimarySettingsDlgTest.moc"
