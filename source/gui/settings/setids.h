// Control ids of the settings dialog and its pages (also the controls'
// object names, "id" + number).
#pragma once

#include <QString>

enum : int {
    idSetOk = 1,
    idSetCancel = 2,
    idSetBootUpdate = 101,
    idSetAutoSigChk = 158,
    idSetAutoBlnkChk = 159,
    idSetAutoErase = 256,
    idSetIgnoreStartStop = 257,
    idSetPgmUpdate = 258,
    idSetAutoRobot = 259,
    idSetStdButtons = 301,
    idSetFlyOver = 302,
    idSetMute = 303,
    idSetTabs = 304,
    idSetPort = 318,
    idSetAboutList = 320,
    idSetXtal = 322,
    idSetXtalLabel = 323,
    idSetXtalUnit = 324,
    idSetPortPath = 325,
    idSetAllowFlash = 326,
    idSetSoundPlay = 330,
    idSetSound = 331,
    idSetSoundOpen = 332,
    idSetActions = 333,
    idSetAboutPicture = 391,
    idSetFilter = 1101,
    idSetDeviceList = 1102,
    idSetDeviceInfo = 1103,
    idSetVendor = 1104,
};

// A control's object name.
inline QString QkSetId(int id)
{
    return QString("id%1").arg(id);
}
