#include "err/uisrv.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "err/errdlg.h"
#include "err/qkerr.h"

int clConsoleUi::MessageBox(const char* text, const char* caption, unsigned char option)
{
    if (caption != nullptr && caption[0] != '\0')
        std::fprintf(stderr, "%s: %s\n", caption, text != nullptr ? text : "");
    else
        std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    return QkFirstButton(option);
}

int clConsoleUi::ShowError(const clBasicErr& err)
{
    std::string caption;
    QkErrCaption(err.GetErrType(), caption);
    char* text = err.GetErrStr();
    MessageBox(text != nullptr ? text : "", caption.c_str(), 0);
    std::free(text);
    return m_iErrorAnswer;
}

void clConsoleUi::Beep()
{
    std::fputc('\a', stderr);
}

namespace {
clConsoleUi g_ConsoleUi;
clUiServices* g_pUi = &g_ConsoleUi;
} // namespace

clUiServices& QkUi()
{
    return *g_pUi;
}

void QkSetUi(clUiServices* services)
{
    g_pUi = services != nullptr ? services : &g_ConsoleUi;
}

int QkFirstButton(unsigned char option)
{
    static const struct {
        unsigned char bit;
        int id;
    } order[] = {{erOptOk, erIdOk}, {erOptIgnore, erIdIgnore}, {erOptRetry, erIdRetry}, {erOptYes, erIdYes},
                 {erOptNo, erIdNo}, {erOptCancel, erIdCancel}, {erOptAbort, erIdAbort}};
    for (const auto& button : order)
        if (option & button.bit)
            return button.id;
    return erIdOk;
}
