#pragma once
// An IPP Everywhere printer for tests: ippeveprinter on a free loopback port,
// two-sided, taking PDF, keeping every job's document in a spool folder. It
// needs a D-Bus bus for its DNS-SD client, so a private dbus-daemon runs
// beside it (DNS-SD registration itself is off). Both stop when the object
// is destroyed.

#include <string>
#include <vector>
#include <sys/types.h>

#include "tests/support/TestSupport.h"

namespace report::testing {

class IppPrinter {
public:
    explicit IppPrinter(const std::string& name = "TestPrinter");
    ~IppPrinter();
    IppPrinter(const IppPrinter&) = delete;
    IppPrinter& operator=(const IppPrinter&) = delete;

    // False when the printer could not be started (why() says why).
    bool running() const { return printer_ > 0; }
    const std::string& why() const { return why_; }
    // ipp://localhost:PORT/ipp/print
    const std::string& uri() const { return uri_; }
    // The folder the printer keeps job documents in.
    std::string spool() const { return dir_ / "spool"; }
    // The files in the spool folder with this extension, sorted.
    std::vector<std::string> spooled(const std::string& extension = ".pdf") const;
    // The spooled PDFs once the first has come (waiting up to 10 s) and had
    // time to be written whole.
    std::vector<std::string> await_spooled() const;
    // ipptool's verbose answer to Get-Job-Attributes for a job (1 is the first).
    std::string job_attributes(int job_id) const;

private:
    test_support::ScratchDir dir_{"ipp-printer"};
    pid_t bus_ = -1;
    pid_t printer_ = -1;
    std::string uri_;
    std::string why_;
};

// The environment a command runs in to see no CUPS server (a closed
// loopback port), so only printers given by URI exist.
inline constexpr const char* kNoCupsServer = "CUPS_SERVER=127.0.0.1:1";

}  // namespace report::testing
