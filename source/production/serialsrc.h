// Where each device's own data comes from: a counter, a list file, or a
// command, and how a counter's number becomes the bytes patched into the
// image. A source only makes values; the ledger decides which one a device
// gets and remembers it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using clSerialBytes = std::vector<unsigned char>;

enum class clSerialFormat { bin, bcd, text, hex };

// How a counter's number is laid out: width bytes, binary or packed BCD in
// either byte order, or ASCII decimal or hexadecimal digits of fixed width.
struct clSerialLayout {
    int width = 4; // 1..8
    clSerialFormat format = clSerialFormat::bin;
    bool bigEndian = false;
};

// "bin", "bcd", "text", "hex" and back; false for another name.
const char* QkSerialFormatName(clSerialFormat format);
bool QkSerialFormatByName(const std::string& name, clSerialFormat& format);

// The bytes of number in layout; false with the reason when it does not fit.
bool QkEncodeSerial(std::uint64_t number, const clSerialLayout& layout, clSerialBytes& bytes, std::string& error);
// One value as a list line or a command gives it: hex bytes ("00 1A 2B" or
// "001A2B") or quoted text ("\"KEY-0042\""); false with the reason.
bool QkParseSerialValue(const std::string& text, clSerialBytes& bytes, std::string& error);
// "001A2B": how the ledger keeps a value.
std::string QkSerialHex(const clSerialBytes& bytes);

// One value of a source: its bytes and the text a person reads.
struct clSerialValue {
    clSerialBytes bytes;
    std::string shown;
};

class clSerialSource {
public:
    virtual ~clSerialSource() = default;
    // Names the source in the ledger: values are counted per pool.
    virtual std::string Pool() const = 0;
    // The value at place seq (0 first); false with the reason when there is
    // none (a list used up, a counter past its width, a command that failed).
    virtual bool ValueAt(std::int64_t seq, clSerialValue& value, std::string& error) = 0;
    // Whether a value may be asked for only to show it (a command's may not:
    // running it may use up a key).
    virtual bool Previewable() const { return true; }
};

// A source from its command-line form: "counter:START[:STEP]",
// "list:FILE" or "exec:COMMAND". width must match every list or command
// value. Null with the reason when the form is wrong or the list cannot be
// read.
std::unique_ptr<clSerialSource> QkMakeSerialSource(const std::string& text, const clSerialLayout& layout,
                                                   std::string& error);
