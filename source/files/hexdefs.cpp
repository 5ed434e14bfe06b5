#include "source/files/hexdefs.h"

int QkReadFormatKind(int fileType, unsigned long spaceStart)
{
    if (fileType >= ftIntelAny && fileType <= ftIntelLinear)
        return spaceStart >= 0x100000 ? HEXFMT_INTEL_LINEAR : HEXFMT_INTEL_ANY;
    if (fileType >= ftMotorolaAny && fileType <= ftS3)
        return HEXFMT_S_ANY;
    return HEXFMT_INTEL_ANY;
}

int QkWriteFormatKind(int fileType)
{
    switch (fileType) {
    case ftIntelAny: return HEXFMT_INTEL_ANY;
    case ftIntel16: return HEXFMT_INTEL_16;
    case ftIntelSegment: return HEXFMT_INTEL_SEGMENT;
    case ftIntelLinear: return HEXFMT_INTEL_LINEAR;
    case ftS1: return HEXFMT_S1;
    case ftS2: return HEXFMT_S2;
    case ftS3: return HEXFMT_S3;
    default: return 0;
    }
}
