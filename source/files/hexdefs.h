// Values shared by the data-file readers and writers.
#pragma once

// Status of a stream or owner operation.
enum : int {
    HEXIO_OK = 0x20,    // go on
    HEXIO_END = 0x21,   // stop quietly; the data taken so far stays
    HEXIO_ABORT = 0x22, // stop; the operation failed or the user stopped it
};

// Stream modes.
enum : int {
    HEX_READ = 0x20,
    HEX_WRITE = 0x21,
};

// Record grammars and the address records each accepts.
enum : int {
    HEXFMT_S1 = 1,            // Motorola S1 data, S9 end
    HEXFMT_S2 = 2,            // Motorola S2 data, S8 end
    HEXFMT_S3 = 3,            // Motorola S3 data, S7 end
    HEXFMT_S_ANY = 4,         // the first S1/S2/S3/S7/S8/S9 fixes the kind
    HEXFMT_INTEL_LINEAR = 5,  // Intel, type 04 records only
    HEXFMT_INTEL_SEGMENT = 6, // Intel, type 02 records only
    HEXFMT_INTEL_16 = 7,      // Intel, no address records
    HEXFMT_INTEL_ANY = 8,     // the first 02 or 04 fixes the kind
};

// File-type codes of the load and save commands and the project options.
enum : int {
    ftProject = 0,
    ftBinary = 1,
    ftIntelAny = 2,
    ftIntel16 = 3,
    ftIntelSegment = 4,
    ftIntelLinear = 5,
    ftMotorolaAny = 6,
    ftS1 = 7,
    ftS2 = 8,
    ftS3 = 9,
    ftImageKept = 0xFE, // the buffer image is kept in the project
    ftNone = 0xFF,
};

// The warnings and errors of reading and writing (string ids).
enum : int {
    hexErrNotHex = 101,
    hexErrUnknownType = 102,
    hexErrUnexpectedType = 103,
    hexErrChecksum = 104,
    hexErrInvalid = 105,
    hexErrNoEnd = 106,
    hexErrDisk = 107,
};

// The format kind used to read a file of the given file-type code into a
// space that starts at spaceStart.
int QkReadFormatKind(int fileType, unsigned long spaceStart);
// The format kind used to write a file-type code (2 to 9); 0 for others.
int QkWriteFormatKind(int fileType);
