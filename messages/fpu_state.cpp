#include "fpu_state.h"

alignas(16) unsigned char fpu_save_area[108];

#if defined(__i386__) || defined(__x86_64__)

#if defined(__SSE__)
// Floating-point work that runs in SSE registers has its own control and
// status register; the box gets it in its default state too.
namespace {
unsigned int mxcsr_save_area;
const unsigned int default_mxcsr = 0x1f80;
}  // namespace
#endif

void save_fpu_state()
{
    // fsave is the waiting form: pending exceptions are delivered first.
    __asm__ volatile("fsave %0" : "=m"(fpu_save_area) : : "memory");
#if defined(__SSE__)
    __asm__ volatile("stmxcsr %0\n\tldmxcsr %1"
                     : "=m"(mxcsr_save_area)
                     : "m"(default_mxcsr)
                     : "memory");
#endif
}

void restore_fpu_state()
{
#if defined(__SSE__)
    __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr_save_area) : "memory");
#endif
    __asm__ volatile("fwait\n\tfrstor %0" : : "m"(fpu_save_area) : "memory");
}

#else

#include <cfenv>

static_assert(sizeof(std::fenv_t) <= sizeof fpu_save_area, "fenv_t must fit the save area");

void save_fpu_state()
{
    std::fegetenv(reinterpret_cast<std::fenv_t*>(fpu_save_area));
    std::fesetenv(FE_DFL_ENV);
}

void restore_fpu_state()
{
    std::fesetenv(reinterpret_cast<const std::fenv_t*>(fpu_save_area));
}

#endif
