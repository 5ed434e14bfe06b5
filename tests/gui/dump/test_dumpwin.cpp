// The dump window offscreen: menus and accelerators, typing, the dialogs,
// the real clipboard, options through a project file, and typed bytes
// reaching qksim's memory.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "comm/comports.h"
#include "source/dump/dumperr.h"
#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpdlgs.h"
#include "source/gui/dump/dumpmime.h"
#include "source/gui/dump/dumpwin.h"
#include "source/project/qkprj.h"
#include "tests/comm/uirecorder.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/dump/dumpwintest.h"
#include "tests/testutil.h"

using Bytes = std::vector<unsigned char>;

class TestDumpWindow : public QObject {
    Q_OBJECT

private:
    // The centre of byte adrs's cell in the hex or character column.
    static QPoint CellOf(clDumpClient& client, std::uint32_t adrs, bool hexPane)
    {
        const clDumpEditor& editor = client.Editor();
        const clDumpLayout& layout = editor.Layout();
        const unsigned k = adrs - layout.LineStart(layout.LineOf(adrs));
        const int cw = client.CharWidth();
        const int x = hexPane
                          ? layout.UnitX(cw, k / layout.UnitSize()) + static_cast<int>(2 * (k % layout.UnitSize())) * cw
                          : layout.CharX(cw) + static_cast<int>(k) * cw;
        const int y =
            static_cast<int>(layout.LineOf(adrs) - layout.LineOf(editor.Cursor().Top())) * client.LineHeight();
        return {x + cw / 2, y + client.LineHeight() / 2};
    }

    static void Show(clDumpWindow& window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    // The offscreen platform leaves no window active once a dialog closes;
    // a desktop gives the focus back to the window.
    static void Reactivate(clDumpWindow& window)
    {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

private slots:
    void TitleMenusAndAccelerators()
    {
        clDumpApp app;
        app.Load(0x10001, 0);
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        QCOMPARE(window.windowTitle(), QString("Dump - Data"));
        const QList<QAction*> menus = window.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QString("&Edit"));
        QCOMPARE(menus[1]->text(), QString("&View"));
        QCOMPARE(window.Action(cmWide)->text(), QString("&Wide dislay"));
        QCOMPARE(window.Action(cmSearchAgain)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence("F3"), QKeySequence("Ctrl+A"), QKeySequence("Ctrl+N")}));
        // Alt+1, Alt+N and Alt+L reach the view.
        clDumpEditor& editor = window.Client().Editor();
        QTest::keyClick(&window.Client(), Qt::Key_1, Qt::AltModifier);
        QTest::keyClick(&window.Client(), Qt::Key_N, Qt::AltModifier);
        QTest::keyClick(&window.Client(), Qt::Key_L, Qt::AltModifier);
        QCOMPARE(editor.Layout().UnitSize(), 2u);
        QCOMPARE(editor.Layout().BytesPerLine(), 8u);
        QVERIFY(editor.IsLittleEndian());
        QVERIFY(window.Action(cm16Bit)->isChecked());
        QVERIFY(window.Options().IsOptionsChanged());
        // A 128-bit unit needs a 16-byte line: the menu shows what is drawn.
        window.Command(cm128Bit);
        QCOMPARE(editor.Layout().BytesPerLine(), 16u);
        QVERIFY(window.Action(cmWide)->isChecked() && !window.Action(cmNarrow)->isEnabled());
        window.Command(cm16Bit);
        QVERIFY(window.Action(cmNarrow)->isChecked() && window.Action(cmNarrow)->isEnabled());
        // The last address 0x10000 needs 6 digits; the scroll bar reaches the last line.
        QCOMPARE(editor.Layout().AddressText(0x10000), std::string("010000h"));
        QTest::keyClick(&window.Client(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(window.Client().verticalScrollBar()->value(), window.Client().verticalScrollBar()->maximum());
        QCOMPARE(editor.Cursor().Caret(), 0x10000u);
    }

    void TypingA16BitLittleEndianUnit()
    {
        clDumpApp app;
        app.Load(0x100, 0x1000);
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        QSignalSpy changed(&window, &clDumpWindow::dataChanged);
        clDumpClient& client = window.Client();
        window.Command(cm16Bit);
        window.Command(cmLittleEndian);
        QTest::mouseClick(client.viewport(), Qt::LeftButton, {}, CellOf(client, 0x1022, true));
        QCOMPARE(client.Editor().Cursor().Caret(), 0x1022u);
        QVERIFY(client.Editor().Cursor().IsHexPane());
        QTest::keyClicks(&client, "12");
        QCOMPARE(app.At(0x1022, 2), (Bytes{0x12, 0x00}));
        QTest::keyClicks(&client, "3");
        QCOMPARE(app.At(0x1022, 2), (Bytes{0x23, 0x01}));
        QTest::keyClicks(&client, "4");
        QCOMPARE(app.At(0x1022, 4), (Bytes{0x34, 0x12, 0x24, 0x25}));
        QCOMPARE(client.Editor().Cursor().Caret(), 0x1024u);
        QCOMPARE(changed.count(), 1);
        // Tab to the characters; a typed letter replaces one byte.
        QTest::keyClick(&client, Qt::Key_Tab);
        QTest::keyClicks(&client, "Q");
        QCOMPARE(app.At(0x1024, 2), (Bytes{'Q', 0x25}));
    }

    void FindReplaceFillAndGotoThroughTheDialogs()
    {
        clDumpApp app;
        app.Load(0x1000, 0);
        const Bytes word{0xFF, 0x12, 0x42, 0x41, 0x4D, 0x0A};
        for (std::uint32_t at : {0x7FEu, 0xC00u})
            app.Data().Write(clAdrs(at), clAdrs(at + 5), word.data());
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        clDumpEditor& editor = window.Client().Editor();

        // Find from the start, across the 2048-byte window.
        AnswerDialog({{idSrchFind, "0xFF,12h,'B',\"AM\",10"}}, nullptr, [](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Dump Find"));
            QVERIFY(!dialog->findChild<QLineEdit*>("id114")->isEnabled());
            QVERIFY(!dialog->findChild<QCheckBox*>("id118")->isEnabled());
            dialog->findChild<QRadioButton*>("id116")->setChecked(true);
        });
        window.Command(cmSearch);
        Reactivate(window);
        QCOMPARE(editor.Cursor().Selection().start, 0x7FEu);
        QCOMPARE(editor.Cursor().Caret(), 0x804u);
        QTest::keyClick(&window.Client(), Qt::Key_F3);
        QCOMPARE(editor.Cursor().Selection().start, 0xC00u);
        QTest::keyClick(&window.Client(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(app.seen, std::vector<unsigned short>{dmpNotFound});

        // A bad find text keeps the dialog open with message 123.
        bool stillOpen = false;
        AnswerDialog({{idSrchFind, "12x"}}, &stillOpen);
        window.Command(cmSearch);
        QVERIFY(stillOpen);
        QCOMPARE(app.seen.back(), static_cast<unsigned short>(dmpInvalidValue));

        // Replace all from the start: 2 bytes by 3, the rest moves up.
        app.seen.clear();
        AnswerDialog({{idSrchFind, "41h,4Dh"}, {idSrchReplace, "\"xyz\""}}, nullptr, [](QDialog* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Dump Replace"));
            dialog->findChild<QRadioButton*>("id116")->setChecked(true);
            dialog->findChild<QCheckBox*>("id118")->setChecked(true);
        });
        window.Command(cmReplace);
        QCOMPARE(app.At(0x7FE, 7), (Bytes{0xFF, 0x12, 0x42, 'x', 'y', 'z', 0x0A}));
        QCOMPARE(app.At(0xC01, 7), (Bytes{0xFF, 0x12, 0x42, 'x', 'y', 'z', 0x0A}));
        QCOMPARE(app.seen, std::vector<unsigned short>{dmpReplacedAll});

        // Fill: a count of 0 is refused, then a good one fills.
        app.seen.clear();
        AnswerDialog({{idFillStart, "100h"}, {idFillCount, "0"}, {idFillValue, "0EEh"}}, &stillOpen);
        window.Command(cmDumpFill);
        QVERIFY(stillOpen);
        QCOMPARE(app.seen, std::vector<unsigned short>{dmpInvalidCount});
        // A field is checked as the focus leaves it, and rewritten in hex.
        AnswerDialog({{idFillCount, "10"}, {idFillValue, "0EEh"}}, nullptr, [&app](QDialog* dialog) {
            auto* start = dialog->findChild<QLineEdit*>("id101");
            start->setFocus();
            start->setText("zz");
            QTest::keyClick(start, Qt::Key_Tab);
            QCOMPARE(app.seen.back(), static_cast<unsigned short>(dmpInvalidAddress));
            QVERIFY(start->hasFocus());
            start->setText("256");
            QTest::keyClick(start, Qt::Key_Tab);
            QCOMPARE(start->text(), QString("100h"));
        });
        window.Command(cmDumpFill);
        QCOMPARE(app.seen, (std::vector<unsigned short>{dmpInvalidCount, dmpInvalidAddress}));
        QCOMPARE(app.At(0xFF, 12), (Bytes{0xFF, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x0A}));

        // Goto proposes the last address and moves the caret there.
        AnswerDialog({{idGotoAdrs, "0x0ABC"}}, nullptr,
                     [](QDialog* dialog) { QCOMPARE(dialog->findChild<QLineEdit*>("id104")->text(), QString("0h")); });
        window.Command(cmGoto);
        QCOMPARE(editor.Cursor().Caret(), 0xABCu);
        QVERIFY(editor.Layout().LineOf(editor.Cursor().Top()) <= editor.Layout().LineOf(0xABC));
        QCOMPARE(app.seen.size(), 2u);
    }

    void CopyAndPasteThroughTheClipboard()
    {
        clDumpApp app;
        app.Load(0x100, 0);
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        clDumpClient& client = window.Client();
        // Drag over 17 bytes of the hex column, copy with Ctrl+C.
        QTest::mousePress(client.viewport(), Qt::LeftButton, {}, CellOf(client, 0x20, true));
        QTest::mouseMove(client.viewport(), CellOf(client, 0x30, true));
        QTest::mouseRelease(client.viewport(), Qt::LeftButton, {}, CellOf(client, 0x30, true));
        QCOMPARE(client.Editor().Cursor().Selection().start, 0x20u);
        QCOMPARE(client.Editor().Cursor().Selection().end, 0x30u);
        QTest::keyClick(&client, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data != nullptr);
        QVERIFY(data->text().startsWith("20h  21h  "));
        QVERIFY(data->text().endsWith("2Fh\r\n30h  "));
        QByteArray image = data->data(kBinImageMime);
        QCOMPARE(image.size(), 21);
        QCOMPARE(image.left(5), QByteArray("\x11\x00\x00\x00\x20", 5));

        // The binary image goes in at the caret, cut at the buffer's end.
        QTest::keyClick(&client, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&client, Qt::Key_Left);
        QTest::keyClick(&client, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(app.At(0xFD, 3), (Bytes{0xFD, 0x20, 0x21}));

        // Text from elsewhere: hex items in the hex column, characters in the other.
        QGuiApplication::clipboard()->setText("0AAh 0x0B\t12d\r\nzz 1");
        QTest::keyClick(&client, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&client, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(app.At(0, 4), (Bytes{0xAA, 0x0B, 0x0C, 0x03}));
        QTest::keyClick(&client, Qt::Key_Tab);
        QGuiApplication::clipboard()->setText("Hi!");
        QTest::keyClick(&client, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(app.At(0, 4), (Bytes{'H', 'i', '!', 0x03}));
        // Characters copied from the character column are plain text only.
        QTest::keyClick(&client, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&client, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&client, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("Hi"));
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(kBinImageMime));
    }

    void OptionsSurviveAProjectSaveAndReload()
    {
        clTempDir dir;
        clQkSettingsStore settings(dir.File("settings.ini"));
        const std::string path = dir.File("dump.qkp");
        {
            clDumpApp app;
            app.Load(0x20000, 0);
            clQkProject project(app.server, settings, app.errors);
            auto* window = QkOpenDumpWindow(app.Data(), app.DumpOptions(), app.errors);
            window->Command(cmNarrow);
            window->Command(cm32Bit);
            window->Command(cmLittleEndian);
            AnswerDialog({{idGotoAdrs, "12344h"}});
            window->Command(cmGoto);
            AnswerDialog({{idSrchFind, "'Q','K'"}});
            window->Command(cmSearch);
            QTest::keyClick(&window->Client(), Qt::Key_Tab);
            window->setGeometry(40, 50, 640, 300);
            window->close();
            QCOMPARE(project.Save(path, prjSaveImage, "dump"), 1);
        }
        clDumpApp app;
        clQkProject project(app.server, settings, app.errors);
        QCOMPARE(project.Load(path), 1);
        QCOMPARE(app.Data().GetSize(), 0x20000u);
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        const clDumpEditor& editor = window.Client().Editor();
        QCOMPARE(editor.Layout().LineWidth(), 8u);
        QCOMPARE(editor.Layout().UnitSize(), 4u);
        QVERIFY(editor.IsLittleEndian());
        QCOMPARE(editor.Cursor().Caret(), 0x12344u);
        QVERIFY(editor.Cursor().IsHexPane());
        QCOMPARE(editor.Search().FindText(), std::string("'Q','K'"));
        QCOMPARE(editor.ProposedGoto(), std::string("12344h"));
        QCOMPARE(window.size(), QSize(640, 300));
    }

    void TypedBytesReachTheProgrammer()
    {
        clTempDir dir;
        clSimProcess sim;
        const std::string frames = dir.File("frames.log");
        QVERIFY2(sim.Start({"--baud", "0", "--frame-log", frames}), sim.Error().c_str());
        constexpr int kComNo = 45;
        ComMapPort(kComNo, sim.Path());
        clUiRecorder ui;
        clDataBase db(GetDLLDBaseInstance());
        clTestCommMaker maker;
        clTestComm& comm = maker.Make(db);
        comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0);
        QCOMPARE(comm.GetProtocol(), clQkProtocol::real);

        clDumpApp app;
        app.Load(0x100, 0x400);
        app.Data().BindComm(&comm);
        QVERIFY(app.Data().IsWriteThrough());
        clDumpWindow window(app.Data(), app.DumpOptions(), app.errors);
        Show(window);
        clDumpClient& client = window.Client();
        window.Command(cm16Bit);
        window.Command(cmLittleEndian);
        QTest::mouseClick(client.viewport(), Qt::LeftButton, {}, CellOf(client, 0x420, true));
        QTest::keyClicks(&client, "BEEFCAFE");
        QTest::keyClick(&client, Qt::Key_Tab);
        QTest::keyClicks(&client, "ok");
        QCOMPARE(app.At(0x420, 6), (Bytes{0xEF, 0xBE, 0xFE, 0xCA, 'o', 'k'}));

        clHugeBuffer<unsigned char> ram("RAM");
        ram.SetParams(0x100, clAdrs(0x400));
        comm.ReadSpace(clAdrs(0x400), clAdrs(0x4FF), ram, 0x20, 0);
        Bytes programmer(6);
        ram.Read(clAdrs(0x420), clAdrs(0x425), programmer.data());
        QCOMPARE(programmer, (Bytes{0xEF, 0xBE, 0xFE, 0xCA, 'o', 'k'}));
        // Every digit went out as it was typed: the partly typed unit too.
        const std::string log = ReadText(frames);
        QVERIFY(log.find("RX 0A 03 20 00 00 00 04 20 02 0B 00") != std::string::npos);
        QVERIFY(ui.shown.empty());

        // A programmer that goes away: the failure is reported by the
        // communication library, the typed byte stays in the buffer, and the
        // editor goes on.
        sim.Stop();
        QTest::keyClicks(&client, "!");
        QVERIFY(!ui.shown.empty());
        QCOMPARE(app.At(0x426, 1), Bytes{'!'});
        QCOMPARE(client.Editor().Cursor().Caret(), 0x427u);
        window.close();
        maker.Reset();
        ComMapPort(kComNo, "");
    }
};

QTEST_MAIN(TestDumpWindow)
#include "test_dumpwin.moc"
