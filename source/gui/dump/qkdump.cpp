// qkdump: the dump editor on its own, over a binary file, for trying the
// editor and for its screenshot. Changes stay in memory.
//
//   qkdump FILE [--start ADDR] [--unit 1|2|4|16] [--narrow] [--little]
//               [--hex] [--select FIRST:LAST] [--caret ADDR] [--screenshot PNG]
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "err/errntfy.h"
#include "err/uisrv.h"
#include "source/dump/dumptext.h"
#include "source/gui/dump/dumpclient.h"
#include "source/gui/dump/dumpwin.h"
#include "source/project/qkopts.h"

namespace {
// Messages in message boxes; the buttons the record offers.
class clBoxUi : public clUiServices {
public:
    int MessageBox(const char* text, const char* caption, unsigned char) override
    {
        QMessageBox::information(nullptr, caption, text);
        return erIdOk;
    }
    int ShowError(const clBasicErr& err) override
    {
        char* text = err.GetErrStr();
        const QString message = QString::fromLatin1(text != nullptr ? text : "");
        std::free(text);
        if ((err.GetErrOpt() & erOptYes) != 0) {
            auto buttons = QMessageBox::Yes | QMessageBox::No;
            if ((err.GetErrOpt() & erOptCancel) != 0)
                buttons |= QMessageBox::Cancel;
            const auto answer = QMessageBox::question(nullptr, "Dump", message, buttons);
            return answer == QMessageBox::Yes ? erIdYes : answer == QMessageBox::No ? erIdNo : erIdCancel;
        }
        QMessageBox::warning(nullptr, "Dump", message);
        return erIdOk;
    }
};

int Usage()
{
    std::fprintf(stderr, "usage: qkdump FILE [--start ADDR] [--unit 1|2|4|16] [--narrow] [--little] [--hex]\n"
                         "              [--select FIRST:LAST] [--caret ADDR] [--screenshot PNG]\n");
    return 1;
}

bool Number(const char* text, std::uint32_t& value)
{
    const auto parsed = QkParseDumpNumber(text != nullptr ? text : "");
    if (!parsed || *parsed > 0xFFFFFFFFu)
        return false;
    value = static_cast<std::uint32_t>(*parsed);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    std::string file, screenshot;
    std::uint32_t start = 0, unit = 1, caret = 0, selFirst = 0, selLast = 0;
    bool narrow = false, little = false, hex = false, select = false, hasCaret = false;
    for (int i = 1; i < args.size(); ++i) {
        const std::string arg = args[i].toStdString();
        const bool more = i + 1 < args.size();
        const std::string next = more ? args[i + 1].toStdString() : "";
        if (arg == "--start" && more && Number(next.c_str(), start))
            ++i;
        else if (arg == "--unit" && more && Number(next.c_str(), unit) && clDumpLayout::IsUnitSize(unit))
            ++i;
        else if (arg == "--caret" && more && Number(next.c_str(), caret))
            hasCaret = true, ++i;
        else if (arg == "--select" && more && next.find(':') != std::string::npos &&
                 Number(next.substr(0, next.find(':')).c_str(), selFirst) &&
                 Number(next.substr(next.find(':') + 1).c_str(), selLast))
            select = true, ++i;
        else if (arg == "--screenshot" && more)
            screenshot = next, ++i;
        else if (arg == "--narrow")
            narrow = true;
        else if (arg == "--little")
            little = true;
        else if (arg == "--hex")
            hex = true;
        else if (file.empty() && arg.rfind("--", 0) != 0)
            file = arg;
        else
            return Usage();
    }
    if (file.empty())
        return Usage();

    TBscOptServer options(kQkOptArrayName);
    const clQkOptCatalogue catalogue = QkRegisterOptions(options);
    clQKHugeBuffer& buf = catalogue.buffers[1]->Value();
    buf.SetName("Data");
    buf.SetParams(0, clAdrs(start));
    if (buf.LoadFile(file.c_str()) != 1 || buf.GetSize() == 0) {
        std::fprintf(stderr, "qkdump: cannot read %s\n", file.c_str());
        return 1;
    }
    const int space = 1;
    options.Set(QkSpaceOptId(space, spcViewMode), static_cast<std::uint8_t>(unit));
    options.Set(QkSpaceOptId(space, spcLineWidth), static_cast<std::uint8_t>(narrow ? 8 : 16));
    options.Set(QkSpaceOptId(space, spcEndian), static_cast<std::uint8_t>(little ? 1 : 0));
    options.Set(QkSpaceOptId(space, spcBinMode), static_cast<std::uint8_t>(hex ? 1 : 0));

    clBoxUi ui;
    QkSetUi(&ui);
    clErrMngr errors;
    errors.OpenErrMngr(GetNotifier(), nullptr);
    clDumpWindow* window = QkOpenDumpWindow(buf, *catalogue.dumpOptions[space], errors);
    clDumpEditor& editor = window->Client().Editor();
    if (hasCaret || select)
        editor.Goto(QkDumpHexText(select ? selFirst : caret));
    if (select) {
        editor.Click(selFirst, hex, false);
        editor.DragTo(selLast);
    }
    if (!screenshot.empty()) {
        // Once the window is painted.
        QTimer::singleShot(300, [&] {
            const bool saved = window->grab().save(QString::fromStdString(screenshot));
            std::fprintf(saved ? stdout : stderr, "%s %s\n", saved ? "wrote" : "qkdump: cannot write",
                         screenshot.c_str());
            app.exit(saved ? 0 : 1);
        });
    }
    const int status = app.exec();
    QkSetUi(nullptr);
    return status;
}
