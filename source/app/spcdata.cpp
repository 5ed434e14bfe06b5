#include "source/app/spcdata.h"

#include "source/project/qkopts.h"

clSpcDataDlg::clSpcDataDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer)
    : clSpcRangeDlg(owner, space, buffer, idDataStart, idDataStop, kOptDataStart, kOptDataStop), m_Serial(Options())
{}

void clSpcDataDlg::ProgramAuto(clOpRunner& runner)
{
    m_Serial.Patch(Buf(30));
    clSpcRangeDlg::ProgramAuto(runner);
}

bool clSpcDataDlg::IsOpAllowed(int cmd)
{
    return cmd == cmdFlash ? HasBufferBytes() : clSpcRangeDlg::IsOpAllowed(cmd);
}

void clSpcDataDlg::Read()
{
    clSpcRangeDlg::Read();
    Refresh();
}

std::uint16_t clSpcDataDlg::GetCycles()
{
    return QkGetOpt16(Options(), kOptPgmCycle);
}

std::uint16_t clSpcDataDlg::GetSuccesses()
{
    return QkGetOpt16(Options(), kOptSuccess);
}

std::uint16_t clSpcDataDlg::GetFailures()
{
    return QkGetOpt16(Options(), kOptFailure);
}

void clSpcDataDlg::SetSerialSettings(const clSerialSettings& settings)
{
    m_Serial.SetSettings(settings);
    MarkSettingsChanged();
    Refresh();
}
