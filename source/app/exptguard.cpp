#include "source/app/exptguard.h"

#include <new>
#include <stdexcept>

#include "err/qkexpt.h"

clGuardKind QkGuardKind(const std::exception_ptr& escaped)
{
    try {
        std::rethrow_exception(escaped);
    } catch (const clXIO&) {
        return clGuardKind::disk;
    } catch (const clXAlloc&) {
        return clGuardKind::memory;
    } catch (const std::bad_alloc&) {
        return clGuardKind::memory;
    } catch (const clXIntrErr&) {
        return clGuardKind::internal;
    } catch (const std::logic_error&) {
        return clGuardKind::internal;
    } catch (const clBscExpt&) {
        return clGuardKind::system;
    } catch (const std::exception&) {
        return clGuardKind::system;
    } catch (...) {
        return clGuardKind::unknown;
    }
}

const char* QkGuardText(clGuardKind kind)
{
    switch (kind) {
    case clGuardKind::disk: return "Disk operation error was found (log file).";
    case clGuardKind::memory: return "Not enough memory is availabe, program will shut down.";
    case clGuardKind::internal: return "Internal error was found, please report to HALVANE.";
    case clGuardKind::system: return "Unhandled error was found, please report to HALVANE.";
    default: return "";
    }
}
