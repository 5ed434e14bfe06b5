// qkprog: the QK-JTAG desktop programmer.
#include <QStyleFactory>

#include "source/gui/qk51frame.h"
#include "source/gui/qkapp.h"
#include "source/gui/qtui.h"

int main(int argc, char** argv)
{
    TQkApplication app(argc, argv);
    app.setStyle(QStyleFactory::create("Fusion"));
    QkQtUi(); // dialogs for every module's error manager
    TQk51FrameWindow frame(argc, argv);
    app.SetFatalHandler([&frame] { frame.Fatal(); });
    frame.StartUp();
    return app.exec();
}
