#include "secondary/SecondarySettingsDlg.h"

#include "BoxRecorder.h"
#include "SettingsTestSupport.h"
#include "WindowProbe.h"
#include "WindowTestEnvironment.h"
#include "widgets/FileDialogs.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"

#include <memory>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
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

const QString kSettings{QStringLiteral("[Config]\nIsPrimary=0\nWebDocPath=http://primary/syncdata\n"
                                       "DownLoadPath=/srv/jxt/download\nUseGZip=0\n"
                                       "UnZipProg=/usr/bin/unzip\nIntervalInMin=45\n")};
} // namespace

class SecondarySettingsDlgTest : public QObject
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

    void Controls_ShowTheirTextsAndTheIntervalItems()
    {
        CSecondarySettingsDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Secondary settings"));
        QCOMPARE(Child<QGroupBox>(dlg, "settingsGroup")->title(),
                 QStringLiteral("Settings for primary synchronization tool"));
        QCOMPARE(LabelText(dlg, "webPathLabel"),
                 QStringLiteral("http path to get synchronization data from:"));
        QCOMPARE(LabelText(dlg, "webPathNote"),
                 QStringLiteral("Web address of the primary server with the path for the data "
                                "to synchronize"));
        QCOMPARE(LabelText(dlg, "downloadDirLabel"),
                 QStringLiteral("Directory to download the data to:"));
        QCOMPARE(LabelText(dlg, "allowedPrimariesLabel"),
                 QStringLiteral("Allowed primary servers (addresses or names, * for everyone):"));
        QCOMPARE(Child<QLabel>(dlg, "allowedPrimariesLabel")->buddy(),
                 static_cast<QWidget*>(Edit(dlg, "allowedPrimariesEdit")));
        QCOMPARE(LabelText(dlg, "intervalLabel"),
                 QStringLiteral("Interval between synchronizations: "));
        QCOMPARE(LabelText(dlg, "minutesLabel"), QStringLiteral("minutes"));
        QCOMPARE(CMnemonics::Plain(Child<QRadioButton>(dlg, "gzipRadio")->text()),
                 QStringLiteral("Use Gzip program to unzip files"));
        QCOMPARE(CMnemonics::Plain(Child<QRadioButton>(dlg, "programRadio")->text()),
                 QStringLiteral("Use program to unzip:"));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "browseButton")->text()),
                 QStringLiteral("..."));
        QCOMPARE(CMnemonics::Plain(Child<QPushButton>(dlg, "changeRoleButton")->text()),
                 QStringLiteral("Change to primary server"));
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
    }

    void TabOrder_FollowsTheFieldsOnScreen()
    {
        CSecondarySettingsDlg dlg;
        dlg.show();
        // The next control that Tab reaches: one that takes focus by Tab and is shown.
        QWidget* next{
            dlg.findChild<QWidget*>(QStringLiteral("downloadDirEdit"))->nextInFocusChain()};
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible()) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), QStringLiteral("allowedPrimariesEdit"));
    }

    void Opening_ShowsTheFileValues()
    {
        SetIniText(kSettings + QStringLiteral("AllowedPrimaries=*\n"));
        QCOMPARE(Edit(CSecondarySettingsDlg{}, "allowedPrimariesEdit")->text(),
                 QStringLiteral("*"));
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        QCOMPARE(Edit(dlg, "webPathEdit")->text(), QStringLiteral("http://primary/syncdata"));
        QCOMPARE(Edit(dlg, "downloadDirEdit")->text(), QStringLiteral("/srv/jxt/download"));
        QCOMPARE(Edit(dlg, "unzipProgEdit")->text(), QStringLiteral("/usr/bin/unzip"));
        QCOMPARE(Child<QComboBox>(dlg, "intervalCombo")->currentText(), QStringLiteral("45"));
        QVERIFY(Child<QRadioButton>(dlg, "programRadio")->isChecked());
        QVERIFY(Edit(dlg, "unzipProgEdit")->isEnabled());
        QVERIFY(Child<QPushButton>(dlg, "browseButton")->isEnabled());
        QCOMPARE(IniText(), kSettings);
        QCOMPARE(dlg.Fields().interval, std::string{"45"});
        QCOMPARE(dlg.Fields().decompressionChoice, 1);
    }

    void Opening_WithoutKeys_ShowsGzipAndIntervalZero()
    {
        CSecondarySettingsDlg dlg;
        QVERIFY(Child<QRadioButton>(dlg, "gzipRadio")->isChecked());
        QVERIFY(!Edit(dlg, "unzipProgEdit")->isEnabled());
        QVERIFY(!Child<QPushButton>(dlg, "browseButton")->isEnabled());
        QCOMPARE(Child<QComboBox>(dlg, "intervalCombo")->currentText(), QStringLiteral("0"));
        QCOMPARE(IniText(), QString{});
    }

    void Ok_WritesEveryKeyInItsOrder()
    {
        CSecondarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("http://10.0.0.1/syncdata"));
        Edit(dlg, "downloadDirEdit")->setText(QStringLiteral("/var/download"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("abc"));
        QTest::mouseClick(Child<QRadioButton>(dlg, "programRadio"), Qt::LeftButton);
        Edit(dlg, "unzipProgEdit")->setText(QStringLiteral("/opt/zezodi-unzip"));
        Edit(dlg, "allowedPrimariesEdit")->setText(QStringLiteral("10.0.0.2, backup-primary"));
        QTest::mouseClick(Child<QDialogButtonBox>(dlg, "buttonBox")->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
        QCOMPARE(IniText(), QStringLiteral("[Config]\nWebDocPath=http://10.0.0.1/syncdata\n"
                                           "DownLoadPath=/var/download\nUseGZip=0\n"
                                           "UnZipProg=/opt/zezodi-unzip\nIntervalInMin=abc\n"
                                           "AllowedPrimaries=10.0.0.2, backup-primary\n"));
        QCOMPARE(dlg.Fields().allowedPrimaries, std::string{"10.0.0.2, backup-primary"});
        QVERIFY(!dlg.RoleChanged());
        QCOMPARE(dlg.Fields().webPath, std::string{"http://10.0.0.1/syncdata"});
        QCOMPARE(dlg.Fields().downloadDir, std::string{"/var/download"});
        QCOMPARE(dlg.Fields().unzipProgram, std::string{"/opt/zezodi-unzip"});
        QCOMPARE(dlg.Fields().interval, std::string{"abc"});
        QVERIFY(m_boxes.isEmpty());
    }

    void Ok_WithTooLongDownloadDirectory_ComplainsAndWritesNothing()
    {
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        const QString path{QLatin1Char('/') + QString{127, QLatin1Char('d')}};
        Edit(dlg, "downloadDirEdit")->setText(path);
        dlg.accept();
        QCOMPARE(dlg.result(), int{QDialog::Rejected});
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().text,
                 QStringLiteral("The path %1 is longer than 127 characters and cannot be used. "
                                "Please enter a shorter path.")
                     .arg(path));
        QCOMPARE(IniText(), kSettings);
        Edit(dlg, "downloadDirEdit")->setText(path.chopped(1));
        dlg.accept();
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
    }

    void Ok_WithGzipAndEmptiedWebPath_WritesThemAndKeepsTheUnzipProgram()
    {
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->clear();
        QTest::mouseClick(Child<QRadioButton>(dlg, "gzipRadio"), Qt::LeftButton);
        QVERIFY(!Edit(dlg, "unzipProgEdit")->isEnabled());
        dlg.accept();
        QCOMPARE(IniText(), QStringLiteral("[Config]\nIsPrimary=0\nWebDocPath=\n"
                                           "DownLoadPath=/srv/jxt/download\nUseGZip=1\n"
                                           "UnZipProg=/usr/bin/unzip\nIntervalInMin=45\n"));
        QCOMPARE(dlg.Fields().webPath, std::string{});
    }

    void Cancel_WritesNothingAndKeepsTheLoadedValues()
    {
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("http://elsewhere"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("5"));
        QTest::mouseClick(
            Child<QDialogButtonBox>(dlg, "buttonBox")->button(QDialogButtonBox::Cancel),
            Qt::LeftButton);
        QCOMPARE(dlg.result(), int{QDialog::Rejected});
        QCOMPARE(IniText(), kSettings);
        QCOMPARE(dlg.Fields().webPath, std::string{"http://primary/syncdata"});
        QCOMPARE(dlg.Fields().interval, std::string{"45"});
    }

    void RadioButton_TakesAllValuesIntoTheFieldsBeforeCancel()
    {
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("http://elsewhere"));
        Edit(dlg, "downloadDirEdit")->setText(QStringLiteral("/tmp/dl"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("5"));
        QTest::mouseClick(Child<QRadioButton>(dlg, "gzipRadio"), Qt::LeftButton);
        QVERIFY(!Child<QPushButton>(dlg, "browseButton")->isEnabled());
        Edit(dlg, "downloadDirEdit")->setText(QStringLiteral("/typed/after/the/click"));
        dlg.reject();
        QCOMPARE(IniText(), kSettings);
        QCOMPARE(dlg.Fields().webPath, std::string{"http://elsewhere"});
        QCOMPARE(dlg.Fields().downloadDir, std::string{"/tmp/dl"});
        QCOMPARE(dlg.Fields().interval, std::string{"5"});
        QCOMPARE(dlg.Fields().decompressionChoice, 0);
        QCOMPARE(dlg.Fields().unzipProgram, std::string{"/usr/bin/unzip"});
    }

    void Browse_PutsTheChosenProgramIntoTheBoxAndCancelKeepsIt()
    {
        SetIniText(kSettings);
        QList<CFileDialogs::Request> requests;
        QString answer{QStringLiteral("/opt/tools/zezodi-unzip")};
        CFileDialogs::SetTestHook([&](const CFileDialogs::Request& request) {
            requests.append(request);
            return answer;
        });
        CSecondarySettingsDlg dlg;
        QTest::mouseClick(Child<QPushButton>(dlg, "browseButton"), Qt::LeftButton);
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests.first().programsOnly);
        QCOMPARE(Edit(dlg, "unzipProgEdit")->text(), answer);
        answer.clear();
        QTest::mouseClick(Child<QPushButton>(dlg, "browseButton"), Qt::LeftButton);
        QCOMPARE(requests.size(), 2);
        QCOMPARE(Edit(dlg, "unzipProgEdit")->text(), QStringLiteral("/opt/tools/zezodi-unzip"));
    }

    void ChangeToPrimary_Yes_WritesOnlyIsPrimaryAndReportsTheChange()
    {
        SetIniText(kSettings);
        m_answer = QMessageBox::Yes;
        CSecondarySettingsDlg dlg;
        Edit(dlg, "webPathEdit")->setText(QStringLiteral("http://elsewhere"));
        Child<QComboBox>(dlg, "intervalCombo")->setCurrentText(QStringLiteral("5"));
        QTest::mouseClick(Child<QPushButton>(dlg, "changeRoleButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().icon, QMessageBox::Question);
        QCOMPARE(m_boxes.first().caption, QStringLiteral("Please confirm ..."));
        QCOMPARE(m_boxes.first().defaultButton, QMessageBox::No);
        QCOMPARE(m_boxes.first().text,
                 QStringLiteral("Are you sure you want to change from secondary to primary "
                                "synchronization ?\nThe program will restart as primary "
                                "synchronization tool.\nOnly change if this server needs to be the "
                                "new master server!\nMake sure to change the master server from "
                                "primary to secondary."));
        QString expected{kSettings};
        expected.replace(QStringLiteral("IsPrimary=0"), QStringLiteral("IsPrimary=1"));
        QCOMPARE(IniText(), expected);
        QVERIFY(dlg.RoleChanged());
        QCOMPARE(dlg.result(), int{QDialog::Accepted});
        QCOMPARE(dlg.Fields().webPath, std::string{"http://elsewhere"});
        QCOMPARE(dlg.Fields().interval, std::string{"5"});
    }

    void ChangeToPrimary_No_ChangesNothing()
    {
        SetIniText(kSettings);
        m_answer = QMessageBox::No;
        CSecondarySettingsDlg dlg;
        dlg.show();
        QTest::mouseClick(Child<QPushButton>(dlg, "changeRoleButton"), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(IniText(), kSettings);
        QVERIFY(!dlg.RoleChanged());
        QVERIFY(dlg.isVisible());
    }

    void Ok_WhenTheFileCannotBeWritten_SaysSoAndStaysOpen()
    {
        SetIniText(kSettings);
        CSecondarySettingsDlg dlg;
        dlg.show();
        // A Windows directory that is gone takes no file.
        const QByteArray windowsDir{qgetenv("ZEZODI_WINDIR")};
        qputenv("ZEZODI_WINDIR",
                QDir{m_env->Root()}.filePath(QStringLiteral("gone")).toLocal8Bit());
        dlg.accept();
        qputenv("ZEZODI_WINDIR", windowsDir);
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes.first().text.startsWith(
            QStringLiteral("The settings could not be written to ")));
        QVERIFY(m_boxes.first().text.contains(QStringLiteral("zezodi.ini")));
        QCOMPARE(m_boxes.first().caption, QStringLiteral("Error"));
        QVERIFY(dlg.isVisible());
        QCOMPARE(IniText(), kSettings);
    }

    // The primary's public keys: anything but keys is refused and nothing is written; keys
    // (one, or two while the key changes) are written as typed.
    void Ok_PrimaryKeys_OnlyKeysAreWritten()
    {
        const QString key{QStringLiteral("xait/Vf8sO02IfsVTlYtdpgWZI5OGrF1ACuUKkwqRwc=")};
        const QString other{QStringLiteral("4wYpLR0EmKwZ6l8o0HyIpGmIlS9UbCvN0sL6sHkq4cE=")};
        SetIniText(kSettings);
        for (const QString& typed : {QStringLiteral("not a key"), key + QStringLiteral("x"),
                                     key + QStringLiteral(" garbage")}) {
            m_boxes.clear();
            CSecondarySettingsDlg dlg;
            dlg.show();
            Edit(dlg, "primaryKeysEdit")->setText(typed);
            dlg.accept();
            QCOMPARE(m_boxes.size(), 1);
            QVERIFY(m_boxes.first().text.startsWith(
                QStringLiteral("The primary server's public keys are not valid keys.")));
            QVERIFY(dlg.isVisible());
            QCOMPARE(IniText(), kSettings);
        }
        m_boxes.clear();
        CSecondarySettingsDlg dlg;
        dlg.show();
        Edit(dlg, "primaryKeysEdit")->setText(key + QStringLiteral(" ") + other);
        dlg.accept();
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(IniText().contains(QStringLiteral("PrimaryPublicKey=") + key + QStringLiteral(" ") +
                                   other + QStringLiteral("\n")));
    }

    void Ok_WithADataDirectoryForDownloads_SaysSoAndStaysOpen()
    {
        SetIniText(kSettings);
        const QString drive{QFileInfo{m_env->InstallDir()}.absolutePath()};
        for (const QString& dir :
             {m_env->WindowsDir(), m_env->InstallDir(), drive + QStringLiteral("/db1"),
              drive + QStringLiteral("/jx_web/htdocs/images/new")}) {
            m_boxes.clear();
            CSecondarySettingsDlg dlg;
            dlg.show();
            Edit(dlg, "downloadDirEdit")->setText(dir);
            dlg.accept();
            QCOMPARE(m_boxes.size(), 1);
            QVERIFY2(m_boxes.first().text.startsWith(QStringLiteral("The download directory ") +
                                                     dir +
                                                     QStringLiteral(" lies in the "
                                                                    "synchronized data "
                                                                    "directory ")),
                     qPrintable(m_boxes.first().text));
            QCOMPARE(m_boxes.first().caption, QStringLiteral("Error"));
            QVERIFY(dlg.isVisible());
            QCOMPARE(IniText(), kSettings);
        }
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxRecorder;
    QList<CMessageBoxes::Box>& m_boxes{m_boxRecorder.boxes};
    QMessageBox::StandardButton& m_answer{m_boxRecorder.answer};
};

QTEST_MAIN(SecondarySettingsDlgTest)
#include "SecondarySettingsDlgTest.moc"
