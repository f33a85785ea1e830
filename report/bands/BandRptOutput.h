#pragma once
// What a report run prints on: a canvas for the current page, the
// conversions from native units (0.1 mm) to device pixels, and page starts.
// The printer engine is one; tests use their own.

#include "platform/graphics/Canvas.h"

namespace report {

class OutputDevice {
public:
    virtual ~OutputDevice() = default;
    // The canvas of the current page.
    virtual TCanvas& Canvas() = 0;
    // Native units to device pixels, rounded halves to even.
    virtual int ToDeviceX(long double x) = 0;
    virtual int ToDeviceY(long double y) = 0;
    virtual int ToDeviceWidth(long double w) = 0;
    virtual int ToDeviceHeight(long double h) = 0;
    // Device pixels per native unit.
    virtual long double XFactor() const = 0;
    virtual long double YFactor() const = 0;
    // Ends the current page, if any, and starts the next.
    virtual void StartNewPage() = 0;
    virtual int PageCount() const = 0;
    // The paper's width and length in native units, not turned for the orientation.
    virtual int PaperWidth() const = 0;
    virtual int PaperLength() const = 0;

    // Output life cycle around a run; a device that needs none keeps these.
    virtual void BeginOutput() {}
    virtual void EndOutput() {}
    // Ends the output early, keeping what was drawn so far.
    virtual void AbortOutput() {}
    virtual void CancelOutput() {}
    // True once the output was cancelled (by a progress form or a preview).
    virtual bool Cancelled() const { return false; }
    // Progress of the run in percent.
    virtual void NotifyProgress(int percent) { (void)percent; }
};

}  // namespace report
