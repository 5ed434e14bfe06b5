// The error dialog: caption, icon and buttons by type and option bits, the
// 77 x 26 buttons in their order, wrapping and centring.
#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "err/qkerr.h"
#include "source/gui/errdlgqt.h"
#include "tests/gui/guimain.h"

class ErrDlgTest : public QObject {
    Q_OBJECT
private slots:
    void anErrorOffersOk()
    {
        clErrDlg dialog(nullptr, erTypeError, erOptOk, "Erase operation has failed.");
        QCOMPARE(dialog.windowTitle(), QString("Error"));
        QVERIFY(dialog.findChild<QLabel*>("icon903") != nullptr);
        QCOMPARE(dialog.ButtonIds(), std::vector<int>{erIdOk});
        auto* ok = dialog.findChild<QAbstractButton*>("button1");
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QString("&Ok"));
        QCOMPARE(ok->size(), QSize(77, 26));
        QTimer::singleShot(0, ok, &QAbstractButton::click);
        QCOMPARE(dialog.exec(), erIdOk);
    }

    void abortAloneAnswersThree()
    {
        clErrDlg dialog(nullptr, erTypeError, erOptAbort, "General communication error with the programmer.");
        QCOMPARE(dialog.ButtonIds(), std::vector<int>{erIdAbort});
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.findChild<QAbstractButton*>("button3")->click(); });
        QCOMPARE(dialog.exec(), erIdAbort);
        // Closing it by its frame answers the only button there is.
        clErrDlg again(nullptr, erTypeError, erOptAbort, "x");
        QTimer::singleShot(0, &again, &QDialog::reject);
        QCOMPARE(again.exec(), erIdAbort);
    }

    void buttonsInTheirOrderAndCaptionsByType()
    {
        clErrDlg all(nullptr, erTypeInternal, 0x7F, "x");
        QCOMPARE(all.windowTitle(), QString("Internal Error"));
        QVERIFY(all.findChild<QLabel*>("icon901") != nullptr);
        QCOMPARE(all.ButtonIds(),
                 (std::vector<int>{erIdOk, erIdIgnore, erIdRetry, erIdYes, erIdNo, erIdCancel, erIdAbort}));
        int x = -1;
        for (int id : all.ButtonIds()) {
            auto* button = all.findChild<QAbstractButton*>(QString("button%1").arg(id));
            QVERIFY(button->x() > x);
            QCOMPARE(button->y(), all.findChild<QAbstractButton*>("button1")->y());
            x = button->x() + 77;
        }
        // Closing a question by its frame is Cancel.
        QTimer::singleShot(0, &all, &QDialog::reject);
        QCOMPARE(all.exec(), erIdCancel);
        clErrDlg note(nullptr, erTypeWarning, erOptOk, "x");
        QCOMPARE(note.windowTitle(), QString("Warnning"));
        QVERIFY(note.findChild<QLabel*>("icon904") != nullptr);
        clErrDlg plain(nullptr, erTypeNone, erOptOk, "x");
        QCOMPARE(plain.windowTitle(), QString());
        QCOMPARE(plain.findChildren<QLabel*>().size(), 1); // the text, no icon
    }

    void longTextsWrapAndLineFeedsBreak()
    {
        const std::string word = "programmer ";
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += word;
        clErrDlg wide(nullptr, erTypeError, erOptOk, text + "\nlast line");
        const QString shown = wide.findChild<QLabel*>("text")->text();
        QVERIFY(shown.count('\n') > 3);
        QVERIFY(shown.endsWith("\nlast line"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(wide.width() <= screen.width() * 60 / 100 + 2 * 15 + 32 + 60);
        // A short text: as wide as the wider of text and button row.
        clErrDlg small(nullptr, erTypeNone, erOptOk, "x");
        QCOMPARE(small.width(), 2 + 15 + 77 + 15);
        // Without a parent the box is centred on the screen.
        QVERIFY(qAbs(small.geometry().center().x() - screen.center().x()) <= 2);
        QVERIFY(qAbs(small.geometry().center().y() - screen.center().y()) <= 2);
    }
};

QK_GUI_TEST_MAIN(ErrDlgTest)
#include "test_errdlg.moc"
