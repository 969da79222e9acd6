#include "widgets/FileDialogs.h"
#include "widgets/IpAddressEdit.h"

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// The four fields as text, blank fields as "-".
QString Shown(const CIpAddressEdit& edit)
{
    QStringList parts;
    for (const std::optional<int>& field : edit.GetFields()) {
        parts.append(field ? QString::number(*field) : QStringLiteral("-"));
    }
    return parts.join(QLatin1Char{'.'});
}
} // namespace

// The address control and the program browser of the settings dialogs, driven as an operator
// does: every key goes to the field that has the focus.
class SettingsWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void AddressControl_StoresWhatWasTyped_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("stored");
        // "<" Backspace, "{" Left, "}" Right, "^" paste of the clipboard with the keyboard, "~"
        // paste as the context menu does it.
        QTest::newRow("three-digit parts, points typed") << "192.168.10.200"
                                                         << "192.168.10.200";
        QTest::newRow("three-digit parts, no points") << "255255255255"
                                                      << "255.255.255.255";
        QTest::newRow("short parts") << "10.1.2.3"
                                     << "10.1.2.3";
        QTest::newRow("point in an empty field") << "1..2.3.4"
                                                 << "1.2.3.4";
        QTest::newRow("point at the last field") << "1.2.3.4.5"
                                                 << "1.2.3.45";
        QTest::newRow("backspace back across a field") << "192.168<<<<7"
                                                       << "197.-.-.-";
        QTest::newRow("backspace after an automatic move") << "192<8"
                                                           << "198.-.-.-";
        QTest::newRow("left into the previous field") << "1.2{{5"
                                                      << "15.2.-.-";
        QTest::newRow("right into the next field") << "1.2{{}7"
                                                   << "1.72.-.-";
        QTest::newRow("paste of a whole address") << "^"
                                                  << "10.20.30.40";
        QTest::newRow("paste, then typing goes on") << "^<<9"
                                                    << "10.20.30.9";
        QTest::newRow("paste from the context menu") << "5.~"
                                                     << "10.20.30.40";
    }

    void AddressControl_StoresWhatWasTyped()
    {
        QFETCH(QString, keys);
        QFETCH(QString, stored);
        QApplication::clipboard()->setText(QStringLiteral(" 10.20.30.40 "));
        CIpAddressEdit edit;
        edit.show();
        edit.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        QTRY_VERIFY(edit.Field(0)->hasFocus());
        for (const QChar key : keys) {
            QWidget* focused{QApplication::focusWidget()};
            QVERIFY(focused != nullptr);
            if (key == QLatin1Char{'<'}) {
                QTest::keyClick(focused, Qt::Key_Backspace);
            } else if (key == QLatin1Char{'{'}) {
                QTest::keyClick(focused, Qt::Key_Left);
            } else if (key == QLatin1Char{'}'}) {
                QTest::keyClick(focused, Qt::Key_Right);
            } else if (key == QLatin1Char{'~'}) {
                qobject_cast<QLineEdit*>(focused)->paste();
            } else if (key == QLatin1Char{'^'}) {
                QTest::keySequence(focused, QKeySequence::Paste);
            } else {
                QTest::keyClick(focused, key.toLatin1());
            }
        }
        QCOMPARE(Shown(edit), stored);
    }

    void AddressControl_TakesTheFocusFromItsLabelsMnemonic()
    {
        QDialog dialog;
        auto* other = new QLineEdit{&dialog};
        auto* label = new QLabel{QStringLiteral("IP-&Address:"), &dialog};
        auto* address = new CIpAddressEdit{&dialog};
        label->setBuddy(address);
        auto* layout = new QVBoxLayout{&dialog};
        layout->addWidget(other);
        layout->addWidget(label);
        layout->addWidget(address);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        other->setFocus();
        QTest::keyClick(&dialog, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(address->Field(0)->hasFocus());
    }

    void AddressControl_ValueAbove255_KeepsTheFieldAndShowsAHint()
    {
        CIpAddressEdit address;
        address.show();
        QVERIFY(QTest::qWaitForWindowExposed(&address));
        QTest::keyClicks(address.Field(0), QStringLiteral("300"));
        QCOMPARE(address.Field(0)->text(), QStringLiteral("30"));
        QTRY_COMPARE(QToolTip::text(),
                     QStringLiteral("Please specify a value between 0 and 255 for this field."));
    }

    void AddressControl_RefusesTextThatIsNoAddress()
    {
        CIpAddressEdit edit;
        edit.SetFields({1, 2, 3, 4});
        for (const char* text : {"1.2.3", "1.2.3.256", "a.b.c.d", "1.2.3.4.5", ""}) {
            QVERIFY2(!edit.SetAddressText(QString::fromLatin1(text)), text);
        }
        QCOMPARE(Shown(edit), QStringLiteral("1.2.3.4"));
    }

    void ProgramBrowser_ListsDirectoriesAndProgramsOnly()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir{dir.path()}.mkdir(QStringLiteral("tools")));
        const QString program{dir.filePath(QStringLiteral("zezodi-zip"))};
        for (const QString& name : {program, dir.filePath(QStringLiteral("readme.txt"))}) {
            QFile file{name};
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
        }
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("readme.txt")),
                                      QFile::ReadOwner | QFile::WriteOwner));

        // Browsing starts where the current value lies, else in /usr/bin.
        QCOMPARE(CFileDialogs::ProgramDirectory(program), dir.path());
        QCOMPARE(CFileDialogs::ProgramDirectory(QString{}), QStringLiteral("/usr/bin"));
        QCOMPARE(CFileDialogs::ProgramDirectory(dir.filePath(QStringLiteral("gone/zip"))),
                 QStringLiteral("/usr/bin"));

        const std::unique_ptr<QFileDialog> dialog{CFileDialogs::CreateDialog(
            nullptr, {QString{}, CFileDialogs::ProgramDirectory(program), true})};
        dialog->show();
        auto* proxy = qobject_cast<QSortFilterProxyModel*>(dialog->proxyModel());
        QVERIFY(proxy != nullptr);
        auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
        QVERIFY(files != nullptr);
        QCOMPARE(dialog->directory().absolutePath(), dir.path());
        const QModelIndex root{proxy->mapFromSource(files->index(dir.path()))};
        // The file model lists the directory on a thread of its own, slow on a busy machine.
        QTRY_COMPARE_WITH_TIMEOUT(proxy->rowCount(root), 2, 30000);
        QStringList listed;
        for (int row = 0; row < proxy->rowCount(root); ++row) {
            listed.append(proxy->index(row, 0, root).data().toString());
        }
        listed.sort();
        QCOMPARE(listed, (QStringList{"tools", "zezodi-zip"}));
    }
};

QTEST_MAIN(SettingsWidgetsTest)
#include "SettingsWidgetsTest.moc"
