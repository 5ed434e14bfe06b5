// Renders the README's pictures of qkprog: the main window connected to qksim
// with a PCD80710 and data loaded, the same after a verify failure, the error
// dialog of that failure, the Load File dialog, the tip box, and the window
// that says why its port cannot be opened.
// Usage: qkshots OUTPUT_FOLDER (run by scripts/screenshots.sh under Xvfb).
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

#include "cpplib/qkbufint.h"
#include "source/app/spcdata.h"
#include "source/files/hexdefs.h"
#include "source/files/hexio.h"
#include "source/gui/errdlgqt.h"
#include "source/gui/filedlgs.h"
#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"
#include "source/gui/serialdlg.h"
#include "source/gui/tipdlg.h"
#include "tests/e2e/simproc.h"
#include "tests/gui/guidriver.h"
#include "tests/testutil.h"

namespace {
// The window with a title bar of its caption (Xvfb has no window manager to
// draw one).
QImage WithCaption(QWidget& widget)
{
    const QPixmap client = widget.grab();
    const int bar = 26;
    QImage image(client.width() + 2, client.height() + bar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x6f, 0x7f, 0x96));
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, bar);
    gradient.setColorAt(0, QColor(0x3b, 0x5f, 0x92));
    gradient.setColorAt(1, QColor(0x2a, 0x4a, 0x78));
    painter.fillRect(1, 1, client.width(), bar - 1, gradient);
    QFont font = widget.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 1, client.width() - 20, bar - 1), Qt::AlignVCenter | Qt::AlignLeft,
                     widget.windowTitle());
    painter.drawPixmap(1, bar, client);
    return image;
}

bool Save(QWidget& widget, const QString& path)
{
    widget.repaint();
    QTest::qWait(250);
    const bool saved = WithCaption(widget).save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

// 48 KiB of firmware-like bytes at 0x1000, as Intel Hex.
bool MakeSample(const std::string& path)
{
    clQKHugeBufIntr image("Data");
    image.SetParams(0xC000, clAdrs(0x1000u));
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(0xC000);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random() % 200);
    image.Write(clAdrs(0x1000u), clAdrs(0xCFFFu), bytes.data());
    clHexLoader writer(nullptr, 0);
    if (writer.OpenFile(path.c_str(), QkWriteFormatKind(ftIntelLinear), HEX_WRITE) == 0)
        return false;
    const int saved = writer.Save(image, 0x1000, 0xCFFF);
    return writer.CloseFile() != 0 && saved != 0;
}
} // namespace

int main(int argc, char** argv)
{
    TQkApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    QkQtUi();
    if (argc < 2) {
        std::fprintf(stderr, "usage: qkshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QDir(argv[1]).absolutePath();
    QDir().mkpath(out);
    clTempDir temp;
    const std::string sample = temp.File("firmware.hex");
    if (!MakeSample(sample))
        return 1;
    QDir::setCurrent(QString::fromStdString(temp.Path().string()));

    clSimProcess sim;
    if (!sim.Start({"--baud", "0", "--fault", "flip=0x2345"})) {
        std::fprintf(stderr, "qkshots: %s\n", sim.Error().c_str());
        return 1;
    }
    // COM1 leads through a link with a name of the user's, as ./run.sh makes it.
    const std::string link = temp.File("qkjtag-bench-programmer");
    if (symlink(sim.Path().c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "qkshots: cannot link %s\n", link.c_str());
        return 1;
    }
    setenv("QKJTAG_COM1", link.c_str(), 1);

    bool ok = true;
    clDialogDriver driver;
    driver.onTip = [&](TTipDlg& tip) {
        ok &= Save(tip, out + "/qkprog-tip.png");
        tip.accept();
    };
    driver.onLoad = [&](Tmp51OpenDlg& load) {
        load.Select(2, QString::fromStdString(sample));
        // The file list fills in the background; the picture waits for it.
        QkWaitFor(
            [&] {
                auto* box = load.FileDialog()->findChild<QDialogButtonBox*>();
                return box != nullptr && box->button(QDialogButtonBox::Open)->isEnabled();
            },
            3000);
        ok &= Save(load, out + "/qkprog-load.png");
        load.Confirm();
    };
    bool verifyShot = false;
    driver.beforeAnswer = [&](clErrDlg& dialog) {
        if (!verifyShot && dialog.GetText().find("Data verify has failed") != std::string::npos) {
            verifyShot = true;
            ok &= Save(dialog, out + "/qkprog-verify-error.png");
        }
    };
    driver.answerError = [](const clSeenDialog& seen) -> int {
        // "Project has been changed. Save before closing ?": no.
        for (int id : seen.buttons)
            if (id == erIdNo)
                return erIdNo;
        return seen.buttons.front();
    };

    {
        clProgRun run({"/Com:1", "/TDELAY:0"}, temp.File("settings.ini"));
        run.StartUp();
        TQk51FrameWindow& frame = run.Frame();
        run.Click(idOpen);
        // Each board gets its own number from a counter, recorded in a ledger.
        clSerialSettings serial;
        serial.source = "counter:1000";
        serial.address = 0x40;
        serial.layout = {4, clSerialFormat::bcd, true};
        serial.ledger = temp.File("line3.ledger");
        for (clSpcBaseDlg* view : run.Main().Views())
            if (auto* data = dynamic_cast<clSpcDataDlg*>(view))
                data->SetSerialSettings(serial);
        {
            clSerialDlg dialog(serial, &frame);
            dialog.show();
            QTest::qWait(50);
            ok &= Save(dialog, out + "/qkprog-serial.png");
        }
        run.Click(idBlnkChk);
        ok &= run.Status() == "Ready";
        ok &= Save(frame, out + "/qkprog-main.png");
        // While Program runs (its first second is the programmer's settling
        // time): the abort button over the Program slot.
        bool runningShot = false;
        QTimer::singleShot(500, &frame, [&] {
            runningShot = frame.Button(idCancel)->isVisible();
            ok &= runningShot && Save(frame, out + "/qkprog-running.png");
        });
        run.Click(idProgram);
        ok &= run.Status() == "Failed" && verifyShot && runningShot;
        ok &= Save(frame, out + "/qkprog-failed.png");
        frame.close();
        QTest::qWait(100);
    }
    sim.Stop();

    // A port that leads to a plain file: the line under the status says so.
    const std::string plain = temp.File("not-a-port.txt");
    WriteText(plain, "not a port");
    setenv("QKJTAG_COM2", plain.c_str(), 1);
    {
        clProgRun run({"/Com:2", "/TDELAY:0"}, temp.File("settings.ini"));
        run.StartUp();
        ok &= run.Frame().GetIndicator() == indNotConnected;
        ok &= Save(run.Frame(), out + "/qkprog-offline.png");
        run.Frame().close();
        QTest::qWait(100);
    }
    std::printf("%s\n", ok ? "all pictures written" : "some pictures are missing or wrong");
    return ok ? 0 : 1;
}
