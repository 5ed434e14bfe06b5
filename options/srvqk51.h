// The application's option array: what a project file holds.
//
// Stored form: the signature (a length byte, then "RIR-" and the array's name,
// no terminator), then one item per switched-on option, from priority 65535
// down, options of one priority in the order they were added.
#pragma once

#include <functional>
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
    void Save(std::ostream& out) const;
    // Offers every stored item to the options by id; unknown ids are passed
    // over. Raises clXDataFormat for a file that is not an option array and
    // clXUnSuppFormat for another array's signature; options read before a
    // fault keep their values.
    void Load(std::istream& in);

private:
    void ReadSignature(std::istream& in) const;
    void Progress(std::uint64_t position, std::uint64_t length) const;

    std::string m_sSignature;
    std::function<void(int)> m_Progress;
};
