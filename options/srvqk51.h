// The application's option array: what a project file holds.
//
// Stored form: the signature (a length byte, then "RIR-" and the array's name,
// no terminator), then one item per switched-on option, from priority 65535
// down, options of one priority in the order they were added.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "options/optsrv.h"

class TBscOptServer : public TBscOptGrp {
public:
    // A null name leaves the signature "RIR-".
    explicit TBscOptServer(const char* name);

    const std::string& GetSignature() const { return m_sSignature; }
    // Called with the percentage read while loading.
    void SetProgress(std::function<void(int)> progress) { m_Progress = std::move(progress); }

    // Every option's preparation, unless the array is off.
    void PrepareAll();
    // With sealId, the first item after the signature is the seal: an item
    // of that id (one no option owns, so other readers pass over it) holding
    // the stream's total length and the CRC-32 of everything after the seal,
    // both 32-bit.
    void Save(std::ostream& out, std::optional<clQKOptIDType> sealId = std::nullopt) const;
    // Offers every stored item to the options by id; unknown ids are passed
    // over. Raises clXDataFormat for a file that is not an option array and
    // clXUnSuppFormat for another array's signature; options read before a
    // fault keep their values. With sealId, a stream that starts with a seal
    // must match it (clXDataFormat before any option is read otherwise);
    // one without a seal loads as it is.
    void Load(std::istream& in, std::optional<clQKOptIDType> sealId = std::nullopt);

    // What the last Load found: a seal, and the ids of the items read.
    bool WasSealed() const { return m_bSealed; }
    bool WasLoaded(clQKOptIDType id) const { return m_LoadedIds.count(id) != 0; }

private:
    void ReadSignature(std::istream& in) const;
    // Checks the seal when the next item is one; leaves the stream after it.
    void CheckSeal(std::istream& in, std::uint64_t length, clQKOptIDType sealId);
    void Progress(std::uint64_t position, std::uint64_t length) const;

    std::string m_sSignature;
    std::function<void(int)> m_Progress;
    bool m_bSealed = false;
    std::set<clQKOptIDType> m_LoadedIds;
};
