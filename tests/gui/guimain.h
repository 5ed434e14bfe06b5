// The main of every GUI test program: qkprog's application object (with its
// guard), the Fusion style and the dialogs for error records, then the test
// class. Qt keeps the file dialog's state (history, last folder) in the
// user's configuration: each run gets a fresh one of its own, as on a new
// machine, and the user's stays untouched.
#pragma once

#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"

#define QK_GUI_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv)                         \
    {                                                       \
        QTemporaryDir config;                               \
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); \
        TQkApplication app(argc, argv);                     \
        app.setStyle(QStyleFactory::create("Fusion"));      \
        QkQtUi();                                           \
        TestClass test;                                     \
        return QTest::qExec(&test, argc, argv);             \
    }
