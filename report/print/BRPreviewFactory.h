#pragma once
// The preview factory: what opens a preview window for a printer's pages.
// The installed one lives in report::preview_factory_slot; with none
// installed (a run without windows) the default shows nothing. report/ui's
// start-up installs the standard preview.

#include "platform/core/Classes.h"
#include "platform/core/ServiceSlot.h"

class TBRPrinter;

namespace report {

// A preview window a factory opened.
class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
    // Closes the window (it frees itself).
    virtual void ClosePreview() = 0;
};

}  // namespace report

// Opens preview windows. The base class shows nothing and answers null.
class TBRPreviewInterface : public TComponent {
public:
    explicit TBRPreviewInterface(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    // Shows a preview of printer's pages and returns at once.
    virtual report::PreviewWindow* Show(TBRPrinter* printer);
    // Shows a preview and returns when it is closed; the window is gone by
    // then, so the answer is always null.
    virtual report::PreviewWindow* ShowModal(TBRPrinter* printer);
};

namespace report {

inline core::ServiceSlot<TBRPreviewInterface*> preview_factory_slot;

// The installed factory, or the one that shows nothing.
TBRPreviewInterface& preview_factory();

}  // namespace report
