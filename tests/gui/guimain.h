// The main of every GUI test program: qkprog's application object (with its
// guard), the Fusion style and the dialogs for error records, then the test
// class.
#pragma once

#include <QStyleFactory>
#include <QTest>

#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"

#define QK_GUI_TEST_MAIN(TestClass)                    \
    int main(int argc, char** argv)                    \
    {                                                  \
        TQkApplication app(argc, argv);                \
        app.setStyle(QStyleFactory::create("Fusion")); \
        QkQtUi();                                      \
        TestClass test;                                \
        return QTest::qExec(&test, argc, argv);        \
    }
