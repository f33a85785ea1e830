/* A stand-in client library for the binding's tests. Every exported entry
 * point returns its own name, so a test can call a bound slot and see which
 * symbol it reached. Built with STUB_WITH_OPTIONAL to export the optional
 * entry points too; a linker version script hides names to make a library
 * that lacks some mandatory ones. Loading one switches the rounding mode to
 * upward, as a careless library might. */
#include "interbase/IBL_EntryNames.h"

#include <fenv.h>

/* Libraries may change the floating-point environment as they load; the
 * stubs do it on purpose so the tests can see that the binding restores it. */
__attribute__((constructor)) static void stub_loaded(void) { fesetround(FE_UPWARD); }

#define STUB_ENTRY(name) \
    __attribute__((visibility("default"))) const char* name(void) { return #name; }

IBL_MANDATORY_ENTRIES(STUB_ENTRY)
#ifdef STUB_WITH_OPTIONAL
IBL_OPTIONAL_ENTRIES(STUB_ENTRY)
#endif
